#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <string>

// Whole-file reads and writes for tests; a file that cannot be read reads as "<missing>" so an
// expectation on its bytes fails with a clear message.
namespace qv::test {

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
inline QByteArray readFile(const std::string& path) { return readFile(QString::fromStdString(path)); }

// The names of the files in a folder, hidden ones too, in order and separated by blanks.
inline std::string filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).join(u' ').toStdString();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
inline bool writeFile(const std::string& path, const QByteArray& bytes) { return writeFile(QString::fromStdString(path), bytes); }
// Writes the file name in dir; its path, or "" when it could not be written.
inline std::string writeIn(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    return writeFile(path, bytes) ? path.toStdString() : std::string();
}

} // namespace qv::test
