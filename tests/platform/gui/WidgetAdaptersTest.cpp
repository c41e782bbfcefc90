#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

#include "platform/gui/ComboListBox.h"
#include "platform/gui/QtFileDialog.h"
#include "platform/gui/QtMessageBox.h"
#include "platform/gui/TreeListView.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

class TreeListViewTest : public ::testing::Test
{
protected:
    // Sub-item n of every row (0: the row's text; -1: the text and sub-items 1 to 3).
    std::string column(int n) const
    {
        std::string texts;
        for (int r = 0; r < m_view.rowCount(); ++r) {
            std::string row = n > 0 ? m_view.subItem(r, n) : m_view.rowText(r);
            for (int i = 1; n < 0 && i <= 3; ++i)
                row += "|" + m_view.subItem(r, i);
            texts += (r ? " " : "") + row;
        }
        return texts;
    }

    QTreeView m_tree;
    TreeListView m_view { &m_tree, QStringList(4) };
};

TEST_F(TreeListViewTest, RowsSubItemsSelectionAndSorting)
{
    m_view.addRow("", { "1.2.3.4", "80", "3" });
    m_view.addRow("own", { "5.6.7.8", "3128", "\xe9" });
    m_view.addRow("x", { "", "", "", "past the last column" });
    m_view.addRow("y", { "only one" });
    EXPECT_EQ(column(-1), "|1.2.3.4|80|3 own|5.6.7.8|3128|\xe9 x||| y|only one||");
    EXPECT_EQ(m_view.subItem(1, 4) + m_view.subItem(4, 1) + m_view.rowText(-1), "");
    EXPECT_EQ(m_tree.model()->data(m_tree.model()->index(1, 3)).toString(), QStringLiteral("\u00e9"))
        << "the view shows the text as Latin-1";
    m_view.setSelectedRow(1);
    m_view.removeRow(3);
    m_view.removeRow(0);
    m_view.removeRow(7);
    EXPECT_EQ(column(0), "own x");
    EXPECT_EQ(m_view.selectedRow(), 0) << "selection stays with its row";

    // Sorting is by text, ascending, ignoring letter case; rows added later are sorted in after the
    // equal ones already there; the selection moves with its row; the empty column keeps the order.
    m_view.clear();
    for (const auto& [name, port] : { std::pair { "B", "80" }, { "a", "1080" }, { "C", "8080" }, { "d", "3128" } })
        m_view.addRow("", { name, port, "" });
    m_view.setSelectedRow(2);
    m_view.setSortKey(2);
    EXPECT_EQ(column(2), "80 1080 8080 3128") << "the key alone does not sort";
    m_view.setSorted(true);
    EXPECT_EQ(column(2), "1080 3128 80 8080");
    m_view.addRow("", { "e", "443", "" });
    m_view.addRow("", { "b", "1080", "" });
    EXPECT_EQ(column(1), "a b d e B C");
    EXPECT_EQ(m_view.subItem(m_view.selectedRow(), 1), "C");
    m_view.setSortKey(1);
    EXPECT_EQ(column(1), "a b B C d e");
}

TEST(ComboListBox, BehavesLikeAListBoxOfAtMost32767Entries)
{
    QComboBox combo;
    ComboListBox list(&combo);
    EXPECT_TRUE(list.addItem("http://a/") && list.addItem("http://B/\xC9"));
    EXPECT_EQ(list.selectedIndex(), -1) << "adding selects nothing";
    list.setSelectedIndex(0);
    EXPECT_EQ(list.text(), "http://a/");
    EXPECT_EQ(list.selectByText("HTTP://b/\xE9"), 1);
    EXPECT_EQ(list.selectByText("http://"), -1);
    EXPECT_EQ(list.selectedIndex(), 1);
    list.removeItem(0);
    EXPECT_EQ(list.item(0), "http://B/\xC9");
    list.clear();
    EXPECT_TRUE(list.addItem(""));
    EXPECT_EQ(list.item(0), "");
    for (int i = 1; i < ListBox::kMaxEntries; ++i)
        ASSERT_TRUE(list.addItem("x"));
    EXPECT_FALSE(list.addItem("one too many"));
    EXPECT_EQ(list.count(), ListBox::kMaxEntries);
}

// Answers the next modal widget of type T once it is up (giving up after a bounded number of turns).
template <typename T>
void answerNext(std::function<void(T*)> answer, int turns = 1000)
{
    QTimer::singleShot(0, [answer, turns] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget()))
            answer(modal);
        else if (turns > 0)
            answerNext<T>(answer, turns - 1);
    });
}

TEST(QtMessageBox, AnswersWithTheClassicCodesAndShowsTheIcon)
{
    // The style, the button clicked (none: escape), the answer and the icon shown.
    const std::tuple<int, QMessageBox::StandardButton, int, QMessageBox::Icon> rows[] = {
        { MessageBox::YesNo | MessageBox::Question, QMessageBox::No, MessageBox::No, QMessageBox::Question },
        { 36, QMessageBox::Yes, 6, QMessageBox::Question },
        { MessageBox::YesNo, QMessageBox::NoButton, MessageBox::No, QMessageBox::NoIcon },
        { MessageBox::Critical, QMessageBox::NoButton, MessageBox::Ok, QMessageBox::Critical },
        { MessageBox::Exclamation, QMessageBox::Ok, MessageBox::Ok, QMessageBox::Warning },
    };
    QtMessageBox box;
    for (const auto& [style, click, answer, shownIcon] : rows) {
        QStringList shown;
        answerNext<QMessageBox>([&shown, click](QMessageBox* box) {
            shown << QString::number(box->icon()) << box->windowTitle() << box->text();
            click == QMessageBox::NoButton ? box->reject() : box->button(click)->click();
        });
        EXPECT_EQ(box.show("Set this proxy?", style, style == 36 ? "" : "Quorvane"), answer) << style;
        EXPECT_EQ(shown,
            (QStringList { QString::number(shownIcon),
                style == 36 ? QCoreApplication::applicationName() : QStringLiteral("Quorvane"),
                QStringLiteral("Set this proxy?") }));
    }
}

// The real dialog, answered headless: what it offers and the file each answer leaves.
TEST(QtFileDialog, OpenAndSaveAnswerWithTheChosenFile)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("list.txt"));
    ASSERT_TRUE(test::writeFile(existing, {}));
    QtFileDialog dialog;
    dialog.setFilter("Text Files|*.txt|All Files|*.*");
    dialog.setDialogTitle("Load Proxies");
    dialog.setDefaultExt(".txt");
    dialog.setFileName(existing.toStdString());
    QStringList offered;
    // Notes what the next dialog offers, then accepts it with the file chosen (if any) or cancels.
    auto answer = [&](bool accept, const QString& choose = {}) {
        answerNext<QFileDialog>([&offered, accept, choose](QFileDialog* shown) {
            offered = shown->nameFilters() << shown->windowTitle() << shown->defaultSuffix()
                                           << shown->selectedFiles() << QString::number(shown->acceptMode());
            if (!choose.isEmpty())
                shown->selectFile(choose);
            accept ? static_cast<QDialog*>(shown)->accept() : shown->reject(); // the file dialog checks first
        });
    };
    answer(true);
    EXPECT_TRUE(dialog.showOpen());
    EXPECT_EQ(offered,
        (QStringList { QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)"),
            QStringLiteral("Load Proxies"), QStringLiteral("txt"), existing, QStringLiteral("0") }));
    EXPECT_EQ(dialog.fileName(), existing.toStdString());
    answer(false);
    EXPECT_FALSE(dialog.showSave());
    EXPECT_EQ(dialog.fileName(), existing.toStdString()) << "a cancel keeps the last name";
    answer(true, dir.filePath(QStringLiteral("found")));
    EXPECT_TRUE(dialog.showSave());
    EXPECT_EQ(offered.last(), QStringLiteral("1")) << "a save dialog";
    EXPECT_EQ(dialog.fileName(), dir.filePath(QStringLiteral("found.txt")).toStdString()) << "the default extension";
}

} // namespace
} // namespace qv
