#include "controls/button/ButtonRenderer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "controls/button/ButtonColors.h"

namespace qv {

namespace {

constexpr int CaptionFlags = TextFormat::WordBreak | TextFormat::Center | TextFormat::VCenter;

int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

Rgb fromQRgb(QRgb pixel)
{
    return rgb(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

} // namespace

ButtonRenderer::ButtonRenderer() = default;

void ButtonRenderer::setContainerColors(Rgb background, Rgb text)
{
    m_containerBackground = background;
    m_containerText = text;
}

Rgb ButtonRenderer::shiftColor(Rgb colour, int value, bool blueWeighted) const
{
    return ShiftColor(colour, value, blueWeighted, m_settings.softBevel);
}

void ButtonRenderer::setColors()
{
    ButtonPalette& p = m_palette;
    switch (m_settings.colorScheme) {
    case 2:
        p.faceColor = TranslateColor(m_settings.backColor);
        p.textColor = TranslateColor(m_settings.foreColor);
        p.textOverColor = TranslateColor(m_settings.foreOver);
        p.shadowColor = shift(p.faceColor, -64);
        p.lightColor = shift(p.faceColor, 31);
        p.highlightColor = shift(p.faceColor, 47);
        p.darkShadowColor = shift(p.faceColor, -192);
        p.accentColor = shift(p.faceColor, -128);
        p.accentFillColor = p.faceColor;
        break;
    case 3:
        p.faceColor = 0xC0C0C0;
        p.textColor = 0x000000;
        p.textOverColor = 0x000000;
        p.shadowColor = 0x808080;
        p.lightColor = 0xDFDFDF;
        p.highlightColor = 0xFFFFFF;
        p.darkShadowColor = 0x000000;
        p.accentColor = 0x800000;
        p.accentFillColor = 0xD1ADAD;
        break;
    case 4:
        p.faceColor = m_containerBackground;
        p.textColor = m_containerText;
        p.textOverColor = p.textColor;
        p.shadowColor = shift(p.faceColor, -64);
        p.lightColor = shift(p.faceColor, 31);
        p.highlightColor = shift(p.faceColor, 47);
        p.darkShadowColor = shift(p.faceColor, -192);
        p.accentColor = systemColor(SysColor::Highlight);
        p.accentFillColor = BlendToWhite(p.accentColor, 176);
        break;
    default:
        p.faceColor = systemColor(SysColor::ButtonFace);
        p.textColor = systemColor(SysColor::ButtonText);
        p.textOverColor = p.textColor;
        p.shadowColor = systemColor(SysColor::ButtonShadow);
        p.lightColor = systemColor(SysColor::Light3D);
        p.highlightColor = systemColor(SysColor::ButtonHighlight);
        p.darkShadowColor = systemColor(SysColor::DarkShadow3D);
        p.accentColor = systemColor(SysColor::Highlight);
        p.accentFillColor = BlendToWhite(p.accentColor, 176);
        break;
    }
    p.maskRgb = TranslateColor(m_settings.maskColor);
    p.tintColor = shiftColor(p.faceColor, 48, m_settings.buttonType == 3);
}

void ButtonRenderer::setSize(int width, int height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    if (m_surface.width() != m_width || m_surface.height() != m_height)
        m_surface.resize(m_width, m_height);
    const int type = m_settings.buttonType;
    Rect client { 0, 0, m_width, m_height };
    if (type >= 7 && type <= 13)
        m_focusRect = { 3, 3, client.right - 3, client.bottom - 3 };
    else if (type == 14)
        m_focusRect = Rect { 5, 5, client.right - 5, client.bottom - 5 }.translated(1, 1);
    else
        m_focusRect = { 4, 4, client.right - 4, client.bottom - 4 };
    calcTextRects();
}

void ButtonRenderer::calcPictureSize()
{
    const Picture& picture = m_settings.pictureNormal;
    if (picture.isNull()) {
        m_pw = 0;
        m_ph = 0;
        return;
    }
    m_pw = roundHalfEven(himetricToPixels(picture.widthHimetric()));
    m_ph = roundHalfEven(himetricToPixels(picture.heightHimetric()));
}

void ButtonRenderer::calcTextRects()
{
    const int W = m_width;
    const int H = m_height;
    const int p = m_settings.picturePosition;
    Rect start = m_captionRect;
    switch (p) {
    case 0:
        start = { m_pw + 1, 1, W - 2, H - 2 };
        break;
    case 1:
        start = { 1, 1, W - m_pw - 2, H - 2 };
        break;
    case 2:
        start = { 1, m_ph + 1, W - 2, H - 2 };
        break;
    case 3:
        start = { 1, 1, W - 2, H - m_ph - 2 };
        break;
    case 4:
        start = { 1, 1, W - 2, H - 2 };
        break;
    default:
        break;
    }
    m_surface.setFont(m_settings.font);
    Rect r = m_surface.measureText(m_settings.caption, start, TextFormat::WordBreak | TextFormat::CalcRect);
    m_captionWidth = r.width();
    m_captionHeight = r.height();
    switch (p) {
    case 1:
        r = r.translated((W - r.right - m_pw - 4) / 2, (H - r.bottom) / 2);
        break;
    case 3:
        r = r.translated((W - r.right) / 2, (H - r.bottom - m_ph - 4) / 2);
        break;
    case 0:
    case 2:
    case 4:
        r = r.translated((W - r.right) / 2, (H - r.bottom) / 2);
        break;
    default:
        break;
    }
    m_captionRect = r;
    m_pressedCaptionRect = r.translated(1, 1);
    calcPicturePosition();
}

void ButtonRenderer::calcPicturePosition()
{
    if (m_settings.pictureNormal.isNull() && m_settings.pictureOver.isNull())
        return;
    const int W = m_width;
    const int H = m_height;
    const int p = m_settings.picturePosition;
    if (!m_settings.caption.trimmed().isEmpty() && p != 4) {
        switch (p) {
        case 0:
            m_px = m_captionRect.left - m_pw - 4;
            m_py = (H - m_ph) / 2;
            break;
        case 1:
            m_px = m_captionRect.right + 4;
            m_py = (H - m_ph) / 2;
            break;
        case 2:
            m_px = (W - m_pw) / 2;
            m_py = m_captionRect.top - m_ph - 2;
            break;
        case 3:
            m_px = (W - m_pw) / 2;
            m_py = m_captionRect.bottom + 2;
            break;
        default:
            break;
        }
    } else {
        m_px = (W - m_pw) / 2;
        m_py = (H - m_ph) / 2;
    }
}

QRegion ButtonRenderer::makeRegion() const
{
    const int W = m_width;
    const int H = m_height;
    QRegion region(0, 0, W, H);
    auto cut = [&region](std::initializer_list<QPoint> points) {
        for (const QPoint& p : points)
            region -= QRegion(p.x(), p.y(), 1, 1);
    };
    switch (m_settings.buttonType) {
    case 1:
    case 14:
        cut({ { 0, 0 }, { W - 1, 0 }, { 0, H - 1 }, { W - 1, H - 1 } });
        break;
    case 5:
        cut({ { 0, H - 1 }, { W - 1, 0 } });
        break;
    case 3:
    case 4:
        cut({ { 0, 0 }, { 1, 0 }, { 0, 1 }, { W - 2, 0 }, { W - 1, 0 }, { W - 1, 1 }, { 0, H - 1 },
            { 1, H - 1 }, { 0, H - 2 }, { W - 2, H - 1 }, { W - 1, H - 1 }, { W - 1, H - 2 } });
        break;
    case 13:
        region = QRegion(0, 0, W, H, QRegion::Ellipse);
        break;
    default:
        break;
    }
    return region;
}

bool ButtonRenderer::redraw(int state, bool force)
{
    if (m_settings.checkBoxBehaviour && m_settings.value)
        state = Pressed;
    const bool changed = force || m_settings.caption != m_lastCaption || state != m_lastState;
    if (!changed || m_height == 0 || !m_isShown)
        return false;
    m_lastState = state;
    m_lastCaption = m_settings.caption;

    m_surface.setBackground(m_palette.faceColor);
    m_surface.clear();
    m_surface.setFont(m_settings.font);

    // With custom colours the whole palette follows the hover colour while the pointer is over.
    const bool hoverColours = m_isOver && customScheme();
    const OleColor savedBack = m_settings.backColor;
    if (hoverColours) {
        m_settings.backColor = m_settings.backOver;
        setColors();
    }

    fill(0, 0, m_width, m_height, m_palette.faceColor);
    if (!m_settings.enabled || !m_windowEnabled) {
        drawStyle(Look::Disabled);
        drawPictures(PictureDisabledState);
    } else if (state == Pressed) {
        drawStyle(Look::Pressed);
        drawPictures(PicturePressedState);
    } else if (state == Normal) {
        drawStyle(Look::Normal);
        drawPictures(PictureNormalState);
    }

    if (hoverColours) {
        m_settings.backColor = savedBack;
        setColors();
    }
    return true;
}

// --- primitives ---------------------------------------------------------------------------------

void ButtonRenderer::fill(int x, int y, int w, int h, Rgb colour)
{
    m_surface.fillRect({ x, y, x + w, y + h }, colour);
}

void ButtonRenderer::box(int x, int y, int w, int h, Rgb colour)
{
    m_surface.frameRect({ x, y, x + w, y + h }, colour);
}

void ButtonRenderer::line(int x1, int y1, int x2, int y2, Rgb colour)
{
    m_surface.drawLine(x1, y1, x2, y2, colour);
}

void ButtonRenderer::pixel(int x, int y, Rgb colour)
{
    m_surface.setPixel(x, y, colour);
}

void ButtonRenderer::corners(Rgb colour)
{
    pixel(1, 1, colour);
    pixel(1, m_height - 2, colour);
    pixel(m_width - 2, 1, colour);
    pixel(m_width - 2, m_height - 2, colour);
}

void ButtonRenderer::drawFrame(Rgb c1, Rgb c2, Rgb c3, Rgb c4, int extra, bool flat)
{
    const int y = m_height + extra - 1;
    const int x = m_width + extra - 1;
    const int e = std::abs(extra);
    line(e, y, e, e, c1);
    line(e, e, x, e, c1);
    line(x, e, x, y, c2);
    line(x, y, e - 1, y, c2);
    if (flat)
        return;
    line(e + 1, y - 1, e + 1, e + 1, c3);
    line(e + 1, e + 1, x - 1, e + 1, c3);
    line(x - 1, e + 1, x - 1, y - 1, c4);
    line(x - 1, y - 1, e, y - 1, c4);
}

void ButtonRenderer::gradient(Rgb colour, int k, bool blueWeighted, bool down)
{
    const int H = m_height;
    if (H <= 0)
        return;
    const float step = static_cast<float>(k) / static_cast<float>(H);
    for (int i = 1; i <= H; ++i) {
        const float scaled = step * static_cast<float>(i);
        const int offset = -roundHalfEven(static_cast<double>(scaled));
        const Rgb c = shiftColor(colour, offset, blueWeighted);
        const int row = down ? i : H - i;
        line(0, row, m_width, row, c);
    }
}

void ButtonRenderer::focus()
{
    if (m_settings.showFocusRect && m_hasFocus)
        m_surface.drawFocusRect(m_focusRect, m_palette.textColor);
}

// --- caption ------------------------------------------------------------------------------------

void ButtonRenderer::captionText(const Rect& rect, Rgb colour)
{
    m_surface.drawText(m_settings.caption, rect, CaptionFlags, colour);
}

void ButtonRenderer::effectCopies(const Rect& rect)
{
    const int effect = std::min(m_settings.specialEffect, 3);
    if (effect <= 0)
        return;
    const int type = m_settings.buttonType;
    Rgb base = m_palette.faceColor;
    if (type == 3 || type == 4 || type == 14)
        base = m_palette.tintColor;
    else if (type == 9 && m_lastState == Normal && m_isOver && !customScheme())
        base = m_palette.accentFillColor;
    captionText(rect.translated(1, 1), shift(base, effect == 2 ? 40 : -40));
    if (effect == 1 || effect == 2)
        captionText(rect.translated(-1, -1), shift(base, effect == 2 ? -40 : 40));
}

void ButtonRenderer::drawCaption(int mode)
{
    m_captionMode = mode;
    const ButtonPalette& p = m_palette;
    switch (mode) {
    case 0:
        effectCopies(m_captionRect);
        captionText(m_captionRect, p.textColor);
        break;
    case 1:
        effectCopies(m_captionRect);
        captionText(m_captionRect, p.textOverColor);
        break;
    case 2:
        effectCopies(m_pressedCaptionRect);
        captionText(m_pressedCaptionRect, m_settings.buttonType == 4 ? p.lightColor : p.textOverColor);
        break;
    case 3:
        captionText(m_pressedCaptionRect, p.highlightColor);
        captionText(m_captionRect, p.shadowColor);
        break;
    case 4:
        captionText(m_captionRect, p.shadowColor);
        break;
    case 5:
        captionText(m_captionRect, shiftColor(p.tintColor, -104, true));
        break;
    case 6:
        captionText(m_pressedCaptionRect, p.highlightColor);
        captionText(m_captionRect, p.faceColor);
        break;
    case 7:
        captionText(m_pressedCaptionRect, shift(p.shadowColor, -50));
        captionText(m_captionRect, p.highlightColor);
        break;
    default:
        break;
    }
}

// --- styles -------------------------------------------------------------------------------------

void ButtonRenderer::drawStyle(Look look)
{
    const ButtonPalette& p = m_palette;
    const int W = m_width;
    const int H = m_height;
    const bool normal = look == Look::Normal;
    const bool pressed = look == Look::Pressed;
    switch (m_settings.buttonType) {
    case 1:
        drawCaption(normal ? hoverMode() : pressed ? 2 : 3);
        if (pressed)
            bevel(p.shadowColor, p.highlightColor, p.shadowColor, p.highlightColor, -1);
        else
            bevel(p.highlightColor, p.shadowColor, p.highlightColor, p.shadowColor, -1);
        box(0, 0, W, H, p.darkShadowColor);
        if (look != Look::Disabled)
            focus();
        break;
    case 2: {
        const bool defaultLook = m_settings.showFocusRect && m_isDefault;
        if (normal) {
            drawCaption(hoverMode());
            if (defaultLook) {
                bevel(p.highlightColor, p.darkShadowColor, p.lightColor, p.shadowColor, -1);
                focus();
                box(0, 0, W, H, p.darkShadowColor);
            } else {
                bevel(p.highlightColor, p.darkShadowColor, p.lightColor, p.shadowColor, 0);
            }
        } else if (pressed) {
            drawCaption(2);
            if (defaultLook) {
                box(0, 0, W, H, p.darkShadowColor);
                box(1, 1, W - 2, H - 2, p.shadowColor);
                focus();
            } else {
                bevel(p.darkShadowColor, p.highlightColor, p.shadowColor, p.lightColor, 0);
            }
        } else {
            drawCaption(3);
            bevel(p.highlightColor, p.darkShadowColor, p.lightColor, p.shadowColor, 0);
        }
        break;
    }
    case 3:
        drawStyle3(look);
        break;
    case 4:
        drawStyle4(look);
        break;
    case 5:
        drawStyle5(look);
        break;
    case 6: {
        const Rgb l8 = shift(p.lightColor, 8);
        drawCaption(normal ? hoverMode() : pressed ? 2 : 4);
        if (pressed)
            bevel(p.shadowColor, l8, p.shadowColor, l8, 0);
        else
            bevel(l8, p.shadowColor, l8, p.shadowColor, 0);
        if (look != Look::Disabled)
            focus();
        break;
    }
    case 7:
        drawCaption(normal ? hoverMode() : pressed ? 2 : 3);
        if (pressed)
            flatFrame(p.shadowColor, p.highlightColor, 0);
        else
            flatFrame(p.highlightColor, p.shadowColor, 0);
        if (look != Look::Disabled)
            focus();
        break;
    case 8:
    case 12: {
        const bool thin = m_settings.buttonType == 8;
        drawCaption(normal ? hoverMode() : pressed ? 2 : 3);
        if (normal && m_isOver) {
            if (thin)
                flatFrame(p.highlightColor, p.shadowColor, 0);
            else
                bevel(p.highlightColor, p.darkShadowColor, p.lightColor, p.shadowColor, 0);
        } else if (pressed) {
            if (thin)
                flatFrame(p.shadowColor, p.highlightColor, 0);
            else
                bevel(p.darkShadowColor, p.highlightColor, p.shadowColor, p.lightColor, 0);
        }
        if (look != Look::Disabled)
            focus();
        break;
    }
    case 9:
        if (normal) {
            if (m_isOver) {
                fill(1, 1, W, H, p.accentFillColor);
                drawCaption(1);
                box(0, 0, W, H, p.accentColor);
            } else {
                drawCaption(0);
            }
            focus();
        } else if (pressed) {
            if (m_isOver)
                fill(0, 0, W, H,
                    customScheme() ? shift(p.accentFillColor, -32) : BlendToWhite(p.accentColor, 128));
            drawCaption(2);
            box(0, 0, W, H, p.accentColor);
            focus();
        } else {
            drawCaption(4);
        }
        break;
    case 11:
        if (!m_parentBackground.isNull())
            m_surface.blit(0, 0, W, H, m_parentBackground, 0, 0);
        drawCaption(normal ? hoverMode() : pressed ? 2 : 3);
        if (look != Look::Disabled)
            focus();
        break;
    case 13:
        if (normal) {
            m_surface.drawEllipse({ 0, 0, W, H }, m_isOver ? p.shadowColor : p.faceColor, p.faceColor);
            drawCaption(hoverMode());
        } else if (pressed) {
            m_surface.drawEllipse({ 0, 0, W, H }, p.darkShadowColor, shift(p.faceColor, -32));
            drawCaption(2);
        } else {
            drawCaption(3);
        }
        break;
    case 14:
        drawStyle14(look);
        break;
    default:
        break; // 10 and unknown values: face and pictures only
    }
}

void ButtonRenderer::drawStyle3(Look look)
{
    const ButtonPalette& p = m_palette;
    const int W = m_width;
    const int H = m_height;
    const Rgb tint = p.tintColor;
    if (look == Look::Normal) {
        gradient(tint, 25, true, true);
        drawCaption(hoverMode());
        box(0, 0, W, H, 0x733C00);
        corners(0x7B4D10);
        if (m_isOver) {
            box(1, 2, W - 2, H - 4, 0x31B2FF);
            line(2, H - 2, W - 2, H - 2, 0x0096E7);
            line(2, 1, W - 2, 1, 0xCEF3FF);
            line(1, 2, W - 1, 2, 0x8CDBFF);
            line(2, 3, 2, H - 3, 0x6BCBFF);
            line(W - 3, 3, W - 3, H - 3, 0x6BCBFF);
        } else if (m_settings.showFocusRect && (m_hasFocus || m_isDefault)) {
            box(1, 2, W - 2, H - 4, 0xE7AE8C);
            line(2, H - 2, W - 2, H - 2, 0xEF826B);
            line(2, 1, W - 2, 1, 0xFFE7CE);
            line(1, 2, W - 1, 2, 0xF7D7BD);
            line(2, 3, 2, H - 3, 0xF0D1B5);
            line(W - 3, 3, W - 3, H - 3, 0xF0D1B5);
        } else {
            line(2, H - 2, W - 2, H - 2, bshift(tint, -48));
            line(1, H - 3, W - 2, H - 3, bshift(tint, -32));
            line(W - 2, 2, W - 2, H - 2, bshift(tint, -36));
            line(W - 3, 3, W - 3, H - 3, bshift(tint, -24));
            line(2, 1, W - 2, 1, bshift(tint, 16));
            line(1, 2, W - 2, 2, bshift(tint, 10));
            line(1, 2, 1, H - 2, bshift(tint, -5));
            line(2, 3, 2, H - 3, bshift(tint, -10));
        }
    } else if (look == Look::Pressed) {
        const Rgb base = bshift(tint, -32);
        gradient(base, 25, true, false);
        drawCaption(2);
        box(0, 0, W, H, 0x733C00);
        corners(0x7B4D10);
        line(2, H - 2, W - 2, H - 2, bshift(base, 16));
        line(1, H - 3, W - 2, H - 3, bshift(base, 10));
        line(W - 2, 2, W - 2, H - 2, bshift(base, 5));
        line(W - 3, 3, W - 3, H - 3, tint);
        line(2, 1, W - 2, 1, bshift(base, -32));
        line(1, 2, W - 2, 2, bshift(base, -24));
        line(1, 2, 1, H - 2, bshift(base, -32));
        line(2, 2, 2, H - 2, bshift(base, -22));
    } else {
        fill(0, 0, W, H, bshift(tint, -24));
        drawCaption(5);
        box(0, 0, W, H, bshift(tint, -84));
        corners(bshift(tint, -72));
    }
}

void ButtonRenderer::drawStyle4(Look look)
{
    ButtonPalette& p = m_palette;
    const int W = m_width;
    const int H = m_height;
    if (look != Look::Pressed) {
        fill(1, 1, W - 2, H - 2, p.lightColor);
        drawCaption(look == Look::Disabled ? 3 : hoverMode());
        box(0, 0, W, H, p.darkShadowColor);
        corners(p.darkShadowColor);
        line(1, 2, 2, 0, p.faceColor);
        line(3, 2, W - 3, 2, p.highlightColor);
        line(2, 2, 2, H - 3, p.highlightColor);
        pixel(3, 3, p.highlightColor);
        line(W - 3, 1, W - 3, H - 3, p.faceColor);
        line(1, H - 3, W - 3, H - 3, p.faceColor);
        pixel(W - 4, H - 4, p.faceColor);
        line(W - 2, 2, W - 2, H - 2, p.shadowColor);
        line(2, H - 2, W - 2, H - 2, p.shadowColor);
        pixel(W - 3, H - 3, p.shadowColor);
        return;
    }
    const Rgb s16 = shift(p.shadowColor, -16);
    const Rgb s32 = shift(p.shadowColor, -32);
    const Rgb s64 = shift(p.shadowColor, -64);
    fill(1, 1, W - 2, H - 2, s16);
    // The caption's effect copies take their base from the tint.
    p.tintColor = s16;
    drawCaption(2);
    p.tintColor = shift(p.faceColor, 48);
    box(0, 0, W, H, p.darkShadowColor);
    box(1, 1, W - 2, H - 2, s64);
    box(2, 2, W - 4, H - 4, s32);
    pixel(2, 2, s64);
    pixel(3, 3, s32);
    corners(p.darkShadowColor);
    line(W - 3, 1, W - 3, H - 3, p.shadowColor);
    line(1, H - 3, W - 2, H - 3, p.shadowColor);
    pixel(W - 4, H - 4, p.shadowColor);
    line(W - 2, 3, W - 2, H - 2, s16);
    line(3, H - 2, W - 2, H - 2, s16);
    line(W - 2, H - 3, W - 4, H - 1, s32);
    pixel(2, H - 2, s32);
    pixel(W - 2, 2, s32);
}

void ButtonRenderer::drawStyle5(Look look)
{
    const ButtonPalette& p = m_palette;
    const int W = m_width;
    const int H = m_height;
    auto captionBox = [&] {
        if (m_hasFocus && m_settings.showFocusRect)
            box(m_captionRect.left - 2, m_captionRect.top - 1, m_captionWidth + 4, m_captionHeight + 2,
                0xCC9999);
    };
    if (look == Look::Normal) {
        fill(1, 1, W - 1, H - 1, shift(p.faceColor, 12));
        drawCaption(hoverMode());
        box(1, 1, W - 1, H - 1, p.highlightColor);
        box(0, 0, W - 1, H - 1, shift(p.shadowColor, -26));
        pixel(1, H - 2, shift(p.shadowColor, 26));
        pixel(W - 2, 1, shift(p.shadowColor, 26));
        captionBox();
    } else if (look == Look::Pressed) {
        fill(1, 1, W - 2, H - 2, shift(p.shadowColor, 16));
        box(0, 0, W - 1, H - 1, shift(p.shadowColor, -26));
        line(W - 1, 1, W - 1, H, p.highlightColor);
        line(1, H - 1, W - 1, H - 1, p.highlightColor);
        // This style keeps its caption in place while pressed.
        captionText(m_captionRect, p.textOverColor);
        captionBox();
    } else {
        drawCaption(4);
        box(0, 0, W, H, p.shadowColor);
    }
}

void ButtonRenderer::drawStyle14(Look look)
{
    const ButtonPalette& p = m_palette;
    const int W = m_width;
    const int H = m_height;
    auto frame = [&] {
        box(0, 0, W, H, shift(p.shadowColor, -50));
        box(1, 1, W - 2, H - 2, shift(p.faceColor, -9));
        fill(2, 2, W - 4, 2, p.highlightColor);
        fill(2, 4, 2, H - 6, p.highlightColor);
    };
    if (look == Look::Normal) {
        if (m_isOver)
            fill(0, 0, W, H, p.lightColor);
        else
            gradient(p.highlightColor, 58, false, true);
        if (m_isDefault) {
            // Laid out in the font it is drawn in, then the regular layout is put back.
            const QFont regular = m_settings.font;
            m_settings.font.setBold(true);
            calcTextRects();
            m_surface.setFont(m_settings.font);
            drawCaption(hoverMode());
            m_settings.font = regular;
            calcTextRects();
            m_surface.setFont(regular);
        } else {
            drawCaption(hoverMode());
        }
        frame();
        focus();
    } else if (look == Look::Pressed) {
        fill(1, 1, W, H, shift(p.faceColor, -9));
        box(0, 0, W, H, shift(p.shadowColor, -48));
        line(2, H - 2, W - 2, H - 2, p.highlightColor);
        line(W - 2, 2, W - 2, H - 1, p.highlightColor);
        drawCaption(7);
        focus();
    } else {
        gradient(p.highlightColor, 58, false, true);
        frame();
        drawCaption(6);
    }
}

// --- pictures -----------------------------------------------------------------------------------

void ButtonRenderer::pictureEffect(int offset, const Picture& picture)
{
    const int effect = std::min(m_settings.specialEffect, 3);
    if (effect <= 0)
        return;
    Rgb base = m_palette.faceColor;
    if (m_settings.buttonType == 3)
        base = m_palette.tintColor;
    else if (offset == -1 && !customScheme())
        base = m_palette.accentFillColor;
    const Rgb mask = m_palette.maskRgb;
    transBlt(m_px + offset + 1, m_py + offset + 1, m_pw, m_ph, picture, mask,
        shift(base, effect == 2 ? 40 : -40), false, false, false);
    if (effect == 1 || effect == 2)
        transBlt(m_px + offset - 1, m_py + offset - 1, m_pw, m_ph, picture, mask,
            shift(base, effect == 2 ? -40 : 40), false, false, false);
}

void ButtonRenderer::drawPictures(int pictureState)
{
    const Picture& normal = m_settings.pictureNormal;
    if (normal.isNull())
        return;
    const Picture& over = m_settings.pictureOver;
    const int type = m_settings.buttonType;
    const ButtonPalette& p = m_palette;
    const Rgb mask = p.maskRgb;
    auto plain = [&](const Picture& picture, int x, int y) {
        transBlt(x, y, m_pw, m_ph, picture, mask, std::nullopt, false, false, false);
    };
    if (pictureState == PictureNormalState) {
        if (m_isOver && type == 9) {
            pictureEffect(-1, normal);
            transBlt(m_px + 1, m_py + 1, m_pw, m_ph, normal, mask, p.shadowColor, false, false, false);
            plain(normal, m_px - 1, m_py - 1);
        } else if (m_isOver) {
            const Picture& shown = over.isNull() ? normal : over;
            pictureEffect(0, shown);
            plain(shown, m_px, m_py);
        } else {
            pictureEffect(0, normal);
            transBlt(m_px, m_py, m_pw, m_ph, normal, mask, std::nullopt, false, m_settings.useGreyscale,
                type == 9);
        }
    } else if (pictureState == PicturePressedState) {
        if (!over.isNull() && type != 9) {
            const int k = type == 5 ? 0 : 1;
            plain(over, m_px + k, m_py + k);
        } else if (type != 5 && type != 9) {
            pictureEffect(1, normal);
            plain(normal, m_px + 1, m_py + 1);
        } else {
            pictureEffect(0, normal);
            plain(normal, m_px, m_py);
        }
    } else {
        if (type == 3) {
            transBlt(m_px + 1, m_py + 1, m_pw, m_ph, normal, mask, std::nullopt, false, true, false);
        } else if (type == 5 || type == 6 || type == 9) {
            const Rgb brush = type == 9 ? shift(p.shadowColor, 13) : p.shadowColor;
            transBlt(m_px, m_py, m_pw, m_ph, normal, mask, brush, true, false, false);
        } else {
            transBlt(m_px + 1, m_py + 1, m_pw, m_ph, normal, mask, p.highlightColor, true, false, false);
            transBlt(m_px, m_py, m_pw, m_ph, normal, mask, p.shadowColor, true, false, false);
        }
    }
    if (m_settings.picturePosition == 4)
        drawCaption(m_captionMode);
}

void ButtonRenderer::transBlt(int x, int y, int w, int h, const Picture& picture, Rgb transparent,
    std::optional<Rgb> brush, bool monoMask, bool greyscale, bool blend)
{
    if (w == 0 || h == 0 || picture.isNull())
        return;
    if (w < 0)
        w = picture.widthPixels();
    if (h < 0)
        h = picture.heightPixels();

    // Source pixels in the destination's layout; icons are first laid on the mask colour.
    QImage source(w, h, QImage::Format_RGB32);
    {
        const bool bitmap = picture.type() == Picture::Type::Bitmap;
        source.fill(bitmap ? QColor(Qt::black) : toQColor(TranslateColor(m_settings.maskColor)));
        QPainter painter(&source);
        if (bitmap)
            painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, picture.image());
    }
    const Rect area { x, y, x + w, y + h };
    std::vector<Rgb> dest = m_surface.readPixels(area);
    std::vector<Rgb> src(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int row = 0; row < h; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(row));
        for (int col = 0; col < w; ++col)
            src[static_cast<std::size_t>(row) * w + col] = fromQRgb(line[col]);
    }

    const bool useMask = m_settings.useMaskColor;
    for (std::size_t i = 0; i < src.size() && i < dest.size(); ++i) {
        const Rgb s = src[i];
        if (useMask && s == transparent)
            continue;
        if (brush) {
            if (monoMask && redOf(s) + greenOf(s) + blueOf(s) > 384)
                continue;
            dest[i] = *brush;
        } else if (greyscale) {
            const double value = 0.59 * greenOf(s) + roundHalfEven(0.3 * redOf(s)) + 0.11 * blueOf(s);
            const int grey = std::clamp(roundHalfEven(value), 0, 255);
            dest[i] = rgb(grey, grey, grey);
        } else if (blend) {
            const Rgb d = dest[i];
            dest[i] = rgb((2 * redOf(s) + redOf(d)) / 3, (2 * greenOf(s) + greenOf(d)) / 3,
                (2 * blueOf(s) + blueOf(d)) / 3);
        } else {
            dest[i] = s;
        }
    }
    m_surface.writePixels(area, dest);
}

} // namespace qv
