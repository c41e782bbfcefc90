#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "support/ControlsReferenceImage.h"
#include "controls/button/ButtonRenderer.h"
#include "controls/button/ButtonStoredSettings.h"
#include "controls/button/HandCursor.h"
#include "controls/button/StyleButton.h"
#include "platform/gui/Picture.h"

using namespace qv;
using namespace qv::test;
using namespace Qt::StringLiterals;

namespace {

QFont pinnedFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8.25);
    return font;
}

// A renderer of the given style and size in the fixed grey scheme (face C0C0C0, shadow 808080), shown,
// colours derived.
void setUpRenderer(ButtonRenderer& renderer, int style, int width, int height, const QString& caption = {})
{
    ButtonSettings& s = renderer.settings();
    s.buttonType = style;
    s.colorScheme = 3;
    s.caption = caption;
    s.font = pinnedFont();
    renderer.setShown(true);
    renderer.setColors();
    renderer.calcPictureSize();
    renderer.setSize(width, height);
}

// A bitmap picture of the given pixels, row by row.
Picture bitmapOf(int width, int height, const std::vector<Rgb>& pixels)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixels[static_cast<std::size_t>(y * width + x)];
            image.setPixel(x, y, qRgb(redOf(c), greenOf(c), blueOf(c)));
        }
    return Picture(image, Picture::Type::Bitmap);
}

// A red disc with a dark rim on the default mask colour.
Picture samplePicture(int size = 16)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(0x40, 0x00, 0x00), 2));
    painter.setBrush(QColor(0xE0, 0x20, 0x20));
    painter.drawEllipse(QRect(2, 2, size - 4, size - 4));
    painter.end();
    return Picture(image, Picture::Type::Bitmap);
}

enum Look { Normal, Hover, Pressed, PressedNotOver, Disabled, Focused, Default, PressedDefault };

// One button drawn over a parent of colour 0x123456; variant 0 has no picture, 1-7 a red 4 x 4 picture:
// plain, with a green hover picture, greyscale, raised, sunken, shadowed, and the green hover one alone.
QImage drawn(int style, Look look, int variant, int width, int height, const QString& caption = {},
    const std::function<void(ButtonRenderer&)>& more = {})
{
    ButtonRenderer r;
    ButtonSettings& s = r.settings();
    if (variant > 0 && variant < 7)
        s.pictureNormal = bitmapOf(4, 4, std::vector<Rgb>(16, 0x0000FF));
    if (variant == 2 || variant == 7)
        s.pictureOver = bitmapOf(4, 4, std::vector<Rgb>(16, 0x00FF00));
    s.useGreyscale = variant == 3;
    s.specialEffect = variant >= 4 && variant <= 6 ? variant - 3 : 0;
    s.enabled = look != Disabled;
    setUpRenderer(r, style, width, height, caption);
    if (more) {
        more(r);
        r.setColors();
        r.calcPictureSize();
        r.calcTextRects();
    }
    QImage parent(width, height, QImage::Format_RGB32);
    parent.fill(QColor(0x56, 0x34, 0x12));
    r.setParentBackground(parent);
    r.setOver(look == Hover || look == Pressed);
    r.setFocused(look == Focused);
    r.setDefaultButton(look == Default || look == PressedDefault);
    r.redraw(look == Pressed || look == PressedNotOver || look == PressedDefault ? 2 : 0, true);
    return r.image();
}

// A shown button in a window, with a scripted pointer probe and a log of the events it raises.
class ButtonHarness : public testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 100);
        button = new StyleButton(window.get());
        button->setButtonType(StyleButton::ThinBevel);
        button->setCaption(u"Edit"_s);
        button->setGeometry(10, 10, 80, 24);
        button->setPointerProbe([this] { return pointerOver; });
        watch(button);
        window->show();
        log.clear();
    }

    // Logs the events of b, each name after prefix.
    void watch(StyleButton* b, const std::string& prefix = {})
    {
        auto add = [this, prefix](const std::string& entry) {
            log += (log.empty() ? "" : " ") + prefix + entry;
            if (onEvent)
                onEvent(prefix + entry);
        };
        // The first argument (the mouse button or the key code) after the name.
        auto with = [add](const char* name) {
            return [add, name](int n, auto...) { add(name + std::to_string(n)); };
        };
        QObject::connect(b, &StyleButton::Click, [add] { add("Click"); });
        QObject::connect(b, &StyleButton::MouseDown, with("MouseDown"));
        QObject::connect(b, &StyleButton::MouseMove, with("MouseMove"));
        QObject::connect(b, &StyleButton::MouseUp, with("MouseUp"));
        QObject::connect(b, &StyleButton::KeyDown, with("KeyDown"));
        QObject::connect(b, &StyleButton::KeyPress, with("KeyPress"));
        QObject::connect(b, &StyleButton::KeyUp, with("KeyUp"));
        QObject::connect(b, &StyleButton::MouseOver, [add] { add("MouseOver"); });
        QObject::connect(b, &StyleButton::MouseOut, [add] { add("MouseOut"); });
    }

    // Events to a button a handler deleted go nowhere.
    void mouse(QEvent::Type type, Qt::MouseButton which, Qt::MouseButtons held, QPoint at = { 20, 10 },
        QWidget* target = nullptr)
    {
        target = target ? target : button.data();
        if (!target)
            return;
        QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), which, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    void move(Qt::MouseButtons held, QPoint at = { 20, 10 }) { mouse(QEvent::MouseMove, Qt::NoButton, held, at); }
    void press(Qt::MouseButton which) { mouse(QEvent::MouseButtonPress, which, which); }
    void release(Qt::MouseButton which, QPoint at = { 20, 10 })
    {
        mouse(QEvent::MouseButtonRelease, which, Qt::NoButton, at);
    }
    // True when the button (or a widget above it) took the key.
    bool key(QEvent::Type type, int k, const QString& text = {}, bool autoRepeat = false,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (!button)
            return true;
        QKeyEvent event(type, k, modifiers, text, autoRepeat);
        QApplication::sendEvent(button, &event);
        return event.isAccepted();
    }
    Rgb edge(int inset = 0) const { return button->renderer().surface().pixel(inset, inset ? inset : 10); }
    const ButtonPalette& palette() const { return button->renderer().palette(); }

    std::unique_ptr<QWidget> window;
    QPointer<StyleButton> button;
    bool pointerOver = true;
    std::string log; // the events raised, in order
    std::function<void(const std::string&)> onEvent; // called after each entry is logged
};

} // namespace

TEST(ButtonGeometry, RedrawSkipsUnchangedPaintsAndZeroHeight)
{
    ButtonRenderer r;
    setUpRenderer(r, 7, 60, 24);
    EXPECT_TRUE(r.redraw(2, false));
    EXPECT_FALSE(r.redraw(2, false));
    EXPECT_TRUE(r.redraw(2, true));
    EXPECT_TRUE(r.redraw(0, false));
    r.settings().caption = QStringLiteral("New");
    EXPECT_TRUE(r.redraw(0, false));
    r.setShown(false);
    EXPECT_FALSE(r.redraw(2, true));

    ButtonRenderer flat;
    setUpRenderer(flat, 7, 60, 0);
    EXPECT_FALSE(flat.redraw(0, true));
}

// One blit onto a 4 x 1 surface filled with one colour; the blends and brushes the button pictures use
// are in the reference picture.
TEST(ButtonPictures, TransBltCombinesPictureMaskBrushAndBlend)
{
    const Picture blue2 = bitmapOf(2, 1, { 0x0000FF, 0x0000FF });
    QImage iconImage(2, 1, QImage::Format_ARGB32); // a transparent pixel and a blue one
    iconImage.setPixel(0, 0, qRgba(0, 0, 0, 0));
    iconImage.setPixel(1, 0, qRgba(0, 0, 255, 255));
    const Picture icon(iconImage, Picture::Type::Icon);
    // What, fill, x, width, height, picture, transparent colour, brush, mono, grey, blend, use the mask
    // colour, and the pixels after.
    using Row = std::tuple<const char*, Rgb, int, int, int, Picture, Rgb, std::optional<Rgb>, bool, bool,
        bool, bool, std::vector<Rgb>>;
    const Row rows[] = {
        { "greyscale weights", 0xFFFFFF, 0, 3, 1, bitmapOf(3, 1, { 0x0000FF, 0x00FF00, 0xFF0000 }), 0xC0C0C0,
            {}, false, true, false, true, { 0x4C4C4C, 0x969696, 0x1C1C1C, 0xFFFFFF } },
        { "mono mask", 0x00FF00, 0, 4, 1, bitmapOf(4, 1, { 0xFFFFFF, 0, 0x818181, 0x808080 }), 0x123456,
            0x0000FF, true, false, false, true, { 0x00FF00, 0x0000FF, 0x00FF00, 0x0000FF } },
        { "mask colour drawn", 0x00FF00, 0, 2, 1, bitmapOf(2, 1, { 0xC0C0C0, 0x112233 }), 0xC0C0C0, {}, false,
            false, false, false, { 0xC0C0C0, 0x112233, 0x00FF00, 0x00FF00 } },
        { "icon by alpha", 0x00FF00, 0, 2, 1, icon, 0xFF00FF, {}, false, false, false, true,
            { 0x00FF00, 0xFF0000, 0x00FF00, 0x00FF00 } },
        { "icon on mask colour", 0x00FF00, 0, 2, 1, icon, 0xFF00FF, {}, false, false, false, false,
            { 0xFF00FF, 0xFF0000, 0x00FF00, 0x00FF00 } },
        { "clipped", 0x00FF00, 3, 2, 1, blue2, 0xC0C0C0, {}, false, false, false, true,
            { 0x00FF00, 0x00FF00, 0x00FF00, 0x0000FF } },
        { "own size", 0x00FF00, 0, -1, -1, blue2, 0xC0C0C0, {}, false, false, false, true,
            { 0x0000FF, 0x0000FF, 0x00FF00, 0x00FF00 } },
    };
    for (const auto& [what, fill, x, w, h, pic, clear, brush, mono, grey, blend, useMask, want] : rows) {
        ButtonRenderer r;
        setUpRenderer(r, 10, 4, 1);
        r.settings().maskColor = 0xFF00FF;
        r.settings().useMaskColor = useMask;
        r.surface().fillRect({ 0, 0, 4, 1 }, fill);
        r.transBlt(x, 0, w, h, pic, clear, brush, mono, grey, blend);
        EXPECT_EQ(r.surface().readPixels({ 0, 0, 4, 1 }), want) << what;
    }
}

// Top left: styles 0-15 (rows) in the eight looks (columns, in the order of Look), 60 x 24 each.
// Right: the picture variants (columns 1-7) of styles 3, 5, 6, 9 and 10 in the looks Normal, Hover,
// PressedNotOver, Pressed and Disabled (five rows a style), 20 x 20 each. Below: captions (style 5
// hovered, pressed, focused; 7 hovered, pressed; 14 normal, default, pressed default); a picture left,
// right, above, below and behind the caption; a gradient of height 25, a default and a bold "Save
// Changes" in style 14 (alike); the window shape of styles 0-15 (black inside) and of the ellipse. Last,
// the colour schemes (rows: custom, custom with soft bevel, system, unknown, container) in styles 2,
// 2 pressed, 3, 4, 9 hovered, 14, 7 hovered with caption, 1, 13 pressed and 7 with a picture; at the
// bottom right, the hand pointer.
TEST(ButtonStyles, EveryStyleLookAndPictureEffectMatchesTheReference)
{
    QImage gallery(654, 680, QImage::Format_RGB32);
    gallery.fill(Qt::white);
    QPainter painter(&gallery);
    for (int style = 0; style <= 15; ++style)
        for (int look = Normal; look <= PressedDefault; ++look)
            painter.drawImage(look * 62, style * 26, drawn(style, Look(look), 0, 60, 24));
    int row = 0;
    for (int style : { 3, 5, 6, 9, 10 })
        for (Look look : { Normal, Hover, PressedNotOver, Pressed, Disabled }) {
            for (int variant = 1; variant <= 7; ++variant)
                painter.drawImage(500 + (variant - 1) * 22, row * 22, drawn(style, look, variant, 20, 20));
            ++row;
        }
    const std::pair<int, Look> captioned[] = { { 5, Hover }, { 5, Pressed }, { 5, Focused }, { 7, Hover },
        { 7, Pressed }, { 14, Normal }, { 14, Default }, { 14, PressedDefault } };
    for (int i = 0; i < 8; ++i)
        painter.drawImage(i * 62, 418, drawn(captioned[i].first, captioned[i].second, 0, 60, 24, u"Save"_s));
    for (int position = 0; position <= 4; ++position)
        painter.drawImage(position * 98, 444, drawn(7, Normal, 0, 96, 40, u"Go"_s, [position](ButtonRenderer& r) {
            r.settings().pictureNormal = samplePicture(16), r.settings().picturePosition = position;
        }));
    painter.drawImage(0, 486, drawn(3, Normal, 0, 60, 25));
    painter.drawImage(62, 486, drawn(14, Default, 0, 90, 24, u"Save Changes"_s));
    painter.drawImage(154, 486, drawn(14, Normal, 0, 90, 24, u"Save Changes"_s, [](ButtonRenderer& r) {
        r.settings().font.setBold(true);
    }));
    for (int scheme = 0; scheme < 5; ++scheme) {
        const auto colours = [scheme](ButtonRenderer& r) {
            ButtonSettings& s = r.settings();
            s.colorScheme = std::array { 2, 2, 1, 9, 4 }[scheme];
            s.backColor = 0x336699, s.foreColor = 0x0000FF, s.foreOver = 0x00FF00, s.maskColor = 0xFF00FF;
            s.softBevel = scheme == 1;
            r.setContainerColors(0x405060, 0x0A0B0C);
        };
        const std::tuple<int, Look, QString> cells[] = { { 2, Normal, {} }, { 2, Pressed, {} }, { 3, Normal, {} },
            { 4, Normal, {} }, { 9, Hover, {} }, { 14, Normal, {} }, { 7, Hover, u"Go"_s }, { 1, Normal, {} },
            { 13, Pressed, {} } };
        int x = 0;
        for (const auto& [style, look, caption] : cells)
            painter.drawImage(x, 560 + scheme * 24, drawn(style, look, 0, 50, 22, caption, colours)), x += 52;
        painter.drawImage(x, 560 + scheme * 24, drawn(7, Normal, 0, 50, 22, u"Go"_s, [&](ButtonRenderer& r) {
            colours(r), r.settings().pictureNormal = samplePicture(16);
        }));
    }
    for (int style = 0; style <= 16; ++style) {
        ButtonRenderer r;
        const bool ellipse = style == 16;
        setUpRenderer(r, ellipse ? 13 : style, ellipse ? 40 : 20, ellipse ? 20 : 10);
        painter.setClipRegion(r.makeRegion().translated(style * 22, 514));
        painter.fillRect(style * 22, 514, 40, 20, Qt::black);
    }
    painter.setClipping(false);
    painter.drawImage(560, 600, HandCursor::image());
    painter.end();
    EXPECT_TRUE(matchesReference(gallery, QStringLiteral(QV_BUTTON_REFERENCE_DIR "/button-looks.png")));
}

// Scripts, one letter a step: m move (x with the left button held, X held and outside), p/r press and
// release left (R outside), q/w right, e/t middle, d double-click, k/K space down/up (a/A repeated),
// o/i pointer leaves/returns, l hover poll, c toggle behaviour, f/F focus in/out, n disable; checks: 0/2
// state, s/h edge in shadow/highlight, V/v over, T/U hover timer, Y/N value, Z/z focus rectangle shown
// or not. The events raised in order.
TEST_F(ButtonHarness, Scripts)
{
    const std::pair<const char*, const char*> rows[] = {
        { "UmVTmp2sxvr0hm", "MouseMove0 MouseOver MouseMove0 MouseDown1 MouseMove1 MouseUp1 Click MouseMove0 MouseOver" },
        { "q0we2t0", "MouseDown2 MouseUp2 MouseDown4 MouseUp4" },
        { "cprY2mol2sipr0N", "MouseDown1 MouseUp1 Click MouseMove0 MouseOver MouseOut MouseDown1 MouseUp1 Click" },
        { "mpoX0ix2oXRlU", "MouseMove0 MouseOver MouseDown1 MouseMove1 MouseMove1 MouseMove1 MouseUp1 MouseOut" },
        { "prd2r", "MouseDown1 MouseUp1 Click MouseDown1 MouseUp1" },
        { "k2aAK0", "KeyDown32 KeyPress32 KeyDown32 KeyPress32 KeyUp32 Click" },
        { "zfZFz", "" },
        { "nhprkKh", "" },
    };
    const QPoint outside(120, 10);
    for (const auto& [steps, events] : rows) {
        SetUp();
        for (const char* c = steps; *c; ++c) {
            const std::string at = std::string(steps) + " at " + *c;
            switch (*c) {
            case 'm': move(Qt::NoButton); break;
            case 'x': move(Qt::LeftButton); break;
            case 'X': move(Qt::LeftButton, outside); break;
            case 'p': press(Qt::LeftButton); break;
            case 'r': release(Qt::LeftButton); break;
            case 'R': release(Qt::LeftButton, outside); break;
            case 'q': press(Qt::RightButton); break;
            case 'w': release(Qt::RightButton); break;
            case 'e': press(Qt::MiddleButton); break;
            case 't': release(Qt::MiddleButton); break;
            case 'd': mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton); break;
            case 'o': pointerOver = false; break;
            case 'i': pointerOver = true; break;
            case 'l': button->pollPointer(); break;
            case 'c': button->setCheckBoxBehaviour(true); break;
            case 'k': case 'a': key(QEvent::KeyPress, Qt::Key_Space, u" "_s, *c == 'a'); break;
            case 'K': case 'A': key(QEvent::KeyRelease, Qt::Key_Space, u" "_s, *c == 'A'); break;
            case 'f': QApplication::setActiveWindow(window.get()), button->setFocus(), QApplication::processEvents(); break;
            case 'F': button->clearFocus(); break;
            case 'n': button->setEnabled(false); break;
            case 'Z': case 'z': EXPECT_EQ(edge(3) != palette().faceColor, *c == 'Z') << at; break;
            case '0': case '2': EXPECT_EQ(button->lastState(), *c - '0') << at; break;
            case 's': EXPECT_EQ(edge(), palette().shadowColor) << at; break;
            case 'h': EXPECT_EQ(edge(), palette().highlightColor) << at; break;
            case 'V': case 'v': EXPECT_EQ(button->isOver(), *c == 'V') << at; break;
            case 'T': case 'U': EXPECT_EQ(button->isOverTimerActive(), *c == 'T') << at; break;
            case 'Y': case 'N': EXPECT_EQ(button->Value(), *c == 'Y') << at; break;
            default: FAIL() << at;
            }
        }
        EXPECT_EQ(log, events) << steps;
    }
}

TEST_F(ButtonHarness, KeyCodesNameTheKey)
{
    auto* before = new QWidget(window.get());
    auto* after = new QWidget(window.get());
    for (QWidget* w : { before, after })
        w->setFocusPolicy(Qt::StrongFocus), w->show();
    QWidget::setTabOrder(before, button);
    QWidget::setTabOrder(button, after);
    QApplication::setActiveWindow(window.get());

    // Codes name the key, whatever character it types; characters go to KeyPress; only the arrows
    // are the button's own keys.
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier;
    const std::tuple<int, Qt::KeyboardModifiers, QString, std::string, QWidget*> cases[] = {
        { Qt::Key_Right, none, {}, "KeyDown39 KeyUp39", after },
        { Qt::Key_Up, none, {}, "KeyDown38 KeyUp38", before },
        { Qt::Key_Apostrophe, none, u"'"_s, "KeyDown222 KeyPress39 KeyUp222", button },
        { Qt::Key_Ampersand, shift, u"&"_s, "KeyDown55 KeyPress38 KeyUp55", button },
        { Qt::Key_Period, none, u"."_s, "KeyDown190 KeyPress46 KeyUp190", button },
        { Qt::Key_Minus, none, u"-"_s, "KeyDown189 KeyPress45 KeyUp189", button },
        { Qt::Key_Delete, none, u"\x7f"_s, "KeyDown46 KeyUp46", button },
        { Qt::Key_Period, Qt::KeypadModifier, u"."_s, "KeyDown110 KeyPress46 KeyUp110", button },
    };
    for (const auto& [k, modifiers, text, events, focus] : cases) {
        button->setFocus();
        log.clear();
        EXPECT_EQ(key(QEvent::KeyPress, k, text, false, modifiers), focus != button) << events;
        EXPECT_FALSE(key(QEvent::KeyRelease, k, text, false, modifiers)) << "the parent gets the release";
        EXPECT_EQ(window->focusWidget(), focus) << events;
        EXPECT_EQ(log, events);
    }
    const std::pair<int, int> named[] = { { Qt::Key_Backspace, 8 }, { Qt::Key_Tab, 9 }, { Qt::Key_Backtab, 9 },
        { Qt::Key_Clear, 12 }, { Qt::Key_Return, 13 }, { Qt::Key_Enter, 13 }, { Qt::Key_Shift, 16 },
        { Qt::Key_Control, 17 }, { Qt::Key_Alt, 18 }, { Qt::Key_Pause, 19 }, { Qt::Key_CapsLock, 20 },
        { Qt::Key_Escape, 27 }, { Qt::Key_Space, 32 }, { Qt::Key_PageUp, 33 }, { Qt::Key_PageDown, 34 },
        { Qt::Key_End, 35 }, { Qt::Key_Home, 36 }, { Qt::Key_Left, 37 }, { Qt::Key_Down, 40 }, { Qt::Key_Select, 41 },
        { Qt::Key_Print, 44 }, { Qt::Key_Insert, 45 }, { Qt::Key_Help, 47 }, { Qt::Key_Meta, 91 }, { Qt::Key_Menu, 93 },
        { Qt::Key_NumLock, 144 }, { Qt::Key_ScrollLock, 145 } };
    for (const auto& [k, code] : named) {
        log.clear();
        key(QEvent::KeyRelease, k);
        EXPECT_EQ(log, "KeyUp" + std::to_string(code));
    }
}

TEST_F(ButtonHarness, DoubleClickOnAnotherButtonIsAPress)
{
    // Qt decides a double click for the whole window: a button that did not get the first press
    // (a neighbour 5 px away, or one a click showed in place of the first) takes it as a press.
    auto* other = new StyleButton(window.get());
    other->setGeometry(95, 10, 80, 24);
    other->show();
    watch(other, "other ");
    bool replace = false;
    QObject::connect(button, &StyleButton::Click, [&] {
        if (replace)
            button->hide(), other->move(button->pos());
    });
    for (bool replacing : { false, true }) {
        replace = replacing;
        log.clear();
        press(Qt::LeftButton);
        release(Qt::LeftButton);
        mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, { 30, 10 }, other);
        EXPECT_EQ(other->lastState(), 2) << "the pressed look";
        mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, { 30, 10 }, other);
        EXPECT_EQ(log, "MouseDown1 MouseUp1 Click other MouseDown1 other MouseUp1 other Click");
        button->show();
    }
}

TEST_F(ButtonHarness, DisabledButtonRaisesNothingAndLooksDisabledHoweverDisabled)
{
    const QImage enabledLook = button->image();
    button->setEnabled(false);
    const QImage disabledLook = button->image();
    button->setEnabled(true);

    // Through QWidget, or by disabling the parent: the same look and the same answer.
    for (QWidget* target : { static_cast<QWidget*>(button), window.get() }) {
        target->setEnabled(false);
        EXPECT_FALSE(button->Enabled());
        EXPECT_EQ(button->image(), disabledLook);
        target->setEnabled(true);
        EXPECT_EQ(button->image(), enabledLook);
    }

    // Stored settings loaded into a shown button show at once: shape, colours and style.
    MemoryPropertyStore store;
    store.write(u"BTYPE"_s, std::int32_t { StyleButton::Elliptic });
    store.write(u"COLTYPE"_s, std::int32_t { StyleButton::FixedGrey });
    button->ReadProperties(store);
    EXPECT_FALSE(button->mask().contains(QPoint(0, 0)));
    EXPECT_EQ(edge(), 0xC0C0C0u) << "the ellipse leaves the corner to the face";
}

// Each handler may delete the button; the rest of the event must not touch it.
TEST_F(ButtonHarness, EveryHandlerMayDeleteTheButton)
{
    auto click = [this] { press(Qt::LeftButton), release(Qt::LeftButton); };
    auto twice = [=, this] { click(), mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton); };
    auto space = [this] { key(QEvent::KeyPress, Qt::Key_Space, u" "_s), key(QEvent::KeyRelease, 32); };
    auto arrow = [this] { key(QEvent::KeyPress, Qt::Key_Right), key(QEvent::KeyRelease, Qt::Key_Right); };
    auto hover = [this] { move(Qt::NoButton); };
    // The event whose nth raising deletes, and what is sent.
    const std::tuple<std::string, int, std::function<void()>> rows[] = { { "MouseDown1", 1, click },
        { "MouseDown1", 2, twice }, { "MouseUp1", 1, click }, { "MouseMove0", 1, hover },
        { "KeyDown32", 1, space }, { "KeyDown39", 1, arrow }, { "KeyPress32", 1, space },
        { "KeyUp32", 1, space } };
    for (const auto& [event, nth, send] : rows) {
        button = new StyleButton(window.get());
        button->setGeometry(10, 40, 80, 24);
        button->show();
        watch(button);
        int raised = 0;
        onEvent = [&, nth = nth, event = event](const std::string& entry) {
            if (entry == event && ++raised == nth)
                delete button.data();
        };
        send();
        EXPECT_TRUE(button.isNull()) << event << " " << nth;
    }
    onEvent = nullptr;
}

// What a screen reader reads of the button, the access key its caption marks, and what the key and
// the press action do.
TEST_F(ButtonHarness, AccessibleAsAPushButtonWithAccessKeyStatesAndThePressAction)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::Button);
    // The caption, its access key and the name read.
    const std::tuple<QString, QString, QString> captions[]
        = { { u"Save &&As &now"_s, u"n"_s, u"Save &As now"_s }, { u"A&&B"_s, {}, u"A&B"_s },
              { u"&"_s, {}, {} }, { u"x&"_s, {}, u"x"_s }, { u"&&&x"_s, u"x"_s, u"&x"_s },
              { u"Edit"_s, {}, u"Edit"_s }, { u"&Edit"_s, u"e"_s, u"Edit"_s } };
    for (const auto& [caption, key, name] : captions) {
        button->setCaption(caption);
        EXPECT_EQ(button->AccessKeys(), key) << caption.toStdString();
        EXPECT_EQ(face->text(QAccessible::Name), name) << caption.toStdString();
        EXPECT_EQ(
            face->text(QAccessible::Accelerator), key.isEmpty() ? QString() : u"Alt+"_s + key.toUpper());
    }
    button->setToolTip(u"Add Script List"_s);
    EXPECT_EQ(face->text(QAccessible::Description), u"Add Script List"_s);
    button->setAccessibleName(u"Edit judges"_s);
    EXPECT_EQ(face->text(QAccessible::Name), u"Edit judges"_s);

    const auto states = [&] {
        const QAccessible::State s = face->state();
        return std::string(s.focused ? "f" : "") + (s.pressed ? "p" : "") + (s.disabled ? "d" : "")
            + (s.defaultButton ? "D" : "") + (s.checkable ? (s.checked ? "C" : "c") : "");
    };
    EXPECT_EQ(states(), "");
    QApplication::setActiveWindow(window.get());
    button->setFocus();
    QApplication::processEvents();
    button->setCheckBoxBehaviour(true);
    press(Qt::LeftButton);
    button->setDisplayAsDefault(true);
    EXPECT_EQ(states(), "fpDc");
    release(Qt::LeftButton);
    EXPECT_EQ(states(), "fDC") << "the click toggled it on";

    QAccessibleActionInterface* actions = face->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    EXPECT_EQ(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()), QStringList { u"Alt+E"_s });
    log.clear();
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(states(), "fDc");
    QShortcutEvent altE(QKeySequence(u"Alt+E"_s), 0);
    QApplication::sendEvent(button, &altE);
    EXPECT_EQ(log, "Click Click");
    button->setEnabled(false);
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QApplication::sendEvent(button, &altE);
    EXPECT_EQ(log, "Click Click") << "a disabled button is not pressed";
    EXPECT_NE(states().find('d'), std::string::npos);
}

// Each setter, with a changed value, names itself in PropertyChanged (the font parts do not) and
// repaints when the look depends on it. Custom colours, a picture and the focus make every part show.
TEST_F(ButtonHarness, SettersRepaintAndNotify)
{
    using B = StyleButton&;
    const Picture other = bitmapOf(4, 4, std::vector<Rgb>(16, 0x00FF00));
    // Hovered first, the setting, the names raised, and whether the look changes.
    const std::tuple<bool, std::function<void(B)>, QString, bool> rows[] = {
        { false, [](B b) { b.setBackColor(0x204060); }, u"BackColor"_s, true },
        { true, [](B b) { b.setBackOver(0x204060); }, u"BackOver"_s, true },
        { false, [](B b) { b.setForeColor(0x0000FF); }, u"ForeColor"_s, true },
        { true, [](B b) { b.setForeOver(0x0000FF); }, u"ForeOver"_s, true },
        { false, [](B b) { b.setMaskColor(0xFF00FF); }, u"MaskColor"_s, true },
        { false, [](B b) { b.setSoftBevel(true); }, u"SoftBevel"_s, true },
        { false, [](B b) { b.setButtonType(StyleButton::Elliptic); }, u"ButtonType"_s, true },
        { false, [](B b) { b.setCaption(u"Stop"_s); }, u"Caption"_s, true },
        { false, [](B b) { b.setEnabled(false); }, u"Enabled"_s, true },
        { false, [](B b) { b.setFont(QFont(b.Font().family(), 12)); }, u"Font"_s, true },
        { false, [](B b) { b.setFontBold(true); }, {}, true },
        { false, [](B b) { b.setColorScheme(StyleButton::FixedGrey); }, u"ColorScheme"_s, true },
        { false, [](B b) { b.setShowFocusRect(false); }, u"ShowFocusRect"_s, true },
        { false, [](B b) { b.setSpecialEffect(StyleButton::EffectRaised); }, u"SpecialEffect"_s, true },
        { false, [](B b) { b.setValue(true), b.setCheckBoxBehaviour(true); }, u"Value CheckBoxBehaviour"_s, true },
        { false, [](B b) { b.setCheckBoxBehaviour(true), b.setValue(true); }, u"CheckBoxBehaviour Value"_s, true },
        { false, [](B b) { b.setValue(true); }, u"Value"_s, false },
        { false, [&](B b) { b.setPictureNormal(other); }, u"PictureNormal"_s, true },
        { true, [&](B b) { b.setPictureOver(other); }, u"PictureOver"_s, true },
        { false, [&](B b) { b.setPictureOver(other); }, u"PictureOver"_s, false },
        { false, [](B b) { b.setPicturePosition(StyleButton::PictureTop); }, u"PicturePosition"_s, true },
        { false, [](B b) { b.setUseMaskColor(false); }, u"UseMaskColor"_s, true },
        { false, [](B b) { b.setUseGreyscale(true); }, u"UseGreyscale"_s, true },
        { false, [](B b) { b.setMousePointer(2); }, u"MousePointer"_s, false },
        { false, [&](B b) { b.setMouseIcon(other); }, u"MouseIcon"_s, false },
        { false, [](B b) { b.setHandPointer(true); }, u"HandPointer"_s, false },
    };
    for (const auto& [over, set, names, repaint] : rows) {
        SetUp();
        button->setColorScheme(StyleButton::CustomColors);
        button->setBackColor(0x336699);
        button->setPictureNormal(samplePicture(16));
        QApplication::setActiveWindow(window.get());
        button->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(button->hasButtonFocus());
        if (over)
            move(Qt::NoButton);
        QStringList raised;
        QObject::connect(button, &StyleButton::PropertyChanged, [&raised](const QString& n) { raised << n; });
        const QImage before = button->image();
        set(*button);
        EXPECT_EQ(raised.join(u' '), names);
        EXPECT_EQ(button->image() != before, repaint) << names.toStdString();
    }
    // A redraw says whether it painted: unforced, an unchanged look is not painted again.
    EXPECT_TRUE(button->Redraw(0, true));
    EXPECT_FALSE(button->Redraw(0, false));
}

// Every key read and written back unchanged; missing keys read as a new button's settings.
TEST(styleButtonSettings, ReadAndWriteEveryKey)
{
    MemoryPropertyStore picture;
    picture.write(u"picn"_s, samplePicture(16));
    const QString text = u"btype = int:3\ntx = str:&Go\nenab = bool:false\n"
                         "font = font:DejaVu Sans,8.25,-1,5,400,1,0,0,0,0,0,0,0,0,0,1\ncoltype = int:2\n"
                         "focusr = bool:false\nbcol = color:0x00010203\nbcolo = color:0x00040506\n"
                         "fcol = color:0x00070809\nfcolo = color:0x8000000D\nmcol = color:0x00FF00FF\nmptr = int:1\n"_s
        + picture.toText()
        + u"umcol = bool:false\nsoft = bool:true\npicpos = int:2\nngrey = bool:true\nfx = int:2\n"
          "hand = bool:false\ncheck = bool:true\nvalue = bool:true\n"_s;
    MemoryPropertyStore store;
    ASSERT_TRUE(store.fromText(text));
    StyleButton copy;
    copy.ReadProperties(store);
    MemoryPropertyStore again;
    copy.WriteProperties(again);
    EXPECT_EQ(again.toText().toStdString(), text.toStdString());
    EXPECT_FALSE(copy.isEnabled());
    EXPECT_EQ(copy.renderer().pictureSize(), QSize(16, 16));

    StyleButton fresh, read;
    fresh.setMousePointer(StyleButton::PointerArrow);
    fresh.setBackColor(SysColor::code(SysColor::ButtonFace));
    fresh.setBackOver(SysColor::code(SysColor::ButtonFace));
    fresh.setForeColor(SysColor::code(SysColor::ButtonText));
    fresh.setForeOver(SysColor::code(SysColor::ButtonText));
    read.setButtonType(StyleButton::Elliptic);
    read.ReadProperties(MemoryPropertyStore());
    MemoryPropertyStore a, b;
    fresh.WriteProperties(a);
    read.WriteProperties(b);
    EXPECT_EQ(b.toText().toStdString(), a.toText().toStdString());
    EXPECT_EQ(read.ButtonType(), StyleButton::Standard);

    // The hand pointer decides the pointer.
    MemoryPropertyStore hand;
    hand.write(u"MPTR"_s, std::int32_t { 11 });
    hand.write(u"HAND"_s, false);
    StyleButton button;
    std::vector<QString> changed;
    QObject::connect(&button, &StyleButton::PropertyChanged, [&changed](const QString& n) { changed.push_back(n); });
    button.ReadProperties(hand);
    EXPECT_EQ(button.MousePointer(), 1);
    EXPECT_TRUE(button.MouseIcon().isNull());
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(changed, (std::vector<QString> { u"HandPointer"_s }));

    hand.write(u"HAND"_s, true);
    button.ReadProperties(hand);
    EXPECT_EQ(button.MousePointer(), StyleButton::PointerCustom);
    EXPECT_EQ(button.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(button.cursor().hotSpot(), HandCursor::hotSpot());
}

// A new button takes the host's name and font; at design time the plain colours move the hover ones.
TEST(styleButtonSettings, NewButtonDesignTimeAndStoredSettings)
{
    StyleButton button;
    button.setAmbient({ false, u"styleButton1"_s, pinnedFont(), false });
    button.InitProperties();
    EXPECT_EQ(button.Caption(), u"styleButton1"_s);
    EXPECT_EQ(button.Font(), pinnedFont());
    EXPECT_EQ(button.BackColor(), systemColor(SysColor::ButtonFace));
    button.setBackColor(0x445566);
    button.setForeColor(0x010203);
    EXPECT_EQ(std::pair(button.BackOver(), button.ForeOver()), std::pair(0x445566u, 0x010203u));
    button.setButtonType(StyleButton::FlatFrame);
    EXPECT_TRUE(button.FontBold()) << "a flat frame is bold when chosen at design time";
    button.setAmbient({});
    button.setBackColor(0x112233);
    EXPECT_EQ(button.BackOver(), 0x445566u) << "not at run time";

    QString error;
    ASSERT_TRUE(ButtonStoredSettings::apply(button, ButtonStoredSettings::resourcePath(u"CmdEdit"_s), &error));
    EXPECT_EQ(button.Caption(), u"Edit"_s);
    EXPECT_EQ(button.ButtonType(), StyleButton::ThinBevel);
    const QString missing = ButtonStoredSettings::resourcePath(u"NoSuchButton"_s);
    EXPECT_FALSE(ButtonStoredSettings::apply(button, missing, &error));
    EXPECT_TRUE(error.startsWith(missing) && button.Caption() == u"Edit"_s) << error.toStdString();
}

// What the button shows is what is seen behind it: the stripes of the window, through a container
// that paints nothing of its own (its palette colour is not seen); the container scheme takes that colour.
TEST(styleButtonHost, ParentBackgroundShowsWhatIsSeenBehindTheButton)
{
    QImage stripes(120, 1, QImage::Format_RGB32);
    for (int x = 0; x < 120; ++x)
        stripes.setPixel(x, 0, x % 2 ? 0xFFFFFF : 0xFF0000);
    QLabel window;
    window.setPixmap(QPixmap::fromImage(stripes.scaled(120, 60)));
    window.resize(120, 60);
    auto* container = new QWidget(&window);
    container->setGeometry(5, 5, 100, 40);
    QPalette palette(QColor(0x00, 0x80, 0x00));
    palette.setColor(QPalette::WindowText, QColor(0xAA, 0xBB, 0xCC));
    container->setPalette(palette);
    auto* button = new StyleButton(container);
    button->setGeometry(6, 6, 60, 24);
    button->setButtonType(StyleButton::ParentBackground);
    window.show();
    // Button x 1 is window x 12, x 2 is window x 13.
    EXPECT_EQ(button->renderer().surface().pixel(1, 1), rgb(0xFF, 0x00, 0x00));
    EXPECT_EQ(button->renderer().surface().pixel(2, 1), rgb(0xFF, 0xFF, 0xFF));
    button->setColorScheme(StyleButton::ContainerColors);
    EXPECT_EQ(button->renderer().palette().faceColor, rgb(0x00, 0x80, 0x00));
    EXPECT_EQ(button->renderer().palette().textColor, rgb(0xAA, 0xBB, 0xCC));
}
