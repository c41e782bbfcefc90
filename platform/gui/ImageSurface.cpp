#include "platform/gui/ImageSurface.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstdlib>

namespace qv {

namespace {

QRgb toQRgb(Rgb c)
{
    return qRgb(redOf(c), greenOf(c), blueOf(c));
}

Rgb fromQRgb(QRgb c)
{
    return rgb(qRed(c), qGreen(c), qBlue(c));
}

int qtFlags(int flags)
{
    int q = 0;
    if (flags & TextFormat::Center)
        q |= Qt::AlignHCenter;
    else if (flags & TextFormat::Right)
        q |= Qt::AlignRight;
    else
        q |= Qt::AlignLeft;
    // Vertical placement only applies to single-line text, as with the classic routine.
    if ((flags & TextFormat::SingleLine) && (flags & TextFormat::VCenter))
        q |= Qt::AlignVCenter;
    else if ((flags & TextFormat::SingleLine) && (flags & TextFormat::Bottom))
        q |= Qt::AlignBottom;
    else
        q |= Qt::AlignTop;
    if (flags & TextFormat::SingleLine)
        q |= Qt::TextSingleLine;
    else if (flags & TextFormat::WordBreak)
        q |= Qt::TextWordWrap;
    if (!(flags & TextFormat::NoPrefix))
        q |= Qt::TextShowMnemonic;
    return q;
}

// Without word wrapping, a line wider than the rectangle is cut with an ellipsis.
QString elideLines(const QString& text, const QFontMetrics& metrics, int width, int flags)
{
    if (!(flags & TextFormat::WordEllipsis) || (flags & TextFormat::WordBreak))
        return text;
    const int mnemonic = (flags & TextFormat::NoPrefix) ? 0 : Qt::TextShowMnemonic;
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideRight, std::max(width, 0), mnemonic);
    return lines.join(u'\n');
}

// Coordinates further out than this show nothing more than these do; within them no width, sum or
// line walk overflows or runs long.
constexpr int kFar = 1 << 20;

int nearer(int v)
{
    return std::clamp(v, -kFar, kFar);
}

Rect nearer(const Rect& r)
{
    return {nearer(r.left), nearer(r.top), nearer(r.right), nearer(r.bottom)};
}

int saturated(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

ImageSurface::ImageSurface(int width, int height)
{
    resize(width, height);
}

void ImageSurface::resize(int width, int height)
{
    m_image = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    clear();
}

void ImageSurface::clear()
{
    m_image.fill(toQRgb(m_background));
}

void ImageSurface::plot(int x, int y, Rgb colour)
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return;
    reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = toQRgb(colour);
}

void ImageSurface::fillClipped(int left, int top, int right, int bottom, Rgb colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_image.width());
    bottom = std::min(bottom, m_image.height());
    const QRgb value = toQRgb(colour);
    for (int y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        std::fill(line + left, line + std::max(left, right), value);
    }
}

void ImageSurface::fillRect(const Rect& rect, Rgb colour)
{
    fillClipped(rect.left, rect.top, rect.right, rect.bottom, colour);
}

void ImageSurface::frameRect(const Rect& given, Rgb colour)
{
    const Rect rect = nearer(given);
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    fillClipped(rect.left, rect.top, rect.right, rect.top + 1, colour);
    fillClipped(rect.left, rect.bottom - 1, rect.right, rect.bottom, colour);
    fillClipped(rect.left, rect.top, rect.left + 1, rect.bottom, colour);
    fillClipped(rect.right - 1, rect.top, rect.right, rect.bottom, colour);
}

void ImageSurface::drawLine(int x1, int y1, int x2, int y2, Rgb colour, int penWidth)
{
    x1 = nearer(x1);
    y1 = nearer(y1);
    x2 = nearer(x2);
    y2 = nearer(y2);
    auto stamp = [&](int x, int y) {
        if (penWidth <= 1)
            plot(x, y, colour);
        else
            fillClipped(x - penWidth + 1, y - penWidth + 1, x + 1, y + 1, colour);
    };
    if (x1 == x2 && y1 == y2) {
        // A wide pen leaves a dot; a one-pixel pen draws nothing.
        if (penWidth > 1)
            stamp(x1, y1);
        return;
    }
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        stamp(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void ImageSurface::setPixel(int x, int y, Rgb colour)
{
    plot(x, y, colour);
}

Rgb ImageSurface::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return 0;
    return fromQRgb(reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x]);
}

void ImageSurface::drawEllipse(const Rect& given, Rgb border, Rgb fill)
{
    const Rect box = nearer(given);
    if (box.width() <= 0 || box.height() <= 0)
        return;
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(toQColor(border), 2));
    painter.setBrush(toQColor(fill));
    painter.drawEllipse(QRectF(box.left + 1, box.top + 1, box.width() - 2, box.height() - 2));
}

void ImageSurface::drawFocusRect(const Rect& given, Rgb textColour)
{
    const Rect rect = nearer(given);
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    auto xorPixel = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
            return;
        QRgb& p = reinterpret_cast<QRgb*>(m_image.scanLine(y))[x];
        const Rgb mask = ((x + y) % 2 == 0) ? 0xFFFFFFu : textColour;
        p = toQRgb(fromQRgb(p) ^ mask);
    };
    // Only the visible part of the outline is walked; the dots follow x + y, wherever they start.
    for (int x = std::max(rect.left, 0); x < std::min(rect.right, m_image.width()); ++x) {
        xorPixel(x, rect.top);
        if (rect.bottom - 1 != rect.top)
            xorPixel(x, rect.bottom - 1);
    }
    for (int y = std::max(rect.top + 1, 0); y < std::min(rect.bottom - 1, m_image.height()); ++y) {
        xorPixel(rect.left, y);
        if (rect.right - 1 != rect.left)
            xorPixel(rect.right - 1, y);
    }
}

int ImageSurface::textWidth(const QString& text, int flags) const
{
    const QFontMetrics metrics(m_font);
    if (flags & TextFormat::NoPrefix)
        return metrics.horizontalAdvance(text);
    return metrics.size(Qt::TextShowMnemonic | Qt::TextSingleLine, text).width();
}

Rect ImageSurface::measureText(const QString& text, const Rect& rect, int flags) const
{
    if (text.isEmpty())
        return {rect.left, rect.top, rect.left, rect.top};
    const QFontMetrics metrics(m_font);
    const int width = std::max(rect.width(), 1);
    const QString shown = elideLines(text, metrics, rect.width(), flags);
    const QRect bounds = metrics.boundingRect(QRect(0, 0, width, 1 << 20),
                                              qtFlags(flags) & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom), shown);
    return {rect.left, rect.top, saturated(static_cast<long long>(rect.left) + bounds.width()),
            saturated(static_cast<long long>(rect.top) + bounds.height())};
}

void ImageSurface::drawText(const QString& text, const Rect& given, int flags, Rgb colour)
{
    const Rect rect = nearer(given);
    if (text.isEmpty() || m_image.isNull())
        return;
    QPainter painter(&m_image);
    painter.setFont(m_font);
    painter.setPen(toQColor(colour));
    const QRect target(rect.left, rect.top, rect.width(), rect.height());
    if (!(flags & TextFormat::NoClip)) {
        if (rect.width() <= 0 || rect.height() <= 0)
            return;
        painter.setClipRect(target);
    }
    const QString shown = elideLines(text, QFontMetrics(m_font), rect.width(), flags);
    painter.drawText(target, qtFlags(flags), shown);
}

std::vector<Rgb> ImageSurface::readPixels(const Rect& area) const
{
    const int w = std::max(area.width(), 0);
    const int h = std::max(area.height(), 0);
    std::vector<Rgb> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    for (int y = 0; y < h; ++y) {
        const int sy = area.top + y;
        if (sy < 0 || sy >= m_image.height())
            continue;
        const auto* line = reinterpret_cast<const QRgb*>(m_image.constScanLine(sy));
        for (int x = 0; x < w; ++x) {
            const int sx = area.left + x;
            if (sx >= 0 && sx < m_image.width())
                pixels[static_cast<std::size_t>(y) * w + x] = fromQRgb(line[sx]);
        }
    }
    return pixels;
}

void ImageSurface::writePixels(const Rect& area, const std::vector<Rgb>& pixels)
{
    const int w = std::max(area.width(), 0);
    const int h = std::max(area.height(), 0);
    if (pixels.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
        return;
    for (int y = 0; y < h; ++y) {
        const int dy = area.top + y;
        if (dy < 0 || dy >= m_image.height())
            continue;
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(dy));
        for (int x = 0; x < w; ++x) {
            const int dx = area.left + x;
            if (dx >= 0 && dx < m_image.width())
                line[dx] = toQRgb(pixels[static_cast<std::size_t>(y) * w + x]);
        }
    }
}

void ImageSurface::blit(int x, int y, int w, int h, const QImage& source, int sx, int sy, RasterOp op)
{
    if (w <= 0 || h <= 0 || source.isNull())
        return;
    const QImage src = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
        ? source
        : source.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < h; ++row) {
        const int srow = sy + row;
        const int drow = y + row;
        if (srow < 0 || srow >= src.height() || drow < 0 || drow >= m_image.height())
            continue;
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(srow));
        auto* out = reinterpret_cast<QRgb*>(m_image.scanLine(drow));
        for (int col = 0; col < w; ++col) {
            const int scol = sx + col;
            const int dcol = x + col;
            if (scol < 0 || scol >= src.width() || dcol < 0 || dcol >= m_image.width())
                continue;
            const Rgb s = fromQRgb(in[scol]);
            const Rgb d = fromQRgb(out[dcol]);
            Rgb r = s;
            switch (op) {
            case RasterOp::Copy: r = s; break;
            case RasterOp::And: r = s & d; break;
            case RasterOp::Or: r = s | d; break;
            case RasterOp::DestAndNotSource: r = d & ~s & 0xFFFFFFu; break;
            }
            out[dcol] = toQRgb(r);
        }
    }
}

QImage ImageSurface::maskFromColor(Rgb colour) const
{
    QImage mask(m_image.size(), QImage::Format_RGB32);
    const QRgb target = toQRgb(colour);
    for (int y = 0; y < m_image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < m_image.width(); ++x)
            out[x] = (in[x] & 0xFFFFFFu) == (target & 0xFFFFFFu) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    return mask;
}

} // namespace qv
