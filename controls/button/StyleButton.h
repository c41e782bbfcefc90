#pragma once

#include <QFont>
#include <QImage>
#include <QKeySequence>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <functional>

#include "controls/button/ButtonRenderer.h"
#include "platform/gui/PropertyStore.h"

class QTimer;

namespace qv {

// What the hosting window tells the button about itself.
struct ButtonAmbient
{
    bool userMode = true; // false while a form designer shows the button
    QString displayName; // the name the host gives the control, the caption of a new one
    QFont font; // the host's font, the font of a new button
    bool displayAsDefault = false; // the button is its window's default button
};

// A push button (optionally a two-state toggle) that paints itself in one of fourteen styles,
// shows a hover look while the pointer is over it and raises button events.
class StyleButton final : public QWidget
{
    Q_OBJECT
    // Colours as Designer's colour editor and uic carry them (see toDesignerColor).
    Q_PROPERTY(QColor BackColor READ designerBackColor WRITE setBackColor)
    Q_PROPERTY(QColor BackOver READ designerBackOver WRITE setBackOver)
    Q_PROPERTY(QColor ForeColor READ designerForeColor WRITE setForeColor)
    Q_PROPERTY(QColor ForeOver READ designerForeOver WRITE setForeOver)
    Q_PROPERTY(QColor MaskColor READ designerMaskColor WRITE setMaskColor)
    Q_PROPERTY(ButtonStyle ButtonType READ ButtonType WRITE setButtonType)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(QFont Font READ Font WRITE setFont)
    Q_PROPERTY(ColorSource ColorScheme READ ColorScheme WRITE setColorScheme)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE setShowFocusRect)
    Q_PROPERTY(int MousePointer READ MousePointer WRITE setMousePointer)
    Q_PROPERTY(bool HandPointer READ HandPointer WRITE setHandPointer)
    Q_PROPERTY(bool SoftBevel READ SoftBevel WRITE setSoftBevel)
    Q_PROPERTY(QPixmap PictureNormal READ pictureNormalPixmap WRITE setPictureNormalPixmap)
    Q_PROPERTY(QPixmap PictureOver READ pictureOverPixmap WRITE setPictureOverPixmap)
    Q_PROPERTY(PictureAlign PicturePosition READ PicturePosition WRITE setPicturePosition)
    Q_PROPERTY(bool UseMaskColor READ UseMaskColor WRITE setUseMaskColor)
    Q_PROPERTY(bool UseGreyscale READ UseGreyscale WRITE setUseGreyscale)
    Q_PROPERTY(TextEffect SpecialEffect READ SpecialEffect WRITE setSpecialEffect)
    Q_PROPERTY(bool CheckBoxBehaviour READ CheckBoxBehaviour WRITE setCheckBoxBehaviour)
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(QString Version READ Version)

public:
    enum ButtonStyle : int {
        OutlinedBevel = 1,
        Standard = 2,
        GradientFace = 3,
        CutCornerBevel = 4,
        FlatFrame = 5,
        LightBevel = 6,
        ThinBevel = 7,
        ThinBevelOnHover = 8,
        FillOnHover = 9,
        FaceOnly = 10,
        ParentBackground = 11,
        BevelOnHover = 12,
        Elliptic = 13,
        HighlightGradient = 14,
    };
    Q_ENUM(ButtonStyle)
    enum ColorSource : int { SystemColors = 1, CustomColors = 2, FixedGrey = 3, ContainerColors = 4 };
    Q_ENUM(ColorSource)
    enum PictureAlign : int {
        PictureLeft = 0,
        PictureRight = 1,
        PictureTop = 2,
        PictureBottom = 3,
        PictureBehind = 4
    };
    Q_ENUM(PictureAlign)
    enum TextEffect : int { EffectNone = 0, EffectRaised = 1, EffectSunken = 2, EffectShadow = 3 };
    Q_ENUM(TextEffect)

    // Pointer codes with a meaning of their own.
    static constexpr int PointerDefault = 0;
    static constexpr int PointerArrow = 1;
    static constexpr int PointerCustom = 99;

    explicit StyleButton(QWidget* parent = nullptr);
    ~StyleButton() override;
    Q_DISABLE_COPY_MOVE(StyleButton)

    // --- properties ---
    OleColor BackColor() const { return m_r.settings().backColor; }
    void setBackColor(OleColor colour);
    OleColor BackOver() const { return m_r.settings().backOver; }
    void setBackOver(OleColor colour);
    OleColor ForeColor() const { return m_r.settings().foreColor; }
    void setForeColor(OleColor colour);
    OleColor ForeOver() const { return m_r.settings().foreOver; }
    void setForeOver(OleColor colour);
    OleColor MaskColor() const { return m_r.settings().maskColor; }
    void setMaskColor(OleColor colour);
    ButtonStyle ButtonType() const { return static_cast<ButtonStyle>(m_r.settings().buttonType); }
    void setButtonType(int type);
    QString Caption() const { return m_r.settings().caption; }
    void setCaption(const QString& caption);
    // The window's enabled state: false also while the parent is disabled.
    bool Enabled() const { return isEnabled(); }
    void setEnabled(bool enabled);
    QFont Font() const { return m_r.settings().font; }
    void setFont(const QFont& font);
    bool FontBold() const { return Font().bold(); }
    void setFontBold(bool on);
    bool FontItalic() const { return Font().italic(); }
    void setFontItalic(bool on);
    bool FontUnderline() const { return Font().underline(); }
    void setFontUnderline(bool on);
    int FontSize() const;
    void setFontSize(double points);
    QString FontName() const { return Font().family(); }
    void setFontName(const QString& name);
    ColorSource ColorScheme() const { return static_cast<ColorSource>(m_r.settings().colorScheme); }
    void setColorScheme(int scheme);
    bool ShowFocusRect() const { return m_r.settings().showFocusRect; }
    void setShowFocusRect(bool on);
    int MousePointer() const { return m_r.settings().mousePointer; }
    void setMousePointer(int code);
    Picture MouseIcon() const { return m_r.settings().mouseIcon; }
    void setMouseIcon(const Picture& icon);
    bool HandPointer() const { return m_r.settings().handPointer; }
    void setHandPointer(bool on);
    WId hwnd() const { return winId(); }
    bool SoftBevel() const { return m_r.settings().softBevel; }
    void setSoftBevel(bool on);
    Picture PictureNormal() const { return m_r.settings().pictureNormal; }
    void setPictureNormal(const Picture& picture);
    Picture PictureOver() const { return m_r.settings().pictureOver; }
    void setPictureOver(const Picture& picture);
    PictureAlign PicturePosition() const { return static_cast<PictureAlign>(m_r.settings().picturePosition); }
    void setPicturePosition(int position);
    bool UseMaskColor() const { return m_r.settings().useMaskColor; }
    void setUseMaskColor(bool on);
    bool UseGreyscale() const { return m_r.settings().useGreyscale; }
    void setUseGreyscale(bool on);
    TextEffect SpecialEffect() const { return static_cast<TextEffect>(m_r.settings().specialEffect); }
    void setSpecialEffect(int effect);
    bool CheckBoxBehaviour() const { return m_r.settings().checkBoxBehaviour; }
    void setCheckBoxBehaviour(bool on);
    bool Value() const { return m_r.settings().value; }
    void setValue(bool value);
    QString Version() const { return QStringLiteral("2.0.6"); }
    // The lower-case access key taken from the caption, empty when there is none.
    QString AccessKeys() const { return m_accessKey; }

    // The colours in their designer form; the setters take it too.
    QColor designerBackColor() const { return toDesignerColor(BackColor()); }
    void setBackColor(const QColor& colour) { setBackColor(fromDesignerColor(colour)); }
    QColor designerBackOver() const { return toDesignerColor(BackOver()); }
    void setBackOver(const QColor& colour) { setBackOver(fromDesignerColor(colour)); }
    QColor designerForeColor() const { return toDesignerColor(ForeColor()); }
    void setForeColor(const QColor& colour) { setForeColor(fromDesignerColor(colour)); }
    QColor designerForeOver() const { return toDesignerColor(ForeOver()); }
    void setForeOver(const QColor& colour) { setForeOver(fromDesignerColor(colour)); }
    QColor designerMaskColor() const { return toDesignerColor(MaskColor()); }
    void setMaskColor(const QColor& colour) { setMaskColor(fromDesignerColor(colour)); }

    QPixmap pictureNormalPixmap() const;
    void setPictureNormalPixmap(const QPixmap& pixmap);
    QPixmap pictureOverPixmap() const;
    void setPictureOverPixmap(const QPixmap& pixmap);

    // --- methods ---
    // A click without the mouse, as the access key and assistive technology give it.
    void press();
    void DisableRefresh();
    void Refresh();

    // --- stored settings ---
    // Creation defaults of a new button (no stored settings); taken from the host's ambient.
    void InitProperties();
    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    // --- host ---
    const ButtonAmbient& ambient() const { return m_ambient; }
    // Takes new ambient information and reacts as to an ambient change.
    void setAmbient(const ButtonAmbient& ambient);
    void setDisplayAsDefault(bool on);

    // --- machinery, visible for the host and for tests ---
    const ButtonRenderer& renderer() const { return m_r; }
    const QImage& image() const { return m_r.image(); }
    bool isOver() const { return m_r.isOver(); }
    bool hasButtonFocus() const { return m_r.hasFocus(); }
    int lastState() const { return m_r.lastState(); }
    bool isOverTimerActive() const;
    // Replaces the window-system probe that tells whether the pointer is over the button.
    void setPointerProbe(std::function<bool()> probe) { m_pointerProbe = std::move(probe); }
    bool IsMouseOver() const;
    // One tick of the hover poll timer.
    void pollPointer();
    bool Redraw(int state, bool force);
    void CaptureParentBackground();

signals:
    void Click();
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void KeyPress(int keyAscii);
    void KeyDown(int keyCode, int shift);
    void KeyUp(int keyCode, int shift);
    void MouseOver();
    void MouseOut();
    // A stored setting changed (the host marks its stored settings dirty).
    void PropertyChanged(const QString& name);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void notify(const QString& name) { emit PropertyChanged(name); }
    void setColors();
    void resizeProcedure();
    void calcTextRects() { m_r.calcTextRects(); }
    void SetAccessKeys();
    QKeySequence accessSequence() const;
    void applyPointer();
    void followEnabledState();
    // Capture, colours and a repaint, as a show does.
    void showLook();
    void fontChanged();
    // False when a MouseDown handler deleted the button.
    bool pressed(int button, int shift, float x, float y);
    void clicked();

    ButtonRenderer m_r;
    ButtonAmbient m_ambient;
    QTimer* m_overTimer = nullptr;
    std::function<bool()> m_pointerProbe;
    QString m_accessKey;
    int m_shortcutId = 0;
    int m_lastMouseButton = 0;
    quint64 m_lastPressTime = 0;
    int m_lastKeyCode = 0;
    bool m_resizeGuard = false;
    bool m_releaseEndsDoubleClick = false;
};

} // namespace qv
