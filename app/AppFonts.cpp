#include "app/AppFonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

namespace qv::AppFonts {

namespace {
constexpr int kPixelSize = 11;

QString resolveFamily(const QString& wanted, const QStringList& files, const QString& fallback)
{
    if (QFontDatabase::hasFamily(wanted))
        return wanted;
    for (const QString& file : files) {
        if (QFile::exists(file))
            QFontDatabase::addApplicationFont(file);
    }
    return QFontDatabase::hasFamily(wanted) ? wanted : fallback;
}

const QString& tahomaFamily()
{
    // Only the regular face: the clone's bold face has the regular outlines (its weight lives in
    // bitmap strikes that are not drawn here), so bold text is emboldened from the regular one.
    static const QString family = resolveFamily(QStringLiteral("Tahoma"),
        { QStringLiteral("/usr/share/wine/fonts/tahoma.ttf") }, QStringLiteral("DejaVu Sans"));
    return family;
}

QFont make(const QString& family, bool bold)
{
    QFont font(family);
    font.setPixelSize(kPixelSize);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
} // namespace

QFont tahoma(bool bold)
{
    return make(tahomaFamily(), bold);
}

QFont verdana()
{
    static const QString family = QFontDatabase::hasFamily(QStringLiteral("Verdana"))
        ? QStringLiteral("Verdana")
        : QStringLiteral("DejaVu Sans");
    return make(family, false);
}

bool hasTahoma()
{
    return tahomaFamily() == QLatin1String("Tahoma");
}

} // namespace qv::AppFonts
