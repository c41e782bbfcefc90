#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QWidget>
#include <functional>

#include "StatusBarTestUtil.h"
#include "controls/statusbar/SubscriptOutOfRange.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "platform/gui/PropertyStore.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

using Host = test::ThreePanelBar;

TEST(StatusBarPersistence, SaveOmitsDefaultsAndRoundTripsThroughTheTextForm)
{
    Host host, other(500, 18, 2);
    PanelStatusBar &bar = *host.bar, &copy = *other.bar;
    bar.setBackColor(rgb(230, 231, 235));
    bar.setPanelEnabled(3, false);
    copy.setPanelAutoSize(1, AutoSizeMode::Contents);
    // Written, read through the text form into the other bar and written again: the same text, so
    // keys left out read as their defaults.
    auto roundTrip = [&] {
        MemoryPropertyStore store, text, again;
        bar.WriteProperties(store);
        EXPECT_TRUE(text.fromText(store.toText()));
        copy.ReadProperties(text);
        copy.WriteProperties(again);
        EXPECT_EQ(again.toText().toStdString(), store.toText().toStdString());
        return store.keys();
    };
    QStringList keys { u"backcolor"_s, u"forecolor"_s, u"forecolordissabled"_s, u"font"_s, u"numberofpanels"_s,
        u"maskcolor"_s, u"showgripper"_s };
    for (int i = 1; i <= 3; ++i)
        for (const char* key : { "pwidth", "ptext", "ptttext", "penabled", "panelpicture", "minwidth" })
            keys << QString::fromLatin1(key) + QString::number(i);
    EXPECT_EQ(roundTrip(), keys) << "no AutoSize keys for NoAutoSize, no Apperance for 0";
    EXPECT_EQ(copy.Apperance(), 0);
    EXPECT_EQ(copy.PanelAutoSize(1), AutoSizeMode::NoAutoSize);
    EXPECT_EQ(copy.BackColor(), rgb(230, 231, 235));
    EXPECT_FALSE(copy.PanelEnabled(3));

    bar.setApperance(1);
    bar.setPanelAutoSize(2, AutoSizeMode::Spring);
    bar.setPanelPicture(1, test::maskedBitmap(16, 16, Qt::red));
    bar.setMaskColor(rgb(0, 255, 0));
    bar.setShowGripper(false);
    bar.setForeColor(rgb(1, 2, 3));
    const QStringList more = roundTrip();
    EXPECT_TRUE(more.contains(u"apperance"_s) && more.contains(u"autosize2"_s) && !more.contains(u"autosize1"_s));
    EXPECT_EQ(copy.PanelAutoSize(2), AutoSizeMode::Spring);
    EXPECT_EQ(copy.PanelPicture(1), bar.PanelPicture(1));
    EXPECT_FALSE(copy.ShowGripper());
    bar.setPanelAutoSize(2, AutoSizeMode::NoAutoSize);
    bar.setApperance(0);
    EXPECT_EQ(roundTrip(), keys) << "a value changed back to its default drops its key";
}

TEST(StatusBarPersistence, LoadingStopsAtTheFirstMissingPanelKey)
{
    Host host;
    host.bar->setPanelAutoSize(2, AutoSizeMode::Contents);
    host.bar->setPanelPicture(2, test::maskedBitmap(8, 8, Qt::red));
    MemoryPropertyStore store;
    host.bar->WriteProperties(store);
    store.write(u"PWidth2"_s, std::int32_t { 77 });
    store.remove(u"pEnabled2"_s);

    QWidget window;
    PanelStatusBar& copy = *new PanelStatusBar(&window);
    copy.setGeometry(0, 0, 500, 18);
    copy.ReadProperties(store);
    ASSERT_EQ(copy.NumberOfPanels(), 3);
    // Panel 2 keeps what came before its missing key (enabled is read as false), nothing after it.
    EXPECT_EQ(copy.PanelWidth(2), 77) << "read, and not yet replaced by a drawing pass";
    EXPECT_TRUE(copy.PanelEnabled(1) && !copy.PanelEnabled(2));
    EXPECT_EQ(copy.PanelCaption(1) + copy.ToolTipText(2) + copy.PanelCaption(2) + copy.PanelCaption(3),
        u"Status: Idle..tip 2Good: 0"_s);
    EXPECT_EQ(copy.MinWidth(2), 120);
    EXPECT_EQ(copy.MinWidth(3), 0);
    EXPECT_EQ(copy.PanelAutoSize(2), AutoSizeMode::NoAutoSize) << "after the missing key";
    EXPECT_TRUE(copy.PanelPicture(2).isNull());

    // The host's sizing (here the queued pass) then draws what was loaded.
    QCoreApplication::processEvents();
    EXPECT_EQ(copy.PanelWidth(2), 120);
}

TEST(StatusBarPersistence, BadValuesEndTheLoadingAndKeepWhatCameBefore)
{
    Host host;
    PanelStatusBar& bar = *host.bar;

    MemoryPropertyStore wrongType;
    wrongType.write(u"BackColor"_s, ColorValue { rgb(10, 20, 30) });
    wrongType.write(u"ForeColor"_s, u"red"_s);
    wrongType.write(u"MaskColor"_s, ColorValue { rgb(1, 1, 1) });
    bar.ReadProperties(wrongType);
    EXPECT_EQ(bar.BackColor(), rgb(10, 20, 30));
    EXPECT_EQ(bar.ForeColor(), 0x80000012u);
    EXPECT_EQ(bar.MaskColor(), rgb(255, 0, 255));
    EXPECT_EQ(bar.NumberOfPanels(), 3);

    // A hostile count ends the loading after the colours before it; a zero count loads the keys after it.
    for (std::int32_t count : { -1, 1'000'000'000, 0 }) {
        MemoryPropertyStore hostile;
        hostile.write(u"NumberOfPanels"_s, count);
        hostile.write(u"MaskColor"_s, ColorValue { rgb(1, 1, 1) });
        bar.ReadProperties(hostile);
        EXPECT_EQ(bar.NumberOfPanels(), count ? 3 : 0) << count;
        EXPECT_EQ(bar.MaskColor(), count ? rgb(255, 0, 255) : rgb(1, 1, 1)) << count;
        EXPECT_EQ(bar.BackColor(), systemColor(SysColor::ButtonFace)) << count;
    }
    EXPECT_THROW((void)bar.PanelCaption(1), SubscriptOutOfRange);
}

TEST(StatusBarPersistence, DeleteThenAddReusesTheOldRecord)
{
    QWidget window;
    PanelStatusBar& bar = *new PanelStatusBar(&window);
    bar.AddPanel(50, u"only"_s, QString(), true, AutoSizeMode::NoAutoSize);
    for (int i = 0; i < 3; ++i)
        bar.DeletePanel();
    EXPECT_EQ(bar.NumberOfPanels(), 1) << "the last panel stays";

    bar.AddPanel(60, u"two"_s, QString(), true, AutoSizeMode::NoAutoSize);
    bar.AddPanel(70, u"three"_s, QString(), true, AutoSizeMode::NoAutoSize);
    bar.setMinWidth(3, 133);
    bar.DeletePanel();
    EXPECT_EQ(bar.NumberOfPanels(), 2);
    EXPECT_EQ(bar.MinWidth(3), 133) << "the record stays in the array";
    MemoryPropertyStore store;
    bar.WriteProperties(store);
    EXPECT_FALSE(store.contains(u"minwidth3"_s));
    EXPECT_EQ(bar.AddPanel(80, u"new"_s, u"t"_s, false, AutoSizeMode::Contents), 3);
    EXPECT_EQ(bar.MinWidth(3), 133);
    EXPECT_EQ(bar.PanelCaption(3), u"new"_s);
    EXPECT_FALSE(bar.PanelEnabled(3));

    // Two deletes then one add shrink the array to the new count.
    bar.DeletePanel();
    bar.DeletePanel();
    EXPECT_EQ(bar.AddPanel(10, QString(), QString(), true, AutoSizeMode::NoAutoSize), 2);
    EXPECT_THROW(bar.setMinWidth(3, 1), SubscriptOutOfRange);
}

TEST(StatusBarPersistence, IndexedPropertiesOutsideThePanelArrayThrow)
{
    Host host;
    PanelStatusBar& bar = *host.bar;
    for (int index : { 0, -1, 4, 1 << 30 }) {
        EXPECT_THROW((void)bar.PanelCaption(index), SubscriptOutOfRange) << index;
        EXPECT_THROW(bar.setPanelCaption(index, u"x"_s), SubscriptOutOfRange) << index;
        EXPECT_THROW(bar.setPanelWidth(index, 1), SubscriptOutOfRange) << index;
        EXPECT_THROW((void)bar.PanelEnabled(index), SubscriptOutOfRange) << index;
        EXPECT_THROW(bar.setToolTipText(index, u"x"_s), SubscriptOutOfRange) << index;
        EXPECT_THROW(bar.setPanelPicture(index, Picture()), SubscriptOutOfRange) << index;
    }
    try {
        bar.setPanelAutoSize(9, AutoSizeMode::Spring);
        FAIL();
    } catch (const SubscriptOutOfRange& error) {
        EXPECT_EQ(error.index(), 9);
    }
    EXPECT_EQ(bar.PanelCaption(3), u"Loaded: 0"_s);
}

TEST(StatusBarPersistence, CaptionChoosesFullOrPartialPassByMeasuredWidth)
{
    Host host;
    PanelStatusBar& bar = *host.bar;
    bar.setPanelCaption(2, u"Found: 1"_s);
    ASSERT_EQ(bar.surface().textWidth(u"Found: 1"_s), bar.surface().textWidth(u"Found: 2"_s));
    ASSERT_NE(bar.surface().textWidth(u"Found: 2"_s), bar.surface().textWidth(u"Found: 10"_s));
    const auto full = bar.fullPasses();
    const auto partial = bar.partialPasses();
    const QImage before = bar.surface().image();
    bar.setPanelCaption(2, u"Found: 2"_s);
    EXPECT_EQ(bar.fullPasses(), full);
    EXPECT_EQ(bar.partialPasses(), partial + 1);
    EXPECT_NE(bar.surface().image(), before) << "the partial pass draws the new caption";
    bar.setPanelCaption(2, u"Found: 10"_s);
    EXPECT_EQ(bar.fullPasses(), full + 1);
    EXPECT_EQ(bar.Panel(2).captionWidth, bar.surface().textWidth(u"Found: 10"_s));

    // The image after a partial pass equals a full pass of the same state, band included.
    bar.setPanelCaption(2, u"Found: 20"_s);
    const QImage partialImage = bar.surface().image();
    bar.DrawStatusBar(true);
    EXPECT_EQ(partialImage, bar.surface().image());

    // Descenders reach into the band below shaded panels; a partial pass leaves none of the old ones.
    bar.setApperance(1);
    bar.setPanelCaption(1, u"Status: Checking gggg"_s);
    ASSERT_EQ(bar.surface().textWidth(u"Status: Checking gggg"_s),
        bar.surface().textWidth(u"Status: Checking pppp"_s));
    bar.setPanelCaption(1, u"Status: Checking pppp"_s);
    const QImage afterDescenders = bar.surface().image();
    bar.DrawStatusBar(true);
    EXPECT_EQ(afterDescenders, bar.surface().image());
}

// Each setter, with a changed value, names itself in PropertyChanged and repaints when the look
// depends on it (panel 2 is disabled, panel 3 has a red picture with a magenta mask pixel).
TEST(StatusBarPersistence, SettersRepaintAndNotify)
{
    using Set = std::function<void(PanelStatusBar&)>;
    const Picture picture = test::maskedBitmap(16, 16, Qt::blue);
    const std::tuple<Set, const char*, bool> rows[] = {
        { [](PanelStatusBar& b) { b.setBackColor(rgb(1, 2, 3)); }, "BackColor", true },
        { [](PanelStatusBar& b) { b.setForeColor(rgb(255, 0, 0)); }, "ForeColor", true },
        { [](PanelStatusBar& b) { b.setForeColorDissabled(rgb(255, 0, 0)); }, "ForeColorDissabled", true },
        { [](PanelStatusBar& b) { b.setMaskColor(rgb(255, 0, 0)); }, "MaskColor", true },
        { [](PanelStatusBar& b) { b.setFont(QFont(b.Font().family(), 12)); }, "Font", true },
        { [](PanelStatusBar& b) { b.setShowGripper(false); }, "ShowGripper", true },
        { [](PanelStatusBar& b) { b.setApperance(1); }, "Apperance", true },
        { [](PanelStatusBar& b) { b.setPanelWidth(1, 300); }, "PWidth", false },
        { [](PanelStatusBar& b) { b.setMinWidth(1, 250); }, "MinWidth", true },
        { [](PanelStatusBar& b) { b.setPanelCaption(1, u"Status: Busy"_s); }, "pText", true },
        { [](PanelStatusBar& b) { b.setPanelAutoSize(1, AutoSizeMode::Contents); }, "AutoSize", true },
        { [](PanelStatusBar& b) { b.setToolTipText(1, u"x"_s); }, "pTTText", false },
        { [&](PanelStatusBar& b) { b.setPanelPicture(1, picture); }, "PanelPicture", true },
        { [](PanelStatusBar& b) { b.setPanelEnabled(1, false); }, "pEnabled", true },
        { [](PanelStatusBar& b) { b.DeletePanel(); }, "NumberOfPanels", true },
    };
    for (const auto& [set, name, repaint] : rows) {
        Host host;
        host.bar->setPanelEnabled(2, false);
        host.bar->setPanelPicture(3, test::maskedBitmap(16, 16, Qt::red));
        host.bar->flushPendingPass();
        QSignalSpy changed(host.bar, &PanelStatusBar::PropertyChanged);
        const QImage before = host.bar->surface().image();
        set(*host.bar);
        host.bar->flushPendingPass();
        ASSERT_EQ(changed.count(), 1) << name;
        EXPECT_EQ(changed.at(0).at(0).toString(), QString::fromLatin1(name));
        EXPECT_EQ(host.bar->surface().image() != before, repaint) << name;
    }
}

TEST(StatusBarPersistence, CaptionWritesCoalesceIntoOnePassWithTheSameResult)
{
    Host eager(500, 18, 1);
    Host lazy(500, 18, 1);
    const QStringList captions { u"Found: 1"_s, u"Found: 2"_s, u"Found: 10"_s, u"Found: 11"_s };
    for (const QString& caption : captions) {
        eager.bar->setPanelCaption(2, caption);
        eager.bar->flushPendingPass();
    }
    const auto lazyPasses = lazy.bar->fullPasses() + lazy.bar->partialPasses();
    for (const QString& caption : captions)
        lazy.bar->setPanelCaption(2, caption);
    EXPECT_EQ(lazy.bar->surface().image(), eager.bar->surface().image());
    EXPECT_EQ(lazy.bar->fullPasses() + lazy.bar->partialPasses(), lazyPasses + 1)
        << "four writes, one of them changing the width, draw once, fully";
    EXPECT_EQ(lazy.bar->PanelWidth(2), eager.bar->PanelWidth(2));
    EXPECT_EQ(lazy.bar->PanelRect(3), eager.bar->PanelRect(3));
}

TEST(StatusBarPersistence, PanelsTextPropertyCarriesEveryPanel)
{
    Host host;
    host.bar->setPanelPicture(3, test::maskedBitmap(4, 4, Qt::blue));
    QWidget window;
    PanelStatusBar* copy = new PanelStatusBar(&window);
    copy->setProperty("panels", host.bar->property("panels"));
    EXPECT_EQ(copy->NumberOfPanels(), 3);
    EXPECT_EQ(copy->PanelPicture(3), host.bar->PanelPicture(3));
    EXPECT_EQ(copy->property("panels").toString(), host.bar->property("panels").toString());
    copy->setPanelsText(u"numberofpanels = int:x"_s);
    EXPECT_EQ(copy->NumberOfPanels(), 3);
}

} // namespace
} // namespace qv
