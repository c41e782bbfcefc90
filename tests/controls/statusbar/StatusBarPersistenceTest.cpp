#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <functional>

#include "StatusBarTestUtil.h"
#include "controls/statusbar/SubscriptOutOfRange.h"
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
    EXPECT_EQ(copy.PanelAutoSize(1), AutoSizeMode::NoAutoSize);

    bar.setApperance(1);
    bar.setPanelAutoSize(2, AutoSizeMode::Spring);
    bar.setPanelPicture(1, test::maskedBitmap(16, 16, Qt::red));
    bar.setMaskColor(rgb(0, 255, 0));
    bar.setShowGripper(false);
    bar.setForeColor(rgb(1, 2, 3));
    const QStringList more = roundTrip();
    EXPECT_TRUE(more.contains(u"apperance"_s) && more.contains(u"autosize2"_s) && !more.contains(u"autosize1"_s));
    EXPECT_EQ(copy.PanelPicture(1), bar.PanelPicture(1));
    bar.setPanelAutoSize(2, AutoSizeMode::NoAutoSize);
    bar.setApperance(0);
    EXPECT_EQ(roundTrip(), keys) << "a value changed back to its default drops its key";

    // The panels text property carries the same; a bad text changes nothing.
    copy.setProperty("panels", bar.property("panels"));
    EXPECT_EQ(copy.PanelPicture(1), bar.PanelPicture(1));
    EXPECT_EQ(copy.property("panels").toString(), bar.property("panels").toString());
    copy.setPanelsText(u"numberofpanels = int:x"_s);
    EXPECT_EQ(copy.NumberOfPanels(), 3);
}

// Panel 2 keeps what came before its missing key (a missing enabled reads as false), nothing after it.
TEST(StatusBarPersistence, LoadingStopsAtTheFirstMissingPanelKey)
{
    const std::pair<QString, const char*> rows[] = { { u"pEnabled2"_s, "77 0 tip 2 Good: 0 0 0" },
        { u"PanelPicture2"_s, "77 1 tip 2 Good: 0 2 0" } };
    for (const auto& [missing, loaded] : rows) {
        Host host;
        host.bar->setPanelAutoSize(2, AutoSizeMode::Contents);
        host.bar->setPanelPicture(2, test::maskedBitmap(8, 8, Qt::red));
        MemoryPropertyStore store;
        host.bar->WriteProperties(store);
        store.write(u"PWidth2"_s, std::int32_t { 77 });
        store.remove(missing);
        Host copy(500, 18, 0, false);
        copy.bar->ReadProperties(store);
        const PanelStatusBar& b = *copy.bar;
        EXPECT_EQ(u"%1 %2 %3 %4 %5 %6"_s.arg(b.PanelWidth(2)).arg(int(b.PanelEnabled(2))).arg(b.ToolTipText(2),
                      b.PanelCaption(2)).arg(int(b.PanelAutoSize(2))).arg(b.MinWidth(3)).toStdString(), loaded);
        EXPECT_TRUE(b.PanelPicture(2).isNull() && b.PanelCaption(3).isEmpty()) << missing.toStdString();
        // The queued pass then draws what was loaded.
        QCoreApplication::processEvents();
        const bool contents = b.PanelAutoSize(2) == AutoSizeMode::Contents;
        EXPECT_EQ(b.PanelWidth(2), contents ? b.surface().textWidth(u"Good: 0"_s) + 12 : 120);
    }
}

TEST(StatusBarPersistence, BadValuesEndTheLoadingAndIndexesOutsideThePanelsThrow)
{
    Host host;
    PanelStatusBar& bar = *host.bar;
    for (int index : { 0, -1, 4, 1 << 30 }) {
        EXPECT_THROW((void)bar.PanelCaption(index), SubscriptOutOfRange) << index;
        EXPECT_THROW(bar.setPanelCaption(index, u"x"_s), SubscriptOutOfRange) << index;
        EXPECT_THROW(bar.setPanelPicture(index, Picture()), SubscriptOutOfRange) << index;
    }

    MemoryPropertyStore wrongType;
    wrongType.write(u"BackColor"_s, ColorValue { rgb(10, 20, 30) });
    wrongType.write(u"ForeColor"_s, u"red"_s);
    wrongType.write(u"MaskColor"_s, ColorValue { rgb(1, 1, 1) });
    bar.ReadProperties(wrongType);
    EXPECT_EQ(bar.BackColor(), rgb(10, 20, 30));
    EXPECT_EQ(bar.ForeColor(), 0x80000012u);
    EXPECT_EQ(bar.MaskColor(), rgb(255, 0, 255));
    EXPECT_EQ(bar.PanelCaption(3), u"Loaded: 0"_s);

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

// A deleted panel's record stays in the array but is not saved; two deletes then one add shrink the array.
TEST(StatusBarPersistence, DeletedRecordsAreKeptUnsavedUntilAnAddShrinksTheArray)
{
    Host host(500, 18, 0, false);
    PanelStatusBar& bar = *host.bar;
    bar.setMinWidth(3, 133);
    bar.DeletePanel();
    EXPECT_EQ(bar.MinWidth(3), 133);
    MemoryPropertyStore store;
    bar.WriteProperties(store);
    EXPECT_FALSE(store.contains(u"minwidth3"_s));
    bar.DeletePanel();
    EXPECT_EQ(bar.AddPanel(10, QString(), QString(), true, AutoSizeMode::NoAutoSize), 2);
    EXPECT_THROW(bar.setMinWidth(3, 1), SubscriptOutOfRange);
}

// A caption of the same width takes a partial pass, another width a full one; either gives the image
// of a full pass (descenders reaching into the band below shaded panels included), and writes between
// two passes coalesce into one.
TEST(StatusBarPersistence, CaptionChoosesFullOrPartialPassByMeasuredWidth)
{
    Host host, lazy;
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

    const auto lazyPasses = lazy.bar->fullPasses() + lazy.bar->partialPasses();
    for (const QString& caption : { u"Found: 1"_s, u"Found: 2"_s, u"Found: 10"_s })
        lazy.bar->setPanelCaption(2, caption);
    EXPECT_EQ(lazy.bar->surface().image(), bar.surface().image());
    EXPECT_EQ(lazy.bar->fullPasses() + lazy.bar->partialPasses(), lazyPasses + 1);
    EXPECT_EQ(lazy.bar->PanelRect(3), bar.PanelRect(3));
    // A caption is placed by its own height, whatever the caption before it was.
    Host fresh(500, 18, 0, false);
    for (const auto& [panel, caption] : { std::pair { 1, u"Status: Idle.."_s }, { 2, u"Found:\n10"_s }, { 3, u"Loaded: 0"_s } })
        fresh.bar->setPanelCaption(panel, caption);
    bar.setPanelCaption(2, u"Found:\n10"_s);
    EXPECT_EQ(fresh.bar->surface().image(), bar.surface().image());

    for (int apperance : { 0, 1 }) {
        bar.setApperance(apperance);
        bar.setPanelCaption(1, u"Status: Checking gggg"_s);
        ASSERT_EQ(bar.surface().textWidth(u"Status: Checking gggg"_s),
            bar.surface().textWidth(u"Status: Checking pppp"_s));
        bar.setPanelCaption(1, u"Status: Checking pppp"_s);
        const QImage partialImage = bar.surface().image();
        bar.DrawStatusBar(true);
        EXPECT_EQ(partialImage, bar.surface().image()) << apperance;
    }
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

} // namespace
} // namespace qv
