#pragma once

#include <QImage>
#include <QString>

namespace qv {

// A picture as the controls hold it: an image plus its kind. Sizes are kept in HIMETRIC
// (0.01 mm) like the stored pictures, at 96 pixels per inch.
class Picture {
public:
    enum class Type { None = 0, Bitmap = 1, Icon = 3, Other = 4 };

    Picture() = default;
    Picture(QImage image, Type type);

    // Loads a picture file: .bmp gives a bitmap, .ico an icon, anything Qt reads gives Other.
    // A null picture and an error text when the file cannot be read.
    static Picture load(const QString& path, QString* error = nullptr);

    bool isNull() const { return m_type == Type::None || m_image.isNull(); }
    Type type() const { return isNull() ? Type::None : m_type; }
    // ARGB32 pixels.
    const QImage& image() const { return m_image; }
    int widthPixels() const { return m_image.width(); }
    int heightPixels() const { return m_image.height(); }
    int widthHimetric() const;
    int heightHimetric() const;

    // Encoded form for property stores (PNG bytes plus the kind).
    QByteArray toBytes() const;
    static Picture fromBytes(const QByteArray& bytes);

    bool operator==(const Picture& other) const;

private:
    QImage m_image;
    Type m_type = Type::None;
};

// HIMETRIC to pixels at 96 DPI, not rounded.
double himetricToPixels(int himetric);
int pixelsToHimetric(int pixels);

} // namespace qv
