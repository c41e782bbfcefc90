#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QWidget>
#include <array>
#include <climits>
#include <functional>

#include "support/ControlsReferenceImage.h"
#include "controls/statusbar/PanelPainter.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "controls/statusbar/SubscriptOutOfRange.h"
#include "platform/gui/ImageSurface.h"
#include "platform/gui/Picture.h"
#include "platform/gui/PropertyStore.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// A bar on a hidden window with (the first panels of) the program's three NoAutoSize panels: MinWidth 185,
// 120, 120, captions "Status: Idle..", "Good: 0", "Loaded: 0" and tips "tip 1".."tip 3".
struct Host
{
    QWidget window;
    PanelStatusBar* bar = new PanelStatusBar(&window);

    explicit Host(int width = 500, int height = 18, int apperance = 0, bool captions = true, int panels = 3)
    {
        // Tahoma 8.25 pt from the installed clone when present, so text measures the same everywhere.
        static const bool tahoma
            = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")) >= 0;
        QFont font(tahoma ? QStringLiteral("Tahoma") : QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(8.25);
        bar->setFont(font);
        bar->setGeometry(0, 0, width, height);
        bar->setApperance(apperance);
        const char* texts[] = { "Status: Idle..", "Good: 0", "Loaded: 0" };
        for (int i = 0; i < panels; ++i) {
            bar->AddPanel(i ? 120 : 185, captions ? QString::fromLatin1(texts[i]) : QString(),
                QStringLiteral("tip %1").arg(i + 1), true, AutoSizeMode::NoAutoSize);
            bar->setMinWidth(i + 1, i ? 120 : 185);
        }
    }
};

void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton)
{
    const bool up = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
        up ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A bitmap filled with fill whose top-left pixel is magenta (the usual mask colour).
Picture maskedBitmap(int width, int height, QColor fill)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, 0, QColor(255, 0, 255));
    return Picture(image, Picture::Type::Bitmap);
}

// Top six: the program's three panels (the second disabled, the third with a picture whose corner
// pixel is the mask colour) in apperance 0, 1 (with captions) and 2, each with the gripper and then
// maximised without it. Last: a Contents panel with picture and caption, an icon with a transparent pixel, a
// spring panel whose caption is cut short, and a panel at its minimum width.
TEST(StatusBarDrawing, EveryApperanceMatchesTheReference)
{
    QImage gallery(500, 7 * 24, QImage::Format_RGB32);
    gallery.fill(Qt::white);
    QPainter painter(&gallery);
    int y = 0;
    for (int apperance : { 0, 1, 2 }) {
        Host host(500, 22, apperance, apperance == 1);
        host.bar->setBackColor(rgb(230, 231, 235));
        host.bar->setPanelEnabled(2, false);
        host.bar->setPanelPicture(3, maskedBitmap(16, 16, Qt::red));
        for (bool maximised : { false, true }) {
            host.window.setWindowState(maximised ? Qt::WindowMaximized : Qt::WindowNoState);
            EXPECT_EQ(host.bar->GripperAllowed(), !maximised);
            painter.drawImage(0, y, host.bar->surface().image());
            y += 24;
        }
    }
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(QColor(0, 0, 255));
    icon.setPixelColor(5, 5, QColor(0, 0, 0, 0));
    Host last(400, 22, 1, false, 0);
    PanelStatusBar* bar = last.bar;
    bar->AddPanel(0, u"Abc"_s, QString(), true, AutoSizeMode::Contents, maskedBitmap(16, 16, Qt::red));
    bar->AddPanel(80, u"Icon"_s, QString(), true, AutoSizeMode::NoAutoSize, Picture(icon, Picture::Type::Icon));
    bar->AddPanel(0, u"Spring panel with a long caption that will not fit"_s, QString(), true, AutoSizeMode::Spring);
    bar->AddPanel(0, u"Minimum"_s, QString(), true, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(2, 80);
    bar->setMinWidth(4, 90);
    painter.drawImage(0, y, bar->surface().image());
    painter.end();
    EXPECT_TRUE(test::matchesReference(gallery, QStringLiteral(QV_STATUSBAR_REFERENCE_DIR "/statusbar-looks.png")));
}

// Spring panels share the rest, rounding to even; Contents panels follow picture and caption. The back
// colour reads back resolved once the first panel is filled.
TEST(StatusBarDrawing, SpringAndContentsPanelWidths)
{
    Host host(400, 18, 0, false, 0);
    PanelStatusBar* bar = host.bar;
    bar->DrawStatusBar(true);
    EXPECT_EQ(bar->BackColor(), 0x8000000Fu) << "no panel, no fill";
    bar->AddPanel(10, QString(), QString(), true, AutoSizeMode::Spring);
    EXPECT_EQ(bar->BackColor(), systemColor(SysColor::ButtonFace));
    bar->AddPanel(10, QString(), QString(), true, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(2, 100);
    EXPECT_EQ(QPoint(bar->PanelWidth(1), bar->PanelWidth(2)), QPoint(285, 100))
        << "400 - 100 - 15 for the gripper";
    host.window.setWindowState(Qt::WindowMaximized);
    EXPECT_EQ(bar->PanelWidth(1), 300);
    host.window.setWindowState(Qt::WindowNoState);
    bar->setShowGripper(false);
    EXPECT_EQ(bar->PanelWidth(1), 300);

    // Two springs over 101, 105 and 107 pixels: 50.5, 52.5 and 53.5 go to the even neighbour.
    bar->setPanelAutoSize(2, AutoSizeMode::Spring);
    for (auto [width, share] : { std::pair { 101, 50 }, { 105, 52 }, { 107, 54 } }) {
        bar->resize(width, 18);
        bar->DrawStatusBar(true);
        EXPECT_EQ(QPoint(bar->PanelWidth(1), bar->PanelWidth(2)), QPoint(share, share)) << width;
        EXPECT_EQ(bar->PanelRect(2).left, share);
    }

    // A picture wider than the share wins; so does the zero width of no picture over a negative share.
    bar->resize(20, 18);
    bar->setPanelPicture(1, maskedBitmap(16, 16, Qt::red));
    EXPECT_EQ(QPoint(bar->PanelWidth(1), bar->PanelWidth(2)), QPoint(16, 10));
    bar->setPanelAutoSize(2, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(2, 150);
    bar->setPanelPicture(1, Picture());
    EXPECT_EQ(QPoint(bar->PanelWidth(1), bar->PanelRect(2).left), QPoint(0, 0));

    // Widths at the limits of int are clamped, so the panels after them still follow in order.
    const int third = bar->AddPanel(10, u"after"_s, QString(), true, AutoSizeMode::NoAutoSize);
    bar->setMinWidth(third, 40);
    for (int apperance : { 1, 0 }) {
        bar->setApperance(apperance);
        for (int extreme : { INT_MAX, INT_MIN }) {
            bar->setMinWidth(2, extreme);
            EXPECT_EQ(bar->PanelRect(third).left > bar->PanelRect(2).left, extreme > 0) << extreme;
            EXPECT_EQ(bar->PanelWidth(1) == 0, extreme > 0) << "the spring takes what is left";
            bar->setPanelAutoSize(1, AutoSizeMode::NoAutoSize);
            EXPECT_EQ(bar->PanelRect(third).left > bar->PanelRect(2).left, extreme > 0) << extreme;
            bar->setPanelAutoSize(1, AutoSizeMode::Spring);
        }
    }

    bar->setPanelAutoSize(1, AutoSizeMode::Contents);
    EXPECT_EQ(bar->PanelWidth(1), 0);
    bar->setPanelPicture(1, maskedBitmap(16, 16, Qt::red));
    EXPECT_EQ(bar->PanelWidth(1), 22) << "round(15.99 + 6)";
    bar->setPanelPicture(1, Picture());
    // Prefix characters count as they are measured, not as drawn (a caption beside a picture is in
    // the reference picture).
    bar->setPanelCaption(1, u"A&b"_s);
    EXPECT_EQ(bar->PanelWidth(1), bar->surface().textWidth(u"A&b"_s) + 12);
}

// The straight-line shortcut of DrawPenLine covers exactly the pixels of the surface's own lines.
TEST(StatusBarDrawing, PenLinesMatchTheSurfaceLineRule)
{
    const std::array<int, 5> lines[] = { { 0, 0, 12, 0, 1 }, { 0, 5, 12, 5, 2 }, { 12, 7, 3, 7, 2 },
        { -3, 11, 20, 11, 3 }, { 4, 0, 4, 9, 1 }, { 6, 9, 6, 1, 2 }, { 15, -2, 15, 30, 2 }, { 8, 8, 8, 8, 2 },
        { 1, 1, 9, 9, 1 }, { 3, 3, 4, 3, 0 }, { INT_MIN, 5, INT_MAX, 5, 2 }, { INT_MAX, 6, INT_MIN, 6, 1 },
        { 7, INT_MAX, 7, INT_MIN, 2 }, { INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1 } };
    for (const auto [x1, y1, x2, y2, width] : lines) {
        ImageSurface viaHelper(16, 14), direct(16, 14);
        PanelPainter::DrawPenLine(viaHelper, x1, y1, x2, y2, rgb(200, 10, 10), width);
        direct.drawLine(x1, y1, x2, y2, rgb(200, 10, 10), width);
        EXPECT_EQ(viaHelper.image(), direct.image()) << x1 << "," << y1 << " w" << width;
    }
    // The surface takes rectangles reaching to the limits of int as the parts it shows.
    ImageSurface surface(16, 14);
    surface.frameRect({ INT_MIN, 2, INT_MAX, 5 }, rgb(200, 10, 10));
    EXPECT_EQ(surface.pixel(3, 4), rgb(200, 10, 10));
    surface.drawText(u"x"_s, { INT_MIN, INT_MIN, INT_MAX, INT_MAX }, TextFormat::WordEllipsis, 0);
    surface.drawFocusRect({ INT_MIN, 8, INT_MAX, 10 }, 0);
}

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
    bar.setPanelPicture(1, maskedBitmap(16, 16, Qt::red));
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

    // A deleted panel's record stays in the array but is not saved; two deletes then one add shrink it.
    bar.setMinWidth(3, 133);
    bar.DeletePanel();
    EXPECT_EQ(bar.MinWidth(3), 133);
    EXPECT_FALSE(roundTrip().contains(u"minwidth3"_s));
    bar.DeletePanel();
    EXPECT_EQ(bar.AddPanel(10, QString(), QString(), true, AutoSizeMode::NoAutoSize), 2);
    EXPECT_THROW(bar.setMinWidth(3, 1), SubscriptOutOfRange);
}

// Panel 2 keeps what came before its missing key (a missing enabled reads as false), nothing after it.
TEST(StatusBarPersistence, LoadingStopsAtTheFirstMissingPanelKey)
{
    const std::pair<QString, const char*> rows[] = { { u"pEnabled2"_s, "77 0 tip 2 Good: 0 0 0" },
        { u"PanelPicture2"_s, "77 1 tip 2 Good: 0 2 0" } };
    for (const auto& [missing, loaded] : rows) {
        Host host;
        host.bar->setPanelAutoSize(2, AutoSizeMode::Contents);
        host.bar->setPanelPicture(2, maskedBitmap(8, 8, Qt::red));
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
    EXPECT_EQ(std::tuple(bar.BackColor(), bar.ForeColor(), bar.MaskColor()),
        std::tuple(rgb(10, 20, 30), 0x80000012u, rgb(255, 0, 255)));
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
    EXPECT_EQ(std::pair(bar.fullPasses(), bar.partialPasses()), std::pair(full, partial + 1));
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
    const Picture picture = maskedBitmap(16, 16, Qt::blue);
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
        host.bar->setPanelPicture(3, maskedBitmap(16, 16, Qt::red));
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

// The three shaded panels at width 500: rectangles (2..183), (187..303), (307..423), rows 5..13;
// the gripper at x 485..499, rows 3..17. Logs "d1" for a press in panel 1, "c1" a click, "w1" a double click.
struct MouseHost : Host
{
    std::string log;
    std::vector<QWidget*> resized;

    MouseHost()
        : Host(500, 18, 1)
    {
        bar->setResizeStarter([this](QWidget* window) { resized.push_back(window); });
        QObject::connect(bar, &PanelStatusBar::MouseDownInPanel, [this](int i) { add('d', i); });
        QObject::connect(bar, &PanelStatusBar::Click, [this](int i) { add('c', i); });
        QObject::connect(bar, &PanelStatusBar::DblClick, [this](int i) { add('w', i); });
    }
    void add(char event, int panel) { log += (log.empty() ? "" : " ") + (event + std::to_string(panel)); }
    void click(QPointF pos, Qt::MouseButton button = Qt::LeftButton)
    {
        sendMouse(bar, QEvent::MouseButtonPress, pos, button);
        sendMouse(bar, QEvent::MouseButtonRelease, pos, button);
    }
};

// Pixel positions round to even: 1.5 lands on 2 (inside), 182.5 on 182 (inside), 183.5 on 184 (the
// separator). Panel 2 is disabled.
TEST(StatusBarMouse, PressesInsideEnabledPanelsRaiseEventsAndTheGripperStartsTheResize)
{
    const std::tuple<QPointF, Qt::MouseButton, const char*> rows[] = { { { 100, 9 }, Qt::LeftButton, "d1 c1" },
        { { 422, 13 }, Qt::LeftButton, "d3 c3" }, { { 1.5, 9 }, Qt::LeftButton, "d1 c1" },
        { { 182.5, 9 }, Qt::LeftButton, "d1 c1" }, { { 183.5, 9 }, Qt::LeftButton, "" },
        { { 100, 14 }, Qt::LeftButton, "" }, { { 200, 9 }, Qt::LeftButton, "" }, { { 100, 9 }, Qt::RightButton, "" } };
    MouseHost host;
    host.bar->setPanelEnabled(2, false);
    for (const auto& [at, button, events] : rows) {
        host.log.clear();
        host.click(at, button);
        EXPECT_EQ(host.log, events) << at.x() << "," << at.y();
        EXPECT_EQ(host.bar->CurrentPanel(), host.log.empty() ? 0 : host.log[1] - '0') << at.x();
    }
    host.log.clear();
    sendMouse(host.bar, QEvent::MouseButtonDblClick, { 200, 9 });
    host.click({ 250, 9 });
    EXPECT_EQ(host.log, "") << "nothing from a disabled panel";

    // A double click raises one click and one double click; a panel disabled between press and
    // release raises no click.
    host.bar->setPanelEnabled(2, true);
    host.click({ 250, 9 });
    sendMouse(host.bar, QEvent::MouseButtonDblClick, { 250, 9 });
    sendMouse(host.bar, QEvent::MouseButtonRelease, { 250, 9 });
    sendMouse(host.bar, QEvent::MouseButtonPress, { 100, 9 });
    host.bar->setPanelEnabled(1, false);
    sendMouse(host.bar, QEvent::MouseButtonRelease, { 100, 9 });
    EXPECT_EQ(host.log, "d2 c2 w2 d1");

    // The gripper gives the sizing pointer and starts the window's resize; tips follow the pointer.
    host.log.clear();
    auto sizingAt = [&](QPointF at) {
        sendMouse(host.bar, QEvent::MouseMove, at);
        return host.bar->cursor().shape() == Qt::SizeFDiagCursor;
    };
    EXPECT_TRUE(sizingAt({ 495, 15 }));
    EXPECT_FALSE(sizingAt({ 100, 9 }));
    EXPECT_EQ(host.bar->toolTip(), u"tip 1"_s);
    host.bar->setPanelEnabled(3, false);
    sizingAt({ 400, 9 });
    EXPECT_EQ(host.bar->toolTip(), u"tip 3"_s) << "disabled panels show their tip too";

    host.click({ 495, 15 }, Qt::RightButton);
    host.click({ 495, 15 });
    EXPECT_EQ(host.resized, std::vector<QWidget*> { &host.window });
    EXPECT_EQ(host.log, "");

    // A gripper that is not drawn has no hot spot: maximised and widened, the old corner belongs to
    // the spring panel that now reaches across it.
    host.bar->setPanelAutoSize(3, AutoSizeMode::Spring);
    host.bar->setPanelEnabled(3, true);
    host.window.setWindowState(Qt::WindowMaximized);
    host.bar->resize(800, 18);
    EXPECT_FALSE(sizingAt({ 490, 9 }));
    host.click({ 490, 9 });
    EXPECT_EQ(host.resized.size(), 1u);
    EXPECT_EQ(host.log, "d3 c3");
    host.window.setWindowState(Qt::WindowNoState);
    // Resized one side at a time, the bar draws over all of its new size, the gripper in the new corner.
    for (QSize size : { QSize(790, 18), QSize(790, 20) }) {
        host.bar->resize(size);
        host.bar->DrawStatusBar(true);
        EXPECT_EQ(host.bar->surface().image().size(), size);
    }
    EXPECT_EQ(host.bar->GripperRect(), (Rect { 775, 5, 790, 20 }));
    host.click({ 785, 15 });
    EXPECT_EQ(host.resized.size(), 2u) << "drawn again in the new corner";
    host.bar->setShowGripper(false);
    EXPECT_FALSE(sizingAt({ 785, 15 }));
    host.click({ 785, 15 });
    EXPECT_EQ(host.resized.size(), 2u);

    // A bar that is its own window has no window to resize.
    PanelStatusBar alone;
    alone.resize(200, 18);
    alone.DrawStatusBar(true);
    alone.setResizeStarter([](QWidget*) { ADD_FAILURE() << "a resize without a window"; });
    sendMouse(&alone, QEvent::MouseButtonPress, { 195, 15 });
}

// A screen reader finds a status bar whose children are the panels, named by their captions.
TEST(StatusBarAccessibility, PanelsAreNamedChildrenOfAStatusBar)
{
    Host host(500, 18, 1);
    host.window.show();
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(host.bar);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::StatusBar);
    ASSERT_EQ(bar->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* panel = bar->child(i);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->text(QAccessible::Name), host.bar->PanelCaption(i + 1));
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
// Steps at a clock time: "1text" writes a caption to panel 1, "a" runs the announcement timer's tick;
// then, per tick, the panels named ("-" none).
TEST(StatusBarAccessibility, AnnouncesStatusAndCountAtMostOnceASecond)
{
    using Steps = std::vector<std::pair<const char*, qint64>>;
    const std::pair<Steps, const char*> rows[] = {
        { { { "1Status: Scanning..", 0 }, { "a", 0 } }, "1" },
        { { { "2Found: 1", 0 }, { "1Status: Scanning..", 0 }, { "a", 0 } }, "12" },
        { { { "1Status: Idle..", 0 }, { "2Good: 0", 0 }, { "3Loaded: 9", 0 }, { "a", 0 } }, "-" },
        { { { "2Found: 1", 0 }, { "a", 0 }, { "2Found: 2", 10 }, { "a", 999 }, { "a", 1000 } }, "2 - 2" },
        { { { "2Found: 1", 0 }, { "a", 0 }, { "2Found: 2", 10 }, { "2Found: 1", 20 }, { "a", 1000 } },
            "2 2" },
        { { { "3Loaded: 5", 0 }, { "a", 0 } }, "-" },
    };
    for (const auto& [steps, expected] : rows) {
        Host host;
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
        for (const auto& [step, at] : steps) {
            now = at;
            if (step[0] == 'a') {
                panels.clear();
                host.bar->announcePending();
                announced += (announced.empty() ? "" : " ") + (panels.empty() ? std::string("-") : panels);
            } else {
                host.bar->setPanelCaption(step[0] - '0', QString::fromLatin1(step + 1));
            }
        }
        EXPECT_EQ(announced, expected) << steps.front().first;
    }
}

} // namespace
} // namespace qv
