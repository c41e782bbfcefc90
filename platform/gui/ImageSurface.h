#pragma once

#include "platform/gui/DrawingSurface.h"

namespace qv {

// The drawing surface on a QImage (RGB32). Lines, rectangles and pixels are set directly so the
// pixel rules hold exactly; text goes through QPainter.
class ImageSurface final : public DrawingSurface {
public:
    explicit ImageSurface(int width = 0, int height = 0);

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    void resize(int width, int height) override;
    void setBackground(Rgb colour) override { m_background = colour; }
    Rgb background() const override { return m_background; }
    void clear() override;
    void fillRect(const Rect& rect, Rgb colour) override;
    void frameRect(const Rect& rect, Rgb colour) override;
    void drawLine(int x1, int y1, int x2, int y2, Rgb colour, int penWidth = 1) override;
    void setPixel(int x, int y, Rgb colour) override;
    Rgb pixel(int x, int y) const override;
    void drawEllipse(const Rect& box, Rgb border, Rgb fill) override;
    void drawFocusRect(const Rect& rect, Rgb textColour = 0) override;
    void setFont(const QFont& font) override { m_font = font; }
    QFont font() const override { return m_font; }
    int textWidth(const QString& text, int flags = TextFormat::NoPrefix) const override;
    Rect measureText(const QString& text, const Rect& rect, int flags) const override;
    void drawText(const QString& text, const Rect& rect, int flags, Rgb colour) override;
    std::vector<Rgb> readPixels(const Rect& area) const override;
    void writePixels(const Rect& area, const std::vector<Rgb>& pixels) override;
    void blit(int x, int y, int w, int h, const QImage& source, int sx, int sy,
              RasterOp op = RasterOp::Copy) override;
    QImage maskFromColor(Rgb colour) const override;
    const QImage& image() const override { return m_image; }

private:
    void plot(int x, int y, Rgb colour);
    void fillClipped(int left, int top, int right, int bottom, Rgb colour);

    QImage m_image;
    Rgb m_background = 0xFFFFFF;
    QFont m_font;
};

} // namespace qv
