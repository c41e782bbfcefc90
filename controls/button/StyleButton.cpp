#include "controls/button/StyleButton.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleHints>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "controls/button/HandCursor.h"
#include "controls/button/StyleButtonAccessible.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {

// Leaving the button is noticed within this many milliseconds.
constexpr int HoverPollInterval = 20;

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int buttonsCode(Qt::MouseButtons buttons)
{
    return ((buttons & Qt::LeftButton) ? 1 : 0) | ((buttons & Qt::RightButton) ? 2 : 0)
        | ((buttons & Qt::MiddleButton) ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return ((modifiers & Qt::ShiftModifier) ? 1 : 0) | ((modifiers & Qt::ControlModifier) ? 2 : 0)
        | ((modifiers & Qt::AltModifier) ? 4 : 0);
}

// Classic virtual-key codes of keys that type no character, by Qt key.
constexpr std::pair<int, int> NamedKeys[] = {
    { Qt::Key_Backspace, 8 }, { Qt::Key_Tab, 9 }, { Qt::Key_Backtab, 9 }, { Qt::Key_Clear, 12 },
    { Qt::Key_Return, 13 }, { Qt::Key_Enter, 13 }, { Qt::Key_Shift, 16 }, { Qt::Key_Control, 17 },
    { Qt::Key_Alt, 18 }, { Qt::Key_Pause, 19 }, { Qt::Key_CapsLock, 20 }, { Qt::Key_Escape, 27 },
    { Qt::Key_Space, 32 }, { Qt::Key_PageUp, 33 }, { Qt::Key_PageDown, 34 }, { Qt::Key_End, 35 },
    { Qt::Key_Home, 36 }, { Qt::Key_Left, 37 }, { Qt::Key_Up, 38 }, { Qt::Key_Right, 39 },
    { Qt::Key_Down, 40 }, { Qt::Key_Select, 41 }, { Qt::Key_Print, 44 }, { Qt::Key_Insert, 45 },
    { Qt::Key_Delete, 46 }, { Qt::Key_Help, 47 }, { Qt::Key_Meta, 91 }, { Qt::Key_Menu, 93 },
    { Qt::Key_NumLock, 144 }, { Qt::Key_ScrollLock, 145 },
};

// Punctuation by the key of a US keyboard that types it, shifted or not: Qt names such a key by
// its character, so "&" is Shift+7 and "'" the quote key.
constexpr std::pair<int, int> CharacterKeys[] = {
    { Qt::Key_ParenRight, '0' }, { Qt::Key_Exclam, '1' }, { Qt::Key_At, '2' }, { Qt::Key_NumberSign, '3' },
    { Qt::Key_Dollar, '4' }, { Qt::Key_Percent, '5' }, { Qt::Key_AsciiCircum, '6' },
    { Qt::Key_Ampersand, '7' }, { Qt::Key_Asterisk, '8' }, { Qt::Key_ParenLeft, '9' },
    { Qt::Key_Semicolon, 186 }, { Qt::Key_Colon, 186 }, { Qt::Key_Equal, 187 }, { Qt::Key_Plus, 187 },
    { Qt::Key_Comma, 188 }, { Qt::Key_Less, 188 }, { Qt::Key_Minus, 189 }, { Qt::Key_Underscore, 189 },
    { Qt::Key_Period, 190 }, { Qt::Key_Greater, 190 }, { Qt::Key_Slash, 191 }, { Qt::Key_Question, 191 },
    { Qt::Key_QuoteLeft, 192 }, { Qt::Key_AsciiTilde, 192 }, { Qt::Key_BracketLeft, 219 },
    { Qt::Key_BraceLeft, 219 }, { Qt::Key_Backslash, 220 }, { Qt::Key_Bar, 220 },
    { Qt::Key_BracketRight, 221 }, { Qt::Key_BraceRight, 221 }, { Qt::Key_Apostrophe, 222 },
    { Qt::Key_QuoteDbl, 222 },
};

// The keypad's own keys.
constexpr std::pair<int, int> KeypadKeys[] = {
    { Qt::Key_Asterisk, 106 }, { Qt::Key_Plus, 107 }, { Qt::Key_Minus, 109 }, { Qt::Key_Period, 110 },
    { Qt::Key_Comma, 110 }, { Qt::Key_Slash, 111 },
};

template <std::size_t N>
int lookUp(const std::pair<int, int> (&table)[N], int key)
{
    const auto* found
        = std::find_if(std::begin(table), std::end(table), [key](const auto& e) { return e.first == key; });
    return found == std::end(table) ? 0 : found->second;
}

// The classic virtual-key code of the key pressed, named by what key it is; 0 for a key it has
// no code for. The character a key types goes to KeyPress only.
int keyCode(const QKeyEvent* event)
{
    const int key = event->key();
    if (event->modifiers() & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return 96 + (key - Qt::Key_0);
        if (const int code = lookUp(KeypadKeys, key))
            return code;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    if (const int code = lookUp(NamedKeys, key))
        return code;
    return lookUp(CharacterKeys, key);
}

// The character a key event types, as KeyPress reports it; -1 for none. DEL is what X11 gives
// the Delete key, which types nothing.
int keyAscii(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return -1;
    const char16_t c = text.at(0).unicode();
    return c < 0x100 && c != 0x7F ? c : -1;
}

// The button that got the last mouse press. Qt decides a double click for the whole window, so a
// double click may reach a button whose first press went to another.
QPointer<StyleButton>& lastPressed()
{
    static QPointer<StyleButton> button;
    return button;
}

} // namespace

StyleButton::StyleButton(QWidget* parent)
    : QWidget(parent)
{
    installStyleButtonAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_overTimer = new QTimer(this);
    m_overTimer->setInterval(HoverPollInterval);
    connect(m_overTimer, &QTimer::timeout, this, &StyleButton::pollPointer);
    m_ambient.font = parent ? parent->font() : QApplication::font();
    InitProperties();
}

StyleButton::~StyleButton()
{
    m_r.setShown(false);
}

// --- stored settings ----------------------------------------------------------------------------

void StyleButton::InitProperties()
{
    ButtonSettings& s = m_r.settings();
    s.enabled = true;
    s.showFocusRect = true;
    s.useMaskColor = true;
    s.caption = m_ambient.displayName;
    s.font = m_ambient.font;
    QWidget::setFont(s.font);
    s.buttonType = Standard;
    s.colorScheme = SystemColors;
    setColors();
    s.backColor = m_r.palette().faceColor;
    s.backOver = s.backColor;
    s.foreColor = m_r.palette().textColor;
    s.foreOver = s.foreColor;
    s.maskColor = 0xC0C0C0;
    QWidget::setEnabled(true);
    followEnabledState();
    calcTextRects();
    SetAccessKeys();
}

void StyleButton::ReadProperties(const PropertyStore& store)
{
    ButtonSettings& s = m_r.settings();
    auto int16 = [&store](const QString& key, int fallback) {
        return static_cast<int>(static_cast<std::int16_t>(store.readInt(key).value_or(fallback)));
    };
    s.buttonType = int16(u"BTYPE"_s, Standard);
    s.caption = store.readString(u"TX"_s).value_or(QString());
    s.enabled = store.readBool(u"ENAB"_s).value_or(true);
    if (const auto font = store.readFont(u"FONT"_s))
        s.font = *font;
    QWidget::setFont(s.font);
    s.colorScheme = int16(u"COLTYPE"_s, SystemColors);
    s.showFocusRect = store.readBool(u"FOCUSR"_s).value_or(true);
    s.backColor = store.readColor(u"BCOL"_s).value_or(SysColor::code(SysColor::ButtonFace));
    s.backOver = store.readColor(u"BCOLO"_s).value_or(s.backColor);
    s.foreColor = store.readColor(u"FCOL"_s).value_or(SysColor::code(SysColor::ButtonText));
    s.foreOver = store.readColor(u"FCOLO"_s).value_or(s.foreColor);
    s.maskColor = store.readColor(u"MCOL"_s).value_or(0xC0C0C0);
    s.mousePointer = int16(u"MPTR"_s, 0);
    s.mouseIcon = store.readPicture(u"MICON"_s).value_or(Picture());
    applyPointer();
    s.pictureNormal = store.readPicture(u"PICN"_s).value_or(Picture());
    s.pictureOver = store.readPicture(u"PICH"_s).value_or(Picture());
    s.useMaskColor = store.readBool(u"UMCOL"_s).value_or(true);
    s.softBevel = store.readBool(u"SOFT"_s).value_or(false);
    s.picturePosition = int16(u"PICPOS"_s, 0);
    s.useGreyscale = store.readBool(u"NGREY"_s).value_or(false);
    s.specialEffect = int16(u"FX"_s, 0);
    // Both branches of this setter set the pointer, so the loaded pointer settings never survive.
    setHandPointer(store.readBool(u"HAND"_s).value_or(false));
    s.checkBoxBehaviour = store.readBool(u"CHECK"_s).value_or(false);
    s.value = store.readBool(u"VALUE"_s).value_or(false);

    QWidget::setEnabled(s.enabled);
    followEnabledState();
    m_r.calcPictureSize();
    // A host may size the button before loading it; keep shape and insets in step with the style.
    m_r.setSize(width(), height());
    setMask(m_r.makeRegion());
    calcTextRects();
    SetAccessKeys();
    // A shown button shows what it loaded at once, as at its next show.
    if (isVisible())
        showLook();
}

void StyleButton::WriteProperties(PropertyStore& store) const
{
    const ButtonSettings& s = m_r.settings();
    auto picture = [&store](const QString& key, const Picture& value) {
        if (value.isNull())
            store.remove(key);
        else
            store.write(key, value);
    };
    store.write(u"BTYPE"_s, std::int32_t { s.buttonType });
    store.write(u"TX"_s, s.caption);
    store.write(u"ENAB"_s, s.enabled);
    store.write(u"FONT"_s, s.font);
    store.write(u"COLTYPE"_s, std::int32_t { s.colorScheme });
    store.write(u"FOCUSR"_s, s.showFocusRect);
    store.write(u"BCOL"_s, ColorValue { s.backColor });
    store.write(u"BCOLO"_s, ColorValue { s.backOver });
    store.write(u"FCOL"_s, ColorValue { s.foreColor });
    store.write(u"FCOLO"_s, ColorValue { s.foreOver });
    store.write(u"MCOL"_s, ColorValue { s.maskColor });
    store.write(u"MPTR"_s, std::int32_t { s.mousePointer });
    picture(u"MICON"_s, s.mouseIcon);
    picture(u"PICN"_s, s.pictureNormal);
    picture(u"PICH"_s, s.pictureOver);
    store.write(u"UMCOL"_s, s.useMaskColor);
    store.write(u"SOFT"_s, s.softBevel);
    store.write(u"PICPOS"_s, std::int32_t { s.picturePosition });
    store.write(u"NGREY"_s, s.useGreyscale);
    store.write(u"FX"_s, std::int32_t { s.specialEffect });
    store.write(u"HAND"_s, s.handPointer);
    store.write(u"CHECK"_s, s.checkBoxBehaviour);
    store.write(u"VALUE"_s, s.value);
}

// --- host ---------------------------------------------------------------------------------------

void StyleButton::setAmbient(const ButtonAmbient& ambient)
{
    m_ambient = ambient;
    m_r.setDefaultButton(ambient.displayAsDefault);
    if (m_r.settings().colorScheme != CustomColors)
        setColors();
    Redraw(lastState(), true);
}

void StyleButton::setDisplayAsDefault(bool on)
{
    ButtonAmbient ambient = m_ambient;
    ambient.displayAsDefault = on;
    setAmbient(ambient);
}

void StyleButton::setColors()
{
    const QWidget* host = parentWidget() ? parentWidget() : this;
    const QPalette& palette = host->palette();
    m_r.setContainerColors(
        fromQColor(palette.color(host->backgroundRole())), fromQColor(palette.color(host->foregroundRole())));
    m_r.setColors();
}

// --- properties ---------------------------------------------------------------------------------

void StyleButton::setBackColor(OleColor colour)
{
    m_r.settings().backColor = colour;
    if (!m_ambient.userMode)
        m_r.settings().backOver = colour;
    setColors();
    Redraw(lastState(), true);
    notify(u"BackColor"_s);
}

void StyleButton::setBackOver(OleColor colour)
{
    m_r.settings().backOver = colour;
    setColors();
    Redraw(lastState(), true);
    notify(u"BackOver"_s);
}

void StyleButton::setForeColor(OleColor colour)
{
    m_r.settings().foreColor = colour;
    if (!m_ambient.userMode)
        m_r.settings().foreOver = colour;
    setColors();
    Redraw(lastState(), true);
    notify(u"ForeColor"_s);
}

void StyleButton::setForeOver(OleColor colour)
{
    m_r.settings().foreOver = colour;
    setColors();
    Redraw(lastState(), true);
    notify(u"ForeOver"_s);
}

void StyleButton::setMaskColor(OleColor colour)
{
    m_r.settings().maskColor = colour;
    setColors();
    Redraw(lastState(), true);
    notify(u"MaskColor"_s);
}

void StyleButton::setSoftBevel(bool on)
{
    m_r.settings().softBevel = on;
    setColors();
    Redraw(lastState(), true);
    notify(u"SoftBevel"_s);
}

void StyleButton::setButtonType(int type)
{
    m_r.settings().buttonType = type;
    if (type == FlatFrame && !m_ambient.userMode)
        setFontBold(true);
    else if (type == ParentBackground && m_r.isShown())
        CaptureParentBackground();
    resizeProcedure();
    notify(u"ButtonType"_s);
}

void StyleButton::setCaption(const QString& caption)
{
    m_r.settings().caption = caption;
    SetAccessKeys();
    calcTextRects();
    Redraw(ButtonRenderer::Normal, true);
    if (QAccessible::isActive()) {
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
    notify(u"Caption"_s);
}

void StyleButton::setEnabled(bool enabled)
{
    m_r.settings().enabled = enabled;
    m_r.setWindowEnabled(enabled && (!parentWidget() || parentWidget()->isEnabled()));
    Redraw(ButtonRenderer::Normal, true);
    QWidget::setEnabled(enabled);
    notify(u"Enabled"_s);
}

void StyleButton::followEnabledState()
{
    // Disabled through QWidget, or with its parent: the stored state is the button's own, the look
    // and the answer of Enabled() are the window's.
    m_r.settings().enabled = !testAttribute(Qt::WA_ForceDisabled);
    m_r.setWindowEnabled(isEnabled());
}

void StyleButton::setFont(const QFont& font)
{
    m_r.settings().font = font;
    fontChanged();
    notify(u"Font"_s);
}

void StyleButton::fontChanged()
{
    QWidget::setFont(m_r.settings().font);
    calcTextRects();
    Redraw(ButtonRenderer::Normal, true);
}

void StyleButton::setFontBold(bool on)
{
    m_r.settings().font.setBold(on);
    fontChanged();
}

void StyleButton::setFontItalic(bool on)
{
    m_r.settings().font.setItalic(on);
    fontChanged();
}

void StyleButton::setFontUnderline(bool on)
{
    m_r.settings().font.setUnderline(on);
    fontChanged();
}

int StyleButton::FontSize() const
{
    return static_cast<int>(std::nearbyint(Font().pointSizeF()));
}

void StyleButton::setFontSize(double points)
{
    if (points <= 0)
        return;
    m_r.settings().font.setPointSizeF(points);
    fontChanged();
}

void StyleButton::setFontName(const QString& name)
{
    m_r.settings().font.setFamily(name);
    fontChanged();
}

void StyleButton::setColorScheme(int scheme)
{
    m_r.settings().colorScheme = scheme;
    setColors();
    Redraw(ButtonRenderer::Normal, true);
    notify(u"ColorScheme"_s);
}

void StyleButton::setShowFocusRect(bool on)
{
    m_r.settings().showFocusRect = on;
    Redraw(lastState(), true);
    notify(u"ShowFocusRect"_s);
}

void StyleButton::setSpecialEffect(int effect)
{
    m_r.settings().specialEffect = effect;
    Redraw(lastState(), true);
    notify(u"SpecialEffect"_s);
}

void StyleButton::setCheckBoxBehaviour(bool on)
{
    m_r.settings().checkBoxBehaviour = on;
    Redraw(lastState(), true);
    notify(u"CheckBoxBehaviour"_s);
}

void StyleButton::setMousePointer(int code)
{
    m_r.settings().mousePointer = code;
    applyPointer();
    notify(u"MousePointer"_s);
}

void StyleButton::setMouseIcon(const Picture& icon)
{
    m_r.settings().mouseIcon = icon;
    applyPointer();
    notify(u"MouseIcon"_s);
}

void StyleButton::setHandPointer(bool on)
{
    ButtonSettings& s = m_r.settings();
    s.handPointer = on;
    if (on) {
        s.mouseIcon = Picture(HandCursor::image(), Picture::Type::Icon);
        s.mousePointer = PointerCustom;
    } else {
        s.mouseIcon = Picture();
        s.mousePointer = PointerArrow;
    }
    applyPointer();
    notify(u"HandPointer"_s);
}

void StyleButton::applyPointer()
{
    const ButtonSettings& s = m_r.settings();
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,
        Qt::ArrowCursor,
        Qt::CrossCursor,
        Qt::IBeamCursor,
        Qt::ArrowCursor,
        Qt::SizeAllCursor,
        Qt::SizeBDiagCursor,
        Qt::SizeVerCursor,
        Qt::SizeFDiagCursor,
        Qt::SizeHorCursor,
        Qt::UpArrowCursor,
        Qt::WaitCursor,
        Qt::ForbiddenCursor,
        Qt::BusyCursor,
        Qt::WhatsThisCursor,
        Qt::SizeAllCursor,
    };
    if (s.mousePointer == PointerCustom) {
        // An unusable custom image leaves the pointer as it is.
        if (s.handPointer)
            setCursor(HandCursor::cursor());
        else if (!s.mouseIcon.isNull())
            setCursor(QCursor(QPixmap::fromImage(s.mouseIcon.image())));
    } else if (s.mousePointer > 0 && s.mousePointer < static_cast<int>(std::size(shapes))) {
        setCursor(shapes[s.mousePointer]);
    } else {
        unsetCursor();
    }
}

void StyleButton::setPictureNormal(const Picture& picture)
{
    m_r.settings().pictureNormal = picture;
    m_r.calcPictureSize();
    calcTextRects();
    Redraw(lastState(), true);
    notify(u"PictureNormal"_s);
}

void StyleButton::setPictureOver(const Picture& picture)
{
    m_r.settings().pictureOver = picture;
    if (isOver())
        Redraw(lastState(), true);
    notify(u"PictureOver"_s);
}

QPixmap StyleButton::pictureNormalPixmap() const
{
    return QPixmap::fromImage(PictureNormal().image());
}

void StyleButton::setPictureNormalPixmap(const QPixmap& pixmap)
{
    setPictureNormal(pixmap.isNull() ? Picture() : Picture(pixmap.toImage(), Picture::Type::Bitmap));
}

QPixmap StyleButton::pictureOverPixmap() const
{
    return QPixmap::fromImage(PictureOver().image());
}

void StyleButton::setPictureOverPixmap(const QPixmap& pixmap)
{
    setPictureOver(pixmap.isNull() ? Picture() : Picture(pixmap.toImage(), Picture::Type::Bitmap));
}

void StyleButton::setPicturePosition(int position)
{
    m_r.settings().picturePosition = position;
    notify(u"PicturePosition"_s);
    calcTextRects();
    Redraw(lastState(), true);
}

void StyleButton::setUseMaskColor(bool on)
{
    m_r.settings().useMaskColor = on;
    if (!PictureNormal().isNull())
        Redraw(lastState(), true);
    notify(u"UseMaskColor"_s);
}

void StyleButton::setUseGreyscale(bool on)
{
    m_r.settings().useGreyscale = on;
    if (!PictureNormal().isNull())
        Redraw(lastState(), true);
    notify(u"UseGreyscale"_s);
}

void StyleButton::setValue(bool value)
{
    m_r.settings().value = value;
    if (CheckBoxBehaviour())
        Redraw(ButtonRenderer::Normal, true);
    notify(u"Value"_s);
}

void StyleButton::SetAccessKeys()
{
    if (m_shortcutId != 0) {
        releaseShortcut(m_shortcutId);
        m_shortcutId = 0;
    }
    m_accessKey.clear();
    const QString& caption = m_r.settings().caption;
    const QChar amp = u'&';
    if (caption.size() > 1) {
        const qsizetype p = caption.indexOf(amp);
        if (p >= 0 && p < caption.size() - 1) {
            if (caption[p + 1] != amp) {
                m_accessKey = caption[p + 1].toLower();
            } else {
                const qsizetype q = caption.indexOf(amp, p + 2);
                if (q >= 0 && q < caption.size() - 1 && caption[q + 1] != amp)
                    m_accessKey = caption[q + 1].toLower();
            }
        }
    }
    if (!m_accessKey.isEmpty())
        m_shortcutId = grabShortcut(accessSequence());
}

QKeySequence StyleButton::accessSequence() const
{
    return m_accessKey.isEmpty() ? QKeySequence() : QKeySequence(u"Alt+"_s + m_accessKey.toUpper());
}

// --- methods and machinery ----------------------------------------------------------------------

void StyleButton::DisableRefresh()
{
    m_r.setShown(false);
}

void StyleButton::Refresh()
{
    if (ButtonType() == ParentBackground)
        CaptureParentBackground();
    setColors();
    calcTextRects();
    m_r.setShown(true);
    Redraw(lastState(), true);
}

bool StyleButton::Redraw(int state, bool force)
{
    if (!m_r.redraw(state, force))
        return false;
    update();
    return true;
}

void StyleButton::resizeProcedure()
{
    if (m_resizeGuard)
        return;
    m_r.setSize(width(), height());
    setMask(m_r.makeRegion());
    if (height() != 0)
        Redraw(ButtonRenderer::Normal, true);
}

void StyleButton::CaptureParentBackground()
{
    // What shows behind the button comes from the nearest ancestor that paints a background of its
    // own, or else from the window; a plain container in between paints nothing there.
    QWidget* source = parentWidget();
    while (source && !source->isWindow() && !source->autoFillBackground()
        && !source->testAttribute(Qt::WA_OpaquePaintEvent))
        source = source->parentWidget();
    const int w = width();
    const int h = height();
    m_resizeGuard = true;
    resize(w, 0);
    if (source && w > 0 && h > 0) {
        QImage shot = source->grab(QRect(mapTo(source, QPoint(0, 0)), QSize(w, h))).toImage();
        if (!shot.isNull()) {
            if (shot.size() != QSize(w, h))
                shot = shot.scaled(w, h);
            m_r.setParentBackground(shot.convertToFormat(QImage::Format_RGB32));
        }
    }
    resize(w, h);
    m_resizeGuard = false;
}

bool StyleButton::isOverTimerActive() const
{
    return m_overTimer->isActive();
}

bool StyleButton::IsMouseOver() const
{
    if (m_pointerProbe)
        return m_pointerProbe();
    // widgetAt honours the window shape, so cut-away corners count as outside.
    return QApplication::widgetAt(QCursor::pos()) == this;
}

void StyleButton::pollPointer()
{
    if (IsMouseOver())
        return;
    m_overTimer->stop();
    m_r.setOver(false);
    Redraw(ButtonRenderer::Normal, true);
    emit MouseOut();
}

// --- window events ------------------------------------------------------------------------------

bool StyleButton::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (m_shortcutId != 0
            && (shortcut->shortcutId() == m_shortcutId || shortcut->key() == accessSequence())) {
            press();
            return true;
        }
    }
    return QWidget::event(event);
}

void StyleButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_r.image());
}

void StyleButton::resizeEvent(QResizeEvent*)
{
    resizeProcedure();
}

void StyleButton::showEvent(QShowEvent*)
{
    showLook();
}

void StyleButton::showLook()
{
    if (ButtonType() == ParentBackground)
        CaptureParentBackground();
    m_r.setShown(true);
    setColors();
    Redraw(ButtonRenderer::Normal, true);
}

void StyleButton::hideEvent(QHideEvent*)
{
    m_r.setShown(false);
}

void StyleButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        followEnabledState();
        Redraw(ButtonRenderer::Normal, true);
    }
    // The desktop's colours changed: the ambient change of the host.
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        && ColorScheme() != CustomColors) {
        setColors();
        Redraw(lastState(), true);
    }
    QWidget::changeEvent(event);
}

bool StyleButton::pressed(int button, int shift, float x, float y)
{
    const QPointer<StyleButton> alive(this);
    emit MouseDown(button, shift, x, y);
    if (!alive)
        return false;
    m_lastMouseButton = button;
    if (button != 2)
        Redraw(ButtonRenderer::Pressed, false);
    return true;
}

void StyleButton::mousePressEvent(QMouseEvent* event)
{
    m_releaseEndsDoubleClick = false;
    lastPressed() = this;
    m_lastPressTime = event->timestamp();
    const QPointF at = event->position();
    pressed(buttonCode(event->button()), shiftCode(event->modifiers()), static_cast<float>(at.x()),
        static_cast<float>(at.y()));
}

void StyleButton::mouseMoveEvent(QMouseEvent* event)
{
    const int buttons = buttonsCode(event->buttons());
    const QPointF at = event->position();
    const QPointer<StyleButton> alive(this);
    emit MouseMove(
        buttons, shiftCode(event->modifiers()), static_cast<float>(at.x()), static_cast<float>(at.y()));
    if (!alive || (buttons != 0 && buttons != 1))
        return;
    const bool over = IsMouseOver();
    if (over && buttons == 0 && !isOver()) {
        m_overTimer->start();
        m_r.setOver(true);
        Redraw(ButtonRenderer::Normal, true);
        emit MouseOver();
    } else if (over && buttons == 1) {
        m_r.setOver(true);
        Redraw(ButtonRenderer::Pressed, false);
        m_r.setOver(false);
    } else if (!over) {
        Redraw(ButtonRenderer::Normal, false);
    }
}

void StyleButton::mouseReleaseEvent(QMouseEvent* event)
{
    const int button = buttonCode(event->button());
    const QPointF at = event->position();
    const QPointer<StyleButton> alive(this);
    emit MouseUp(
        button, shiftCode(event->modifiers()), static_cast<float>(at.x()), static_cast<float>(at.y()));
    if (!alive)
        return;
    if (button != 2)
        Redraw(ButtonRenderer::Normal, false);
    const bool endsDoubleClick = m_releaseEndsDoubleClick;
    m_releaseEndsDoubleClick = false;
    // A click is a left release over the button's shape; the release that ends a double click is none.
    const QPoint point = at.toPoint();
    const bool inside = rect().contains(point) && (mask().isEmpty() || mask().contains(point));
    if (event->button() == Qt::LeftButton && inside && !endsDoubleClick)
        clicked();
}

void StyleButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click whose first press went elsewhere (a neighbour, or a button this one replaced)
    // is this button's first click.
    const auto interval = static_cast<quint64>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    if (lastPressed() != this || event->timestamp() - m_lastPressTime > interval) {
        mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton || m_lastMouseButton != 1)
        return;
    if (pressed(1, 0, 0.0f, 0.0f))
        m_releaseEndsDoubleClick = true;
}

void StyleButton::press()
{
    m_lastMouseButton = 1;
    clicked();
}

void StyleButton::clicked()
{
    if (m_lastMouseButton != 1 || !Enabled())
        return;
    ButtonSettings& s = m_r.settings();
    if (s.checkBoxBehaviour)
        s.value = !s.value;
    Redraw(ButtonRenderer::Normal, true);
    repaint();
    emit Click();
}

void StyleButton::keyPressEvent(QKeyEvent* event)
{
    const int code = keyCode(event);
    const QPointer<StyleButton> alive(this);
    // Taken, so that Qt does not pass it on to the parent of a button deleted by a handler.
    event->accept();
    emit KeyDown(code, shiftCode(event->modifiers()));
    if (!alive)
        return;
    m_lastKeyCode = code & 0xFF;
    bool handled = true;
    switch (code) {
    case 32:
        Redraw(ButtonRenderer::Pressed, false);
        break;
    case 37:
    case 38:
        focusNextPrevChild(false);
        break;
    case 39:
    case 40:
        focusNextPrevChild(true);
        break;
    default:
        handled = false;
        break;
    }
    if (const int ascii = keyAscii(event); ascii >= 0) {
        emit KeyPress(ascii);
        if (!alive)
            return;
    }
    event->setAccepted(handled);
}

void StyleButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    const int code = keyCode(event);
    const QPointer<StyleButton> alive(this);
    event->accept();
    emit KeyUp(code, shiftCode(event->modifiers()));
    if (!alive)
        return;
    if (m_lastKeyCode == 32 && code == 32) {
        ButtonSettings& s = m_r.settings();
        if (s.checkBoxBehaviour)
            s.value = !s.value;
        Redraw(ButtonRenderer::Normal, false);
        repaint();
        emit Click();
        return;
    }
    event->ignore();
}

void StyleButton::focusInEvent(QFocusEvent* event)
{
    m_r.setFocused(true);
    Redraw(lastState(), true);
    QWidget::focusInEvent(event);
}

void StyleButton::focusOutEvent(QFocusEvent* event)
{
    m_r.setFocused(false);
    Redraw(lastState(), true);
    QWidget::focusOutEvent(event);
}

} // namespace qv
