#include "platform/RegistryDocument.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/MemoryListBox.h"
#include "util/Text.h"

namespace qv {

namespace {
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string::npos;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isTypeChar(char c)
{
    return isLetter(c) || (c >= '0' && c <= '9') || c == '(' || c == ')';
}


// The length of the well-formed UTF-8 sequence at i, or 0.
std::size_t utf8Length(const std::string& s, std::size_t i)
{
    const auto at = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = at(i);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    }
    const unsigned char second = at(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90)
        || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

// Walks the file one physical line at a time; a line ends at LF, a CR before it belongs to the end.
class LineCursor
{
public:
    explicit LineCursor(const std::string& bytes)
        : m_bytes(bytes)
    {
    }

    void enter(std::size_t begin)
    {
        const std::size_t lf = m_bytes.find('\n', begin);
        m_begin = begin;
        m_next = lf == npos ? m_bytes.size() : lf + 1;
        m_contentEnd = lf == npos ? m_bytes.size() : lf;
        if (m_contentEnd > begin && m_bytes[m_contentEnd - 1] == '\r')
            --m_contentEnd;
        ++m_number;
    }
    bool nextLine()
    {
        if (m_next >= m_bytes.size())
            return false;
        enter(m_next);
        return true;
    }
    std::size_t skipBlanks(std::size_t i) const
    {
        while (i < m_contentEnd && isBlank(m_bytes[i]))
            ++i;
        return i;
    }
    bool onlyBlanksFrom(std::size_t i) const { return skipBlanks(i) == m_contentEnd; }

    // Reads the quoted text whose opening quote is at i; returns the position after the closing
    // quote, or npos when the text is not closed.
    std::size_t quoted(std::size_t i, std::string& out, bool mayContinue)
    {
        out.clear();
        for (++i;;) {
            if (i >= m_contentEnd)
                return npos;
            const char c = m_bytes[i];
            if (c == '"')
                return i + 1;
            if (c != '\\') {
                out += c;
                ++i;
                continue;
            }
            if (i + 1 >= m_contentEnd) {
                if (!mayContinue || !nextLine())
                    return npos;
                i = skipBlanks(m_begin);
                continue;
            }
            const char escaped = m_bytes[i + 1];
            const int high = i + 3 < m_contentEnd ? hexDigit(m_bytes[i + 2]) : -1;
            const int low = i + 3 < m_contentEnd ? hexDigit(m_bytes[i + 3]) : -1;
            if (escaped == 'x' && high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 4;
            } else {
                out += escaped;
                i += 2;
            }
        }
    }

    std::size_t begin() const { return m_begin; }
    std::size_t contentEnd() const { return m_contentEnd; }
    std::size_t next() const { return m_next; }
    int number() const { return m_number; }

private:
    const std::string& m_bytes;
    std::size_t m_begin = 0;
    std::size_t m_contentEnd = 0;
    std::size_t m_next = 0;
    int m_number = 0;
};

std::optional<std::uint32_t> dwordDigits(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t number = 0;
    for (const char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return number;
}

std::string lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}
} // namespace

std::optional<RegistryDocument> RegistryDocument::parse(std::string bytes, Error* error)
{
    RegistryDocument document;
    document.m_bytes = std::move(bytes);
    if (!document.takeApart(error))
        return std::nullopt;
    return document;
}

bool RegistryDocument::takeApart(Error* error)
{
    m_entries.clear();
    m_data.clear();
    m_keys.clear();
    const std::string& b = m_bytes;
    const std::size_t start = b.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    if (start >= b.size())
        return true;

    LineCursor cursor(b);
    cursor.enter(start);
    int first = 0;
    const auto fail = [&](const char* reason) {
        if (error)
            *error = { first, reason };
        return false;
    };
    do {
        first = cursor.number();
        const std::size_t i = cursor.skipBlanks(cursor.begin());
        if (i == cursor.contentEnd())
            continue;
        const char c = b[i];
        if (c == ';' || c == '#')
            continue;
        if (c == '[') {
            const std::size_t close = b.rfind(']', cursor.contentEnd() - 1);
            if (close == npos || close <= i)
                return fail("a [key] line without its closing \"]\"");
            if (!cursor.onlyBlanksFrom(close + 1))
                return fail("text after the \"]\" of a [key] line");
            m_keys.push_back({ b.substr(i + 1, close - i - 1), cursor.next() });
            continue;
        }
        if (c != '"' && c != '@') {
            // Before the first key a line such as a format name is kept as it is.
            const std::string_view line = std::string_view(b).substr(i, cursor.contentEnd() - i);
            if (m_keys.empty() && isLetter(c) && line.find_first_of("=\"") == npos && !line.ends_with('\\'))
                continue;
            return fail("a line that is neither a [key], a value nor a comment");
        }
        if (m_keys.empty())
            return fail("a value before the first [key] line");

        Entry entry;
        entry.keyPath = m_keys.back().path;
        entry.begin = cursor.begin();
        std::size_t j = i + 1;
        if (c == '"') {
            j = cursor.quoted(i, entry.name, false);
            if (j == npos)
                return fail("a value name without its closing quote");
        }
        j = cursor.skipBlanks(j);
        if (j >= cursor.contentEnd() || b[j] != '=')
            return fail("no \"=\" after the value name");
        Data data;
        data.begin = cursor.skipBlanks(j + 1);
        std::size_t k = data.begin;
        if (k >= cursor.contentEnd())
            return fail("no data after \"=\"");
        if (b[k] == '"') {
            std::string text;
            k = cursor.quoted(k, text, true);
            if (k == npos)
                return fail("a text value without its closing quote");
            if (!cursor.onlyBlanksFrom(k))
                return fail("text after the closing quote of a value");
            entry.value = RegistryStore::Value { RegistryStore::ValueType::String, std::move(text), 0 };
            data.end = k;
        } else if (b[k] == '-' && cursor.onlyBlanksFrom(k + 1)) {
            data.end = k + 1; // a deletion mark
        } else {
            std::size_t colon = k;
            while (colon < cursor.contentEnd() && isTypeChar(b[colon]))
                ++colon;
            if (!isLetter(b[k]) || colon >= cursor.contentEnd() || b[colon] != ':')
                return fail("data that is neither a quoted text nor type:data");
            const std::string type = lower(b.substr(k, colon - k));
            std::size_t m = colon + 1;
            if (m < cursor.contentEnd() && b[m] == '"') {
                std::string ignored;
                m = cursor.quoted(m, ignored, true);
                if (m == npos)
                    return fail("a text value without its closing quote");
                if (!cursor.onlyBlanksFrom(m))
                    return fail("text after the closing quote of a value");
                data.end = m;
            } else {
                // Typed data goes on while its line ends in a backslash.
                const int dataLine = cursor.number();
                std::size_t floor = m;
                for (;;) {
                    std::size_t last = cursor.contentEnd();
                    while (last > floor && isBlank(b[last - 1]))
                        --last;
                    if (last > floor && b[last - 1] == '\\') {
                        if (!cursor.nextLine())
                            return fail("a continued value at the end of the file");
                        floor = cursor.begin();
                        continue;
                    }
                    data.end = last;
                    break;
                }
                if (type == "dword" && cursor.number() == dataLine) {
                    if (const auto number = dwordDigits(std::string_view(b).substr(m, data.end - m)))
                        entry.value = RegistryStore::Value { RegistryStore::ValueType::Dword, {}, *number };
                }
            }
        }
        entry.end = cursor.next();
        m_keys.back().insertAt = entry.end;
        m_entries.push_back(std::move(entry));
        m_data.push_back(data);
    } while (cursor.nextLine());
    return true;
}

bool RegistryDocument::hasKey(const std::string& keyPath) const
{
    for (const Key& key : m_keys) {
        if (equalsIgnoringCase(key.path, keyPath))
            return true;
    }
    return false;
}

std::optional<RegistryStore::Value> RegistryDocument::value(
    const std::string& keyPath, const std::string& name) const
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        if (equalsIgnoringCase(entry->keyPath, keyPath) && equalsIgnoringCase(entry->name, name))
            return entry->value;
    }
    return std::nullopt;
}

std::string RegistryDocument::lineEnd() const
{
    const std::size_t lf = m_bytes.find('\n');
    return lf != npos && lf > 0 && m_bytes[lf - 1] == '\r' ? "\r\n" : "\n";
}

std::string RegistryDocument::endOfLastLine() const
{
    if (m_bytes.empty() || m_bytes.back() == '\n')
        return {};
    // A CR at the very end already ends the line; LF completes the pair.
    return m_bytes.back() == '\r' ? "\n" : lineEnd();
}

bool RegistryDocument::replaceBytes(std::string bytes)
{
    std::string previous = std::exchange(m_bytes, std::move(bytes));
    if (takeApart(nullptr))
        return true;
    m_bytes = std::move(previous);
    takeApart(nullptr);
    return false;
}

bool RegistryDocument::addKey(const std::string& keyPath)
{
    if (hasKey(keyPath))
        return true;
    const std::string end = lineEnd();
    std::string bytes = m_bytes;
    if (bytes.size() > (bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0))
        bytes += endOfLastLine() + end;
    bytes += '[' + keyPath + ']' + end;
    return replaceBytes(std::move(bytes));
}

bool RegistryDocument::setValue(
    const std::string& keyPath, const std::string& name, const RegistryStore::Value& value)
{
    std::string data;
    if (value.type == RegistryStore::ValueType::Dword) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x", static_cast<unsigned>(value.number));
        data = hex;
    } else {
        data = quote(value.text);
    }

    std::string bytes = m_bytes;
    bool found = false;
    // From the back, so that the earlier offsets stay valid.
    for (std::size_t n = m_entries.size(); n-- > 0;) {
        if (equalsIgnoringCase(m_entries[n].keyPath, keyPath) && equalsIgnoringCase(m_entries[n].name, name)) {
            bytes.replace(m_data[n].begin, m_data[n].end - m_data[n].begin, data);
            found = true;
        }
    }
    if (found)
        return replaceBytes(std::move(bytes));

    if (!hasKey(keyPath))
        return addKey(keyPath) && setValue(keyPath, name, value);
    std::size_t at = 0;
    for (const Key& key : m_keys) {
        if (equalsIgnoringCase(key.path, keyPath))
            at = key.insertAt;
    }
    const std::string end = lineEnd();
    std::string line = (name.empty() ? std::string("@") : quote(name)) + '=' + data + end;
    if (at == bytes.size())
        line = endOfLastLine() + line;
    bytes.insert(at, line);
    return replaceBytes(std::move(bytes));
}

std::string RegistryDocument::quote(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // Well-formed UTF-8 stays readable; any other high byte is escaped.
            if (const std::size_t length = utf8Length(text, i)) {
                out.append(text, i, length);
                i += length;
                continue;
            }
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
    return out;
}

} // namespace qv
