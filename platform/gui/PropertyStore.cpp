#include "platform/gui/PropertyStore.h"

#include <QStringList>

namespace qv {

using namespace Qt::StringLiterals;

namespace {

template<class T>
const T* as(const std::optional<PropertyValue>& value)
{
    return value ? std::get_if<T>(&*value) : nullptr;
}

std::optional<std::int64_t> numeric(const std::optional<PropertyValue>& value)
{
    if (const auto* i = as<std::int32_t>(value))
        return *i;
    if (const auto* b = as<bool>(value))
        return *b ? -1 : 0;
    if (const auto* c = as<ColorValue>(value))
        return static_cast<std::int64_t>(c->value);
    return std::nullopt;
}

// Backslash escapes keep one entry on one line whatever the text holds. The reader trims each
// line, so a blank at the very end is escaped too: "Found: " keeps its blank.
QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool pairedSurrogate = (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            || (c.isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate());
        if (c == u'\\')
            out += u"\\\\"_s;
        else if (c == u'\n')
            out += u"\\n"_s;
        else if (c == u'\r')
            out += u"\\r"_s;
        else if (c.unicode() < 0x20 || (i + 1 == text.size() && c.isSpace()))
            out += c.unicode() <= 0xFF ? u"\\x%1"_s.arg(c.unicode(), 2, 16, QChar(u'0'))
                                       : u"\\u%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
        else if (c.isSurrogate() && !pairedSurrogate)
            out += u"\\u%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
        else
            out += c;
    }
    return out;
}

// The value of exactly `digits` hex digits at text[from], or -1.
int hexAt(const QString& text, qsizetype from, int digits)
{
    if (from + digits > text.size())
        return -1;
    int value = 0;
    for (int k = 0; k < digits; ++k) {
        const char16_t c = text.at(from + k).unicode();
        const int digit = c >= u'0' && c <= u'9' ? c - u'0'
            : c >= u'a' && c <= u'f'             ? c - u'a' + 10
            : c >= u'A' && c <= u'F'             ? c - u'A' + 10
                                                 : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

bool unescape(const QString& text, QString* out)
{
    out->clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\') {
            *out += c;
            continue;
        }
        if (++i >= text.size())
            return false;
        const QChar e = text.at(i);
        if (e == u'\\') {
            *out += u'\\';
        } else if (e == u'n') {
            *out += u'\n';
        } else if (e == u'r') {
            *out += u'\r';
        } else if (e == u'x' || e == u'u') {
            const int digits = e == u'x' ? 2 : 4;
            const int code = hexAt(text, i + 1, digits);
            if (code < 0)
                return false;
            *out += QChar(char16_t(code));
            i += digits;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<QString> PropertyStore::readString(const QString& key) const
{
    const auto value = read(key);
    if (const auto* s = as<QString>(value))
        return *s;
    return std::nullopt;
}

std::optional<std::int32_t> PropertyStore::readInt(const QString& key) const
{
    if (const auto n = numeric(read(key)))
        return static_cast<std::int32_t>(*n);
    return std::nullopt;
}

std::optional<bool> PropertyStore::readBool(const QString& key) const
{
    if (const auto n = numeric(read(key)))
        return *n != 0;
    return std::nullopt;
}

std::optional<OleColor> PropertyStore::readColor(const QString& key) const
{
    if (const auto n = numeric(read(key)))
        return static_cast<OleColor>(*n);
    return std::nullopt;
}

std::optional<QFont> PropertyStore::readFont(const QString& key) const
{
    const auto value = read(key);
    if (const auto* f = as<QFont>(value))
        return *f;
    return std::nullopt;
}

std::optional<Picture> PropertyStore::readPicture(const QString& key) const
{
    const auto value = read(key);
    if (const auto* p = as<Picture>(value))
        return *p;
    return std::nullopt;
}

bool MemoryPropertyStore::contains(const QString& key) const
{
    return read(key).has_value();
}

std::optional<PropertyValue> MemoryPropertyStore::read(const QString& key) const
{
    const QString lower = key.toLower();
    for (const auto& [k, v] : m_entries) {
        if (k == lower)
            return v;
    }
    return std::nullopt;
}

void MemoryPropertyStore::write(const QString& key, const PropertyValue& value)
{
    const QString lower = key.toLower();
    for (auto& [k, v] : m_entries) {
        if (k == lower) {
            v = value;
            return;
        }
    }
    m_entries.emplace_back(lower, value);
}

void MemoryPropertyStore::remove(const QString& key)
{
    const QString lower = key.toLower();
    std::erase_if(m_entries, [&lower](const auto& entry) { return entry.first == lower; });
}

QStringList MemoryPropertyStore::keys() const
{
    QStringList list;
    for (const auto& entry : m_entries)
        list << entry.first;
    return list;
}

QString MemoryPropertyStore::toText() const
{
    QString text;
    for (const auto& [key, value] : m_entries) {
        QString encoded;
        if (const auto* s = std::get_if<QString>(&value))
            encoded = u"str:"_s + escape(*s);
        else if (const auto* i = std::get_if<std::int32_t>(&value))
            encoded = u"int:"_s + QString::number(*i);
        else if (const auto* b = std::get_if<bool>(&value))
            encoded = *b ? u"bool:true"_s : u"bool:false"_s;
        else if (const auto* c = std::get_if<ColorValue>(&value))
            encoded = u"color:0x"_s + QString::number(c->value, 16).rightJustified(8, u'0').toUpper();
        else if (const auto* f = std::get_if<QFont>(&value))
            encoded = u"font:"_s + escape(f->toString());
        else if (const auto* p = std::get_if<Picture>(&value))
            encoded = u"picture:"_s + QString::fromLatin1(p->toBytes().toBase64());
        text += key + u" = "_s + encoded + u'\n';
    }
    return text;
}

bool MemoryPropertyStore::fromText(const QString& text, QString* error)
{
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        auto fail = [&](const QString& why) {
            if (error)
                *error = u"line %1: %2"_s.arg(n + 1).arg(why);
            return false;
        };
        const qsizetype eq = line.indexOf(u'=');
        const qsizetype colon = line.indexOf(u':', eq + 1);
        if (eq <= 0 || colon < 0)
            return fail(u"expected \"key = type:value\""_s);
        const QString key = line.left(eq).trimmed();
        const QString type = line.mid(eq + 1, colon - eq - 1).trimmed();
        const QString raw = line.mid(colon + 1);
        bool ok = true;
        if (type == u"str") {
            QString s;
            if (!unescape(raw, &s))
                return fail(u"bad escape in string"_s);
            write(key, s);
        } else if (type == u"int") {
            const int i = raw.toInt(&ok);
            if (!ok)
                return fail(u"bad number"_s);
            write(key, static_cast<std::int32_t>(i));
        } else if (type == u"bool") {
            if (raw != u"true" && raw != u"false")
                return fail(u"bad boolean"_s);
            write(key, raw == u"true");
        } else if (type == u"color") {
            const uint c = raw.toUInt(&ok, 0);
            if (!ok)
                return fail(u"bad colour"_s);
            write(key, ColorValue{c});
        } else if (type == u"font") {
            QString description;
            QFont font;
            if (!unescape(raw, &description) || !font.fromString(description))
                return fail(u"bad font"_s);
            write(key, font);
        } else if (type == u"picture") {
            // An empty value is a stored "no picture", as toText writes it.
            const Picture picture = Picture::fromBytes(QByteArray::fromBase64(raw.toLatin1()));
            if (picture.isNull() && !raw.trimmed().isEmpty())
                return fail(u"bad picture"_s);
            write(key, picture);
        } else {
            return fail(u"unknown type \"%1\""_s.arg(type));
        }
    }
    return true;
}

} // namespace qv
