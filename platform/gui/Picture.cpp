#include "platform/gui/Picture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace qv {

namespace {
constexpr double kPixelsPerInch = 96.0;
constexpr double kHimetricPerInch = 2540.0;
} // namespace

Picture::Picture(QImage image, Type type)
    : m_image(image.convertToFormat(QImage::Format_ARGB32))
    , m_type(image.isNull() ? Type::None : type)
{
}

Picture Picture::load(const QString& path, QString* error)
{
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = reader.errorString();
        return {};
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    Type type = Type::Other;
    if (suffix == u"bmp" || suffix == u"dib")
        type = Type::Bitmap;
    else if (suffix == u"ico" || suffix == u"cur")
        type = Type::Icon;
    return Picture(image, type);
}

int Picture::widthHimetric() const
{
    return pixelsToHimetric(widthPixels());
}

int Picture::heightHimetric() const
{
    return pixelsToHimetric(heightPixels());
}

QByteArray Picture::toBytes() const
{
    if (isNull())
        return {};
    QByteArray bytes;
    bytes.append(static_cast<char>(m_type));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::Append);
    m_image.save(&buffer, "PNG");
    return bytes;
}

Picture Picture::fromBytes(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        return {};
    const auto type = static_cast<Type>(static_cast<unsigned char>(bytes.at(0)));
    if (type != Type::Bitmap && type != Type::Icon && type != Type::Other)
        return {};
    QImage image;
    if (!image.loadFromData(bytes.mid(1), "PNG"))
        return {};
    return Picture(image, type);
}

bool Picture::operator==(const Picture& other) const
{
    return type() == other.type() && (isNull() || m_image == other.m_image);
}

double himetricToPixels(int himetric)
{
    return himetric * kPixelsPerInch / kHimetricPerInch;
}

int pixelsToHimetric(int pixels)
{
    return static_cast<int>(std::lround(pixels * kHimetricPerInch / kPixelsPerInch));
}

} // namespace qv
