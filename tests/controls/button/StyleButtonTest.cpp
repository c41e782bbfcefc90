#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "ButtonTestSupport.h"
#include "controls/button/ButtonStoredSettings.h"
#include "controls/button/HandCursor.h"
#include "controls/button/StyleButton.h"

using namespace qv;
using namespace Qt::StringLiterals;

namespace {

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
            log.push_back(prefix + entry);
            if (onEvent)
                onEvent(log.back());
        };
        QObject::connect(b, &StyleButton::Click, [add] { add("Click"); });
        QObject::connect(b, &StyleButton::MouseDown,
            [add](int b, int, float, float) { add("MouseDown" + std::to_string(b)); });
        QObject::connect(b, &StyleButton::MouseMove,
            [add](int b, int, float, float) { add("MouseMove" + std::to_string(b)); });
        QObject::connect(b, &StyleButton::MouseUp,
            [add](int b, int, float, float) { add("MouseUp" + std::to_string(b)); });
        QObject::connect(b, &StyleButton::KeyDown, [add](int k, int) { add("KeyDown" + std::to_string(k)); });
        QObject::connect(b, &StyleButton::KeyPress, [add](int k) { add("KeyPress" + std::to_string(k)); });
        QObject::connect(b, &StyleButton::KeyUp, [add](int k, int) { add("KeyUp" + std::to_string(k)); });
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
    void move(Qt::MouseButtons held, QPoint at = { 20, 10 })
    {
        mouse(QEvent::MouseMove, Qt::NoButton, held, at);
    }
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
    Rgb edge() const { return button->renderer().surface().pixel(0, 10); }
    Rgb highlight() const { return button->renderer().palette().highlightColor; }
    Rgb shadow() const { return button->renderer().palette().shadowColor; }
    using Log = std::vector<std::string>;

    std::unique_ptr<QWidget> window;
    QPointer<StyleButton> button;
    bool pointerOver = true;
    Log log;
    std::function<void(const std::string&)> onEvent; // called after each entry is logged
    std::string joined() const
    {
        std::string all;
        for (const std::string& entry : log)
            all += (all.empty() ? "" : " ") + entry;
        return all;
    }
};

} // namespace

TEST_F(ButtonHarness, LeftClickSequence)
{
    EXPECT_FALSE(button->isOverTimerActive());
    move(Qt::NoButton);
    EXPECT_TRUE(button->isOver());
    EXPECT_TRUE(button->isOverTimerActive());
    move(Qt::NoButton);
    press(Qt::LeftButton);
    EXPECT_EQ(button->lastState(), 2);
    EXPECT_EQ(edge(), shadow());
    move(Qt::LeftButton);
    EXPECT_FALSE(button->isOver());
    release(Qt::LeftButton);
    EXPECT_EQ(button->lastState(), 0);
    EXPECT_EQ(edge(), highlight());
    move(Qt::NoButton);
    EXPECT_EQ(log,
        (Log { "MouseMove0", "MouseOver", "MouseMove0", "MouseDown1", "MouseMove1", "MouseUp1", "Click",
            "MouseMove0", "MouseOver" }));
}

TEST_F(ButtonHarness, RightAndMiddleButtonsNeverClick)
{
    press(Qt::RightButton);
    EXPECT_EQ(button->lastState(), 0);
    release(Qt::RightButton);
    press(Qt::MiddleButton);
    EXPECT_EQ(button->lastState(), 2);
    release(Qt::MiddleButton);
    EXPECT_EQ(button->lastState(), 0);
    EXPECT_EQ(log, (Log { "MouseDown2", "MouseUp2", "MouseDown4", "MouseUp4" }));
}

TEST_F(ButtonHarness, ToggleStaysPressedWhileSet)
{
    button->setCheckBoxBehaviour(true);
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_TRUE(button->Value());
    EXPECT_EQ(button->lastState(), 2);
    move(Qt::NoButton);
    pointerOver = false;
    button->pollPointer();
    EXPECT_EQ(button->lastState(), 2);
    EXPECT_EQ(edge(), shadow());
    pointerOver = true;
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_FALSE(button->Value());
    EXPECT_EQ(button->lastState(), 0);
}

TEST_F(ButtonHarness, SpaceBarClicksAndKeyCodesNameTheKey)
{
    auto* before = new QWidget(window.get());
    auto* after = new QWidget(window.get());
    before->setFocusPolicy(Qt::StrongFocus);
    after->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(before, button);
    QWidget::setTabOrder(button, after);
    before->show();
    after->show();
    QApplication::setActiveWindow(window.get());
    button->setFocus();

    key(QEvent::KeyPress, Qt::Key_Space, u" "_s);
    EXPECT_EQ(button->lastState(), 2);
    key(QEvent::KeyPress, Qt::Key_Space, u" "_s, true);
    key(QEvent::KeyRelease, Qt::Key_Space, u" "_s, true);
    key(QEvent::KeyRelease, Qt::Key_Space, u" "_s);
    EXPECT_EQ(button->lastState(), 0);
    EXPECT_EQ(log, (Log { "KeyDown32", "KeyPress32", "KeyDown32", "KeyPress32", "KeyUp32", "Click" }));

    // Codes name the key, whatever character it types; characters go to KeyPress; only the arrows
    // are the button's own keys.
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier;
    const std::tuple<int, Qt::KeyboardModifiers, QString, std::string, QWidget*> cases[] = {
        { Qt::Key_Right, none, {}, "KeyDown39 KeyUp39", after },
        { Qt::Key_Up, none, {}, "KeyDown38 KeyUp38", before },
        { Qt::Key_Apostrophe, none, u"'"_s, "KeyDown222 KeyPress39 KeyUp222", button },
        { Qt::Key_Ampersand, shift, u"&"_s, "KeyDown55 KeyPress38 KeyUp55", button },
        { Qt::Key_Percent, shift, u"%"_s, "KeyDown53 KeyPress37 KeyUp53", button },
        { Qt::Key_ParenLeft, shift, u"("_s, "KeyDown57 KeyPress40 KeyUp57", button },
        { Qt::Key_Period, none, u"."_s, "KeyDown190 KeyPress46 KeyUp190", button },
        { Qt::Key_Minus, none, u"-"_s, "KeyDown189 KeyPress45 KeyUp189", button },
        { Qt::Key_Delete, none, u"\x7f"_s, "KeyDown46 KeyUp46", button },
        { Qt::Key_Period, Qt::KeypadModifier, u"."_s, "KeyDown110 KeyPress46 KeyUp110", button },
    };
    for (const auto& [k, modifiers, text, events, focus] : cases) {
        button->setFocus();
        log.clear();
        EXPECT_EQ(key(QEvent::KeyPress, k, text, false, modifiers), focus != button) << events;
        key(QEvent::KeyRelease, k, text, false, modifiers);
        EXPECT_EQ(window->focusWidget(), focus) << events;
        EXPECT_EQ(joined(), events);
    }
}

TEST_F(ButtonHarness, FocusShowsTheFocusRectangle)
{
    QApplication::setActiveWindow(window.get());
    const Rgb face = button->renderer().palette().faceColor;
    button->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(button->hasButtonFocus());
    EXPECT_NE(button->renderer().surface().pixel(3, 3), face);
    button->clearFocus();
    EXPECT_FALSE(button->hasButtonFocus());
    EXPECT_EQ(button->renderer().surface().pixel(3, 3), face);
}

TEST_F(ButtonHarness, LeavingWhilePressedShowsNormalAndReleaseOutsideDoesNotClick)
{
    move(Qt::NoButton);
    press(Qt::LeftButton);
    pointerOver = false;
    move(Qt::LeftButton, { 120, 10 });
    EXPECT_EQ(button->lastState(), 0);
    pointerOver = true;
    move(Qt::LeftButton);
    EXPECT_EQ(button->lastState(), 2);
    pointerOver = false;
    move(Qt::LeftButton, { 120, 10 });
    release(Qt::LeftButton, { 120, 10 });
    button->pollPointer();
    EXPECT_EQ(log,
        (Log { "MouseMove0", "MouseOver", "MouseDown1", "MouseMove1", "MouseMove1", "MouseMove1", "MouseUp1",
            "MouseOut" }));
    EXPECT_FALSE(button->isOverTimerActive());
}

TEST_F(ButtonHarness, DoubleClickPressesAgainButClicksOnce)
{
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(button->lastState(), 2);
    release(Qt::LeftButton);
    EXPECT_EQ(log, (Log { "MouseDown1", "MouseUp1", "Click", "MouseDown1", "MouseUp1" }));

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
        EXPECT_EQ(log,
            (Log { "MouseDown1", "MouseUp1", "Click", "other MouseDown1", "other MouseUp1", "other Click" }));
        button->show();
    }
}

TEST_F(ButtonHarness, DisabledButtonRaisesNothingAndLooksDisabledHoweverDisabled)
{
    const QImage enabledLook = button->image();
    button->setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(edge(), highlight());
    const QImage disabledLook = button->image();
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    key(QEvent::KeyPress, Qt::Key_Space, u" "_s);
    key(QEvent::KeyRelease, Qt::Key_Space, u" "_s);
    EXPECT_TRUE(log.empty());
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
    EXPECT_EQ(edge(), test::Grey::Face) << "the ellipse leaves the corner to the face";
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

TEST_F(ButtonHarness, AccessKeyClicks)
{
    button->setCaption(u"Sa&ve"_s);
    EXPECT_EQ(button->AccessKeys(), u"v"_s);
    QShortcutEvent event(QKeySequence(u"Alt+V"_s), 0);
    QApplication::sendEvent(button, &event);
    button->setEnabled(false);
    QApplication::sendEvent(button, &event);
    EXPECT_EQ(log, (Log { "Click" }));
}

TEST_F(ButtonHarness, SettersRepaintAndNotify)
{
    std::vector<QString> changed;
    QObject::connect(
        button, &StyleButton::PropertyChanged, [&changed](const QString& name) { changed.push_back(name); });
    button->setValue(true);
    EXPECT_EQ(edge(), highlight());
    button->setCheckBoxBehaviour(true);
    EXPECT_EQ(edge(), shadow());
    button->setFontBold(true);
    button->setButtonType(StyleButton::ThinBevelOnHover);
    EXPECT_EQ(button->mask(), QRegion(0, 0, 80, 24));
    button->setButtonType(StyleButton::Elliptic);
    EXPECT_FALSE(button->mask().contains(QPoint(0, 0)));
    EXPECT_EQ(changed,
        (std::vector<QString> { u"Value"_s, u"CheckBoxBehaviour"_s, u"ButtonType"_s, u"ButtonType"_s }));
    EXPECT_EQ(button->Version(), u"2.0.6"_s);
}

TEST_F(ButtonHarness, BackColourMovesHoverColourOnlyAtDesignTime)
{
    const OleColor over = button->BackOver();
    button->setBackColor(0x112233);
    EXPECT_EQ(button->BackOver(), over);
    ButtonAmbient design = button->ambient();
    design.userMode = false;
    button->setAmbient(design);
    button->setBackColor(0x445566);
    EXPECT_EQ(button->BackOver(), 0x445566u);
    button->setForeColor(0x010203);
    EXPECT_EQ(button->ForeOver(), 0x010203u);
}

TEST(styleButtonAccessKeys, TakenFromTheCaption)
{
    StyleButton button;
    const std::vector<std::pair<QString, QString>> cases = {
        { u"Save &&As &now"_s, u"n"_s },
        { u"A&&B"_s, QString() },
        { u"&"_s, QString() },
        { u"x&"_s, QString() },
        { u"&Edit"_s, u"e"_s },
        { u"E&dit"_s, u"d"_s },
        { u"&&&x"_s, u"x"_s },
        { u"Edit"_s, QString() },
    };
    for (const auto& [caption, key] : cases) {
        button.setCaption(caption);
        EXPECT_EQ(button.AccessKeys(), key) << caption.toStdString();
    }
}

TEST(styleButtonSettings, MissingKeysTakeTheirDefaults)
{
    MemoryPropertyStore store;
    store.write(u"BTYPE"_s, std::int32_t { 9 });
    StyleButton button;
    button.ReadProperties(store);
    EXPECT_EQ(button.ButtonType(), StyleButton::FillOnHover);
    EXPECT_TRUE(button.Enabled());
    EXPECT_TRUE(button.ShowFocusRect());
    EXPECT_TRUE(button.UseMaskColor());
    EXPECT_EQ(button.MaskColor(), 0xC0C0C0u);
    EXPECT_EQ(button.BackColor(), SysColor::code(SysColor::ButtonFace));
    EXPECT_EQ(button.BackOver(), button.BackColor());
    EXPECT_EQ(button.ForeColor(), SysColor::code(SysColor::ButtonText));
    EXPECT_EQ(button.ForeOver(), button.ForeColor());
    EXPECT_EQ(button.ColorScheme(), StyleButton::SystemColors);
    EXPECT_EQ(button.Caption(), QString());
    EXPECT_TRUE(button.PictureNormal().isNull());
    EXPECT_EQ(button.MousePointer(), StyleButton::PointerArrow);

    MemoryPropertyStore colours;
    colours.write(u"bcol"_s, ColorValue { 0x123456 });
    button.ReadProperties(colours);
    EXPECT_EQ(button.BackOver(), 0x123456u);
    EXPECT_EQ(button.ButtonType(), StyleButton::Standard);
}

TEST(styleButtonSettings, RoundTripKeepsEverySetting)
{
    StyleButton source;
    source.setButtonType(StyleButton::GradientFace);
    source.setCaption(u"&Go"_s);
    source.setEnabled(false);
    QFont font = test::pinnedFont();
    font.setItalic(true);
    source.setFont(font);
    source.setColorScheme(StyleButton::CustomColors);
    source.setShowFocusRect(false);
    source.setBackColor(0x010203);
    source.setBackOver(0x040506);
    source.setForeColor(0x070809);
    source.setForeOver(SysColor::code(SysColor::Highlight));
    source.setMaskColor(0xFF00FF);
    source.setSoftBevel(true);
    source.setPictureNormal(test::samplePicture(16));
    source.setPicturePosition(StyleButton::PictureTop);
    source.setUseMaskColor(false);
    source.setUseGreyscale(true);
    source.setSpecialEffect(StyleButton::EffectSunken);
    source.setCheckBoxBehaviour(true);
    source.setValue(true);

    MemoryPropertyStore store;
    source.WriteProperties(store);
    EXPECT_EQ(store.keys(),
        (QStringList { u"btype"_s, u"tx"_s, u"enab"_s, u"font"_s, u"coltype"_s, u"focusr"_s, u"bcol"_s,
            u"bcolo"_s, u"fcol"_s, u"fcolo"_s, u"mcol"_s, u"mptr"_s, u"picn"_s, u"umcol"_s, u"soft"_s,
            u"picpos"_s, u"ngrey"_s, u"fx"_s, u"hand"_s, u"check"_s, u"value"_s }));

    MemoryPropertyStore reloaded;
    QString error;
    ASSERT_TRUE(reloaded.fromText(store.toText(), &error)) << error.toStdString();
    StyleButton copy;
    copy.ReadProperties(reloaded);
    EXPECT_EQ(copy.ButtonType(), StyleButton::GradientFace);
    EXPECT_EQ(copy.Caption(), u"&Go"_s);
    EXPECT_EQ(copy.AccessKeys(), u"g"_s);
    EXPECT_FALSE(copy.Enabled());
    EXPECT_FALSE(copy.isEnabled());
    EXPECT_TRUE(copy.FontItalic());
    EXPECT_EQ(copy.FontName(), font.family());
    EXPECT_EQ(copy.ColorScheme(), StyleButton::CustomColors);
    EXPECT_FALSE(copy.ShowFocusRect());
    EXPECT_EQ(copy.BackColor(), 0x010203u);
    EXPECT_EQ(copy.BackOver(), 0x040506u);
    EXPECT_EQ(copy.ForeColor(), 0x070809u);
    EXPECT_EQ(copy.ForeOver(), SysColor::code(SysColor::Highlight));
    EXPECT_EQ(copy.MaskColor(), 0xFF00FFu);
    EXPECT_TRUE(copy.SoftBevel());
    EXPECT_EQ(copy.PictureNormal(), source.PictureNormal());
    EXPECT_TRUE(copy.PictureOver().isNull());
    EXPECT_EQ(copy.renderer().pictureSize(), QSize(16, 16));
    EXPECT_EQ(copy.PicturePosition(), StyleButton::PictureTop);
    EXPECT_FALSE(copy.UseMaskColor());
    EXPECT_TRUE(copy.UseGreyscale());
    EXPECT_EQ(copy.SpecialEffect(), StyleButton::EffectSunken);
    EXPECT_TRUE(copy.CheckBoxBehaviour());
    EXPECT_TRUE(copy.Value());
}

TEST(styleButtonSettings, HandPointerDecidesThePointer)
{
    MemoryPropertyStore store;
    store.write(u"MPTR"_s, std::int32_t { 11 });
    store.write(u"HAND"_s, false);
    StyleButton button;
    std::vector<QString> changed;
    QObject::connect(
        &button, &StyleButton::PropertyChanged, [&changed](const QString& n) { changed.push_back(n); });
    button.ReadProperties(store);
    EXPECT_EQ(button.MousePointer(), 1);
    EXPECT_TRUE(button.MouseIcon().isNull());
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(changed, (std::vector<QString> { u"HandPointer"_s }));

    store.write(u"HAND"_s, true);
    button.ReadProperties(store);
    EXPECT_EQ(button.MousePointer(), StyleButton::PointerCustom);
    EXPECT_EQ(button.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(button.cursor().hotSpot(), HandCursor::hotSpot());

    button.setMousePointer(11);
    EXPECT_EQ(button.cursor().shape(), Qt::WaitCursor);
}

TEST(styleButtonSettings, NewButtonTakesTheHostsNameAndFont)
{
    StyleButton button;
    ButtonAmbient ambient;
    ambient.displayName = u"styleButton1"_s;
    ambient.font = test::pinnedFont();
    button.setAmbient(ambient);
    button.InitProperties();
    EXPECT_EQ(button.Caption(), u"styleButton1"_s);
    EXPECT_EQ(button.Font(), test::pinnedFont());
    EXPECT_EQ(button.ButtonType(), StyleButton::Standard);
    EXPECT_EQ(button.BackColor(), systemColor(SysColor::ButtonFace));
    EXPECT_EQ(button.ForeOver(), systemColor(SysColor::ButtonText));
    EXPECT_EQ(button.FontSize(), 8);
}

// What the button shows is what is seen behind it: here the stripes of the window, through a
// container that paints nothing of its own (its palette colour is not seen).
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
    container->setPalette(QPalette(QColor(0x00, 0x80, 0x00)));
    auto* button = new StyleButton(container);
    button->setGeometry(6, 6, 60, 24);
    button->setButtonType(StyleButton::ParentBackground);
    window.show();
    EXPECT_EQ(button->size(), QSize(60, 24));
    // Button x 1 is window x 12, x 2 is window x 13.
    EXPECT_EQ(button->renderer().surface().pixel(1, 1), rgb(0xFF, 0x00, 0x00));
    EXPECT_EQ(button->renderer().surface().pixel(2, 1), rgb(0xFF, 0xFF, 0xFF));
}

TEST(styleButtonHost, ContainerSchemeTakesTheParentsColours)
{
    QWidget window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0x10, 0x20, 0x30));
    palette.setColor(QPalette::WindowText, QColor(0xAA, 0xBB, 0xCC));
    window.setPalette(palette);
    auto* button = new StyleButton(&window);
    button->setGeometry(0, 0, 60, 24);
    button->setColorScheme(StyleButton::ContainerColors);
    EXPECT_EQ(button->renderer().palette().faceColor, rgb(0x10, 0x20, 0x30));
    EXPECT_EQ(button->renderer().palette().textColor, rgb(0xAA, 0xBB, 0xCC));
}

TEST(styleButtonStoredSettings, TheProgramsButtons)
{
    struct Expected
    {
        const char* name;
        QString caption;
        bool bold;
    };
    for (const Expected& e :
        { Expected { "CmdEdit", u"Edit"_s, true }, Expected { "styleButton1", u"Save Changes"_s, false },
            Expected { "styleButton2", u"Cancel"_s, false } }) {
        StyleButton button;
        QString error;
        ASSERT_TRUE(ButtonStoredSettings::apply(
            button, ButtonStoredSettings::resourcePath(QString::fromLatin1(e.name)), &error))
            << error.toStdString();
        EXPECT_EQ(button.Caption(), e.caption);
        EXPECT_EQ(button.ButtonType(), StyleButton::ThinBevel);
        EXPECT_EQ(button.ColorScheme(), StyleButton::SystemColors);
        EXPECT_TRUE(button.ShowFocusRect());
        EXPECT_TRUE(button.Enabled());
        EXPECT_FALSE(button.CheckBoxBehaviour());
        EXPECT_EQ(button.SpecialEffect(), StyleButton::EffectNone);
        EXPECT_TRUE(button.PictureNormal().isNull());
        EXPECT_EQ(button.FontName(), u"Tahoma"_s);
        EXPECT_DOUBLE_EQ(button.Font().pointSizeF(), 8.25);
        EXPECT_EQ(button.FontBold(), e.bold);
    }

    StyleButton button;
    QString error;
    EXPECT_FALSE(ButtonStoredSettings::apply(button, u":/qv/button/missing.settings"_s, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(styleButtonHost, PointerOverFollowsTheWindowShape)
{
    QWidget window;
    window.resize(120, 60);
    auto* button = new StyleButton(&window);
    button->setGeometry(10, 10, 60, 24);
    button->setButtonType(StyleButton::CutCornerBevel);
    window.show();
    QCursor::setPos(button->mapToGlobal(QPoint(30, 12)));
    if (QCursor::pos() != button->mapToGlobal(QPoint(30, 12)))
        GTEST_SKIP() << "this platform cannot place the pointer";
    EXPECT_TRUE(button->IsMouseOver());
    QCursor::setPos(button->mapToGlobal(QPoint(0, 0)));
    EXPECT_FALSE(button->IsMouseOver()) << "a cut corner is outside";
    QCursor::setPos(button->mapToGlobal(QPoint(2, 0)));
    EXPECT_TRUE(button->IsMouseOver());
    QCursor::setPos(window.mapToGlobal(QPoint(100, 50)));
    EXPECT_FALSE(button->IsMouseOver());
}
