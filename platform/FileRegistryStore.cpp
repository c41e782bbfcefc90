#include "platform/FileRegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/TextFile.h"

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
    if (const char* encoding = utf16Encoding(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
        m_error = utf16Refusal("the file", encoding) + "; it was left as it is";
        return std::nullopt;
    }
    RegistryDocument::Error error;
    auto document = RegistryDocument::parse(bytes.toStdString(), &error);
    if (!document)
        m_error = "line " + std::to_string(error.line) + ": " + error.reason + "; the file was left as it is";
    return document;
}

bool FileRegistryStore::change(const std::function<bool(RegistryDocument&)>& edit)
{
    const QString folder = QFileInfo(toQtPath(m_filePath)).absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = "cannot create the folder " + QFile::encodeName(folder).toStdString();
        return false;
    }
    FileLock lock;
    if (!lock.lock(m_filePath, m_lockWaitMs)) {
        m_error = lock.errorString();
        return false;
    }
    auto document = load();
    if (!document)
        return false;
    const std::string before = document->bytes();
    if (!edit(*document))
        return false;
    if (document->bytes() == before)
        return true;
    TextFileWriter file;
    if (!file.open(m_filePath) || !file.write(document->bytes()) || !file.close()) {
        m_error = file.reason();
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
    return change([&](RegistryDocument& document) {
        if (document.hasKey(keyPath) || document.addKey(keyPath))
            return true;
        m_error = "invalid key path";
        return false;
    });
}

bool FileRegistryStore::keyExists(const std::string& keyPath) const
{
    const auto document = load();
    return document && document->hasKey(keyPath);
}

bool FileRegistryStore::setValues(const std::vector<Change>& changes)
{
    for (const Change& change : changes) {
        if (!validKeyPath(change.keyPath)) {
            m_error = "invalid key path";
            return false;
        }
    }
    return change([&](RegistryDocument& document) {
        for (const Change& change : changes) {
            if (!document.setValue(change.keyPath, change.name, change.value)) {
                m_error = "the value could not be written";
                return false;
            }
        }
        return true;
    });
}

bool FileRegistryStore::setString(
    const std::string& keyPath, const std::string& name, const std::string& text)
{
    Value value;
    value.type = ValueType::String;
    value.text = text;
    return setValues({ Change { keyPath, name, value } });
}

bool FileRegistryStore::setDword(const std::string& keyPath, const std::string& name, std::uint32_t number)
{
    Value value;
    value.type = ValueType::Dword;
    value.number = number;
    return setValues({ Change { keyPath, name, value } });
}

std::optional<RegistryStore::Value> FileRegistryStore::value(
    const std::string& keyPath, const std::string& name) const
{
    const auto document = load();
    return document ? document->value(keyPath, name) : std::nullopt;
}

} // namespace qv
