#include "platform/FileRegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace qv {

namespace {
const char kHeader[] = "; Quorvane per-user settings. Values: \"name\"=dword:hex or \"name\"=\"text\".\n";
// The store holds a few values; a larger file is not this store's.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

QString toQtPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

bool validKeyPath(const std::string& keyPath)
{
    if (keyPath.empty())
        return false;
    for (const char ch : keyPath) {
        if (static_cast<unsigned char>(ch) < 0x20 || ch == ']')
            return false;
    }
    return true;
}
} // namespace

FileRegistryStore::FileRegistryStore()
    : FileRegistryStore(defaultFilePath())
{
}

FileRegistryStore::FileRegistryStore(std::string filePath)
    : m_filePath(std::move(filePath))
{
}

std::string FileRegistryStore::defaultFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QFile::encodeName(folder + u"/registry.reg"_s).toStdString();
}

std::optional<RegistryDocument> FileRegistryStore::load() const
{
    QFile file(toQtPath(m_filePath));
    if (!file.exists())
        return RegistryDocument::parse(kHeader);
    // Never replace a file that could not be read: its other keys would be lost.
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString().toStdString();
        return std::nullopt;
    }
    if (file.size() > kMaxFileBytes) {
        m_error = "the file is larger than 16 MiB; it was left as it is";
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString().toStdString();
        return std::nullopt;
    }
    RegistryDocument::Error error;
    auto document = RegistryDocument::parse(bytes.toStdString(), &error);
    if (!document)
        m_error = "line " + std::to_string(error.line) + ": " + error.reason + "; the file was left as it is";
    return document;
}

bool FileRegistryStore::save(const RegistryDocument& document)
{
    const std::string& text = document.bytes();
    const QString path = toQtPath(m_filePath);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = "cannot create the folder " + QFile::encodeName(folder).toStdString();
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString().toStdString();
        return false;
    }
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())
        || !file.commit()) {
        m_error = file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    return true;
}

bool FileRegistryStore::createKey(const std::string& keyPath)
{
    if (!validKeyPath(keyPath)) {
        m_error = "invalid key path";
        return false;
    }
    auto document = load();
    if (!document)
        return false;
    if (document->hasKey(keyPath))
        return true;
    if (!document->addKey(keyPath)) {
        m_error = "invalid key path";
        return false;
    }
    return save(*document);
}

bool FileRegistryStore::keyExists(const std::string& keyPath) const
{
    const auto document = load();
    return document && document->hasKey(keyPath);
}

bool FileRegistryStore::setValue(const std::string& keyPath, const std::string& name, const Value& value)
{
    if (!validKeyPath(keyPath)) {
        m_error = "invalid key path";
        return false;
    }
    auto document = load();
    if (!document)
        return false;
    if (!document->setValue(keyPath, name, value)) {
        m_error = "the value could not be written";
        return false;
    }
    return save(*document);
}

bool FileRegistryStore::setString(
    const std::string& keyPath, const std::string& name, const std::string& text)
{
    Value value;
    value.type = ValueType::String;
    value.text = text;
    return setValue(keyPath, name, value);
}

bool FileRegistryStore::setDword(const std::string& keyPath, const std::string& name, std::uint32_t number)
{
    Value value;
    value.type = ValueType::Dword;
    value.number = number;
    return setValue(keyPath, name, value);
}

std::optional<RegistryStore::Value> FileRegistryStore::value(
    const std::string& keyPath, const std::string& name) const
{
    const auto document = load();
    return document ? document->value(keyPath, name) : std::nullopt;
}

} // namespace qv
