#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <optional>

#include "controls/button/ButtonPalette.h"
#include "controls/button/ButtonSettings.h"
#include "platform/gui/ImageSurface.h"

namespace qv {

// The button's painting machinery: palette, geometry, caption layout, the fourteen styles and the
// pictures, all drawn into one persistent image. It knows nothing of windows or input; the widget
// feeds it the hover, focus and default-button facts.
class ButtonRenderer final
{
public:
    enum State { Normal = 0, Pressed = 2 };
    enum PictureState { PictureNormalState = 0, PicturePressedState = 1, PictureDisabledState = 2 };

    ButtonRenderer();
    Q_DISABLE_COPY_MOVE(ButtonRenderer)

    ButtonSettings& settings() { return m_settings; }
    const ButtonSettings& settings() const { return m_settings; }
    const ButtonPalette& palette() const { return m_palette; }
    const ImageSurface& surface() const { return m_surface; }
    ImageSurface& surface() { return m_surface; }
    const QImage& image() const { return m_surface.image(); }

    // Background and text colour of the parent, for the container scheme.
    void setContainerColors(Rgb background, Rgb text);
    void setDefaultButton(bool on) { m_isDefault = on; }
    bool isDefaultButton() const { return m_isDefault; }
    void setOver(bool over) { m_isOver = over; }
    bool isOver() const { return m_isOver; }
    void setFocused(bool focused) { m_hasFocus = focused; }
    bool hasFocus() const { return m_hasFocus; }
    void setShown(bool shown) { m_isShown = shown; }
    // The window's own enabled state (a disabled parent disables it too); either that or the
    // stored setting being off gives the disabled look.
    void setWindowEnabled(bool enabled) { m_windowEnabled = enabled; }
    bool isShown() const { return m_isShown; }
    // The parent's pixels under the control, shown by the parent-background style.
    void setParentBackground(const QImage& pixels) { m_parentBackground = pixels; }
    const QImage& parentBackground() const { return m_parentBackground; }

    int lastState() const { return m_lastState; }
    int captionMode() const { return m_captionMode; }

    Rgb shiftColor(Rgb colour, int value, bool blueWeighted = false) const;
    void setColors();

    // The geometric part of a size change: surface size, focus rectangle, caption layout.
    void setSize(int width, int height);
    void calcTextRects();
    void calcPictureSize();
    void calcPicturePosition();
    QRegion makeRegion() const;

    // Paints unless nothing changed (and force is clear); true when it painted.
    bool redraw(int state, bool force);
    void drawCaption(int mode);
    void drawPictures(int pictureState);
    // Per-pixel copy of a picture; brush paints a silhouette, monoMask limits it to dark pixels.
    void transBlt(int x, int y, int w, int h, const Picture& picture, Rgb transparent,
        std::optional<Rgb> brush, bool monoMask, bool greyscale, bool blend);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Rect focusRect() const { return m_focusRect; }
    Rect captionRect() const { return m_captionRect; }
    Rect pressedCaptionRect() const { return m_pressedCaptionRect; }
    int captionWidth() const { return m_captionWidth; }
    int captionHeight() const { return m_captionHeight; }
    QPoint pictureOrigin() const { return { m_px, m_py }; }
    QSize pictureSize() const { return { m_pw, m_ph }; }

private:
    enum class Look { Normal, Pressed, Disabled };

    bool customScheme() const { return m_settings.colorScheme == 2; }
    Rgb shift(Rgb colour, int value) const { return shiftColor(colour, value, false); }
    Rgb bshift(Rgb colour, int value) const { return shiftColor(colour, value, true); }
    int hoverMode() const { return m_isOver ? 1 : 0; }

    void fill(int x, int y, int w, int h, Rgb colour);
    void box(int x, int y, int w, int h, Rgb colour);
    void line(int x1, int y1, int x2, int y2, Rgb colour);
    void pixel(int x, int y, Rgb colour);
    void corners(Rgb colour);
    void drawFrame(Rgb c1, Rgb c2, Rgb c3, Rgb c4, int extra, bool flat);
    void bevel(Rgb c1, Rgb c2, Rgb c3, Rgb c4, int extra) { drawFrame(c1, c2, c3, c4, extra, false); }
    void flatFrame(Rgb c1, Rgb c2, int extra) { drawFrame(c1, c2, 0, 0, extra, true); }
    void gradient(Rgb colour, int k, bool blueWeighted, bool down);
    void focus();
    void captionText(const Rect& rect, Rgb colour);
    void effectCopies(const Rect& rect);
    void pictureEffect(int offset, const Picture& picture);

    void drawStyle(Look look);
    void drawStyle3(Look look);
    void drawStyle4(Look look);
    void drawStyle5(Look look);
    void drawStyle14(Look look);

    ButtonSettings m_settings;
    ButtonPalette m_palette;
    ImageSurface m_surface;
    QImage m_parentBackground;
    Rgb m_containerBackground = 0xFFFFFF;
    Rgb m_containerText = 0;

    int m_width = 0;
    int m_height = 0;
    Rect m_focusRect;
    Rect m_captionRect;
    Rect m_pressedCaptionRect;
    int m_captionWidth = 0;
    int m_captionHeight = 0;
    int m_px = 0;
    int m_py = 0;
    int m_pw = 0;
    int m_ph = 0;

    int m_lastState = Normal;
    QString m_lastCaption;
    int m_captionMode = 0;
    bool m_isOver = false;
    bool m_hasFocus = false;
    bool m_isShown = true;
    bool m_windowEnabled = true;
    bool m_isDefault = false;
};

} // namespace qv
