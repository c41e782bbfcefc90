#include "platform/FileRegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

#include "platform/MemoryListBox.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {
const char kHeader[] = "; Quorvane per-user settings. Values: \"name\"=dword:hex or \"name\"=\"text\".\n";

QString toQtPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string quote(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

int hexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at pos (on the opening quote); pos ends after the closing quote.
bool unquote(const std::string& line, std::size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char ch = line[pos];
        if (ch == '"') {
            ++pos;
            return true;
        }
        if (ch != '\\') {
            out += ch;
            continue;
        }
        if (++pos >= line.size())
            return false;
        if (line[pos] == 'x') {
            if (pos + 2 >= line.size())
                return false;
            const int high = hexDigit(line[pos + 1]);
            const int low = hexDigit(line[pos + 2]);
            if (high < 0 || low < 0)
                return false;
            out += static_cast<char>(high * 16 + low);
            pos += 2;
        } else {
            out += line[pos];
        }
    }
    return false;
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

bool FileRegistryStore::load(std::vector<Key>& keys) const
{
    keys.clear();
    QFile file(toQtPath(m_filePath));
    if (!file.exists())
        return true;
    // Never replace a file that could not be read: its other keys would be lost.
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString().toStdString();
        return false;
    }
    Key* current = nullptr;
    while (!file.atEnd()) {
        std::string line = file.readLine(64 * 1024).toStdString();
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string::npos || close == 0) {
                current = nullptr;
                continue;
            }
            keys.push_back({ line.substr(1, close - 1), {} });
            current = &keys.back();
            continue;
        }
        std::size_t pos = 0;
        std::string name;
        if (!current || !unquote(line, pos, name) || pos >= line.size() || line[pos] != '=')
            continue;
        ++pos;
        Value value;
        if (line.compare(pos, 6, "dword:") == 0) {
            const std::string digits = line.substr(pos + 6);
            if (digits.empty() || digits.size() > 8)
                continue;
            std::uint32_t number = 0;
            bool ok = true;
            for (const char ch : digits) {
                const int digit = hexDigit(ch);
                ok = ok && digit >= 0;
                number = number * 16 + static_cast<std::uint32_t>(digit < 0 ? 0 : digit);
            }
            if (!ok)
                continue;
            value.type = ValueType::Dword;
            value.number = number;
        } else if (!unquote(line, pos, value.text)) {
            continue;
        }
        current->values.emplace_back(std::move(name), std::move(value));
    }
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString().toStdString();
        return false;
    }
    return true;
}

bool FileRegistryStore::save(const std::vector<Key>& keys)
{
    std::string text = kHeader;
    for (const Key& key : keys) {
        text += "\n[" + key.path + "]\n";
        for (const auto& [name, value] : key.values) {
            text += quote(name) + '=';
            if (value.type == ValueType::Dword) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(value.number));
                text += hex;
            } else {
                text += quote(value.text);
            }
            text += '\n';
        }
    }

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
    std::vector<Key> keys;
    if (!load(keys))
        return false;
    for (const Key& key : keys) {
        if (equalsIgnoringCase(key.path, keyPath))
            return true;
    }
    keys.push_back({ keyPath, {} });
    return save(keys);
}

bool FileRegistryStore::keyExists(const std::string& keyPath) const
{
    std::vector<Key> keys;
    if (!load(keys))
        return false;
    for (const Key& key : keys) {
        if (equalsIgnoringCase(key.path, keyPath))
            return true;
    }
    return false;
}

bool FileRegistryStore::setValue(const std::string& keyPath, const std::string& name, const Value& value)
{
    if (!validKeyPath(keyPath)) {
        m_error = "invalid key path";
        return false;
    }
    std::vector<Key> keys;
    if (!load(keys))
        return false;
    Key* target = nullptr;
    for (Key& key : keys) {
        if (equalsIgnoringCase(key.path, keyPath)) {
            target = &key;
            break;
        }
    }
    if (!target) {
        keys.push_back({ keyPath, {} });
        target = &keys.back();
    }
    bool replaced = false;
    for (auto& [existingName, existingValue] : target->values) {
        if (equalsIgnoringCase(existingName, name)) {
            existingValue = value;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        target->values.emplace_back(name, value);
    return save(keys);
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
    std::vector<Key> keys;
    if (!load(keys))
        return std::nullopt;
    for (const Key& key : keys) {
        if (!equalsIgnoringCase(key.path, keyPath))
            continue;
        for (const auto& [existingName, existingValue] : key.values) {
            if (equalsIgnoringCase(existingName, name))
                return existingValue;
        }
    }
    return std::nullopt;
}

} // namespace qv
