#pragma once

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

namespace qv::test {

// Compares a drawing with a reference picture kept in the source tree. On a difference the drawing
// is saved under $QV_TEST_OUTPUT_DIR with the reference's name, to be looked at (and, when right,
// copied over the reference).
inline testing::AssertionResult matchesReference(const QImage& drawing, const QString& referencePath)
{
    const QImage want = QImage(referencePath).convertToFormat(QImage::Format_RGB32);
    const QImage got = drawing.convertToFormat(QImage::Format_RGB32);
    QString where = QStringLiteral("size %1x%2").arg(got.width()).arg(got.height());
    if (want.size() == got.size()) {
        where.clear();
        for (int y = 0; y < got.height() && where.isEmpty(); ++y)
            for (int x = 0; x < got.width() && where.isEmpty(); ++x)
                if (got.pixel(x, y) != want.pixel(x, y))
                    where = QStringLiteral("pixel %1,%2 is %3, not %4")
                                .arg(x).arg(y).arg(got.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                .arg(want.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        if (where.isEmpty())
            return testing::AssertionSuccess();
    }
    const QString dir = qEnvironmentVariable("QV_TEST_OUTPUT_DIR", QDir::tempPath());
    QDir().mkpath(dir);
    const QString saved = dir + QLatin1Char('/') + QFileInfo(referencePath).fileName();
    got.save(saved);
    return testing::AssertionFailure() << referencePath.toStdString() << ": " << where.toStdString()
                                       << "; the drawing is in " << saved.toStdString();
}

} // namespace qv::test
