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
    const QImage got = drawing.convertToFormat(QImage::Format_RGB32);
    if (got == QImage(referencePath).convertToFormat(QImage::Format_RGB32))
        return testing::AssertionSuccess();
    const QString dir = qEnvironmentVariable("QV_TEST_OUTPUT_DIR", QDir::tempPath());
    QDir().mkpath(dir);
    const QString saved = dir + QLatin1Char('/') + QFileInfo(referencePath).fileName();
    got.save(saved);
    return testing::AssertionFailure()
        << referencePath.toStdString() << " differs from the drawing in " << saved.toStdString();
}

} // namespace qv::test
