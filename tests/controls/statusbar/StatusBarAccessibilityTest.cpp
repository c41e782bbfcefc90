#include <gtest/gtest.h>

#include <QAccessible>

#include "StatusBarTestUtil.h"
#include "controls/statusbar/PanelStatusBar.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// A screen reader finds a status bar whose children are the panels, named by their captions.
TEST(StatusBarAccessibility, PanelsAreNamedChildrenOfAStatusBar)
{
    test::ThreePanelBar host(500, 18, 1);
    host.window.show();
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(host.bar);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::StatusBar);
    ASSERT_EQ(bar->childCount(), 3);
    const char* names[] = { "Status: Idle..", "Good: 0", "Loaded: 0" };
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* panel = bar->child(i);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->text(QAccessible::Name).toStdString(), names[i]);
        EXPECT_EQ(panel->text(QAccessible::Description), u"tip %1"_s.arg(i + 1));
        EXPECT_EQ(panel->role(), QAccessible::StaticText);
        EXPECT_EQ(panel->parent(), bar);
        EXPECT_EQ(bar->indexOfChild(panel), i);
        EXPECT_EQ(panel, bar->child(i)) << "one interface per panel";
        const Rect r = host.bar->PanelRect(i + 1);
        EXPECT_EQ(
            panel->rect(), QRect(host.bar->mapToGlobal(QPoint(r.left, r.top)), QSize(r.width(), r.height())));
        EXPECT_EQ(bar->childAt(panel->rect().center().x(), panel->rect().center().y()), panel);
    }
    EXPECT_EQ(bar->child(3), nullptr);
    host.bar->setPanelCaption(2, u"Found: 7"_s);
    EXPECT_EQ(bar->child(1)->text(QAccessible::Name), u"Found: 7"_s);
    host.bar->setPanelEnabled(2, false);
    EXPECT_TRUE(bar->child(1)->state().disabled);
    QAccessibleInterface* third = bar->child(2);
    host.bar->DeletePanel();
    EXPECT_EQ(bar->childCount(), 2);
    EXPECT_FALSE(third->isValid());
}

// Changes of the status and count panels are announced, each announcement naming every one that
// changed since the last, at most once a second; the third panel and unchanged captions never.
// Steps: "t" sets the clock, "1 text" writes a caption, "a" runs the announcement timer's tick.
TEST(StatusBarAccessibility, AnnouncesStatusAndCountAtMostOnceASecond)
{
    struct Row
    {
        std::vector<std::pair<const char*, qint64>> steps; // caption write (panel in text[0]) or tick
        const char* announced; // per tick: the panels named, "-" none
    };
    const Row rows[] = {
        { { { "1Status: Scanning..", 0 }, { "a", 0 } }, "1" },
        { { { "2Found: 1", 0 }, { "1Status: Scanning..", 0 }, { "a", 0 } }, "12" },
        { { { "1Status: Idle..", 0 }, { "2Good: 0", 0 }, { "3Loaded: 9", 0 }, { "a", 0 } }, "-" },
        { { { "2Found: 1", 0 }, { "a", 0 }, { "2Found: 2", 10 }, { "a", 999 }, { "a", 1000 } }, "2 - 2" },
        { { { "2Found: 1", 0 }, { "a", 0 }, { "2Found: 2", 10 }, { "2Found: 1", 20 }, { "a", 1000 } },
            "2 2" },
        { { { "3Loaded: 5", 0 }, { "a", 0 } }, "-" },
    };
    for (const Row& row : rows) {
        test::ThreePanelBar host;
        qint64 now = 0;
        host.bar->setAnnouncementClock([&now] { return now; });
        std::string panels;
        host.bar->setAnnouncementSink([&](QAccessibleEvent& event) {
            EXPECT_EQ(event.type(), QAccessible::NameChanged);
            EXPECT_EQ(event.object(), host.bar);
            QAccessibleInterface* panel = event.accessibleInterface();
            ASSERT_NE(panel, nullptr);
            EXPECT_EQ(panel->text(QAccessible::Name), host.bar->PanelCaption(event.child() + 1));
            panels += std::to_string(event.child() + 1);
        });
        std::string announced;
        for (const auto& [step, at] : row.steps) {
            now = at;
            if (step[0] == 'a') {
                panels.clear();
                host.bar->announcePending();
                announced += (announced.empty() ? "" : " ") + (panels.empty() ? std::string("-") : panels);
            } else {
                host.bar->setPanelCaption(step[0] - '0', QString::fromLatin1(step + 1));
            }
        }
        EXPECT_EQ(announced, row.announced) << row.steps.front().first;
    }
}

} // namespace
} // namespace qv
