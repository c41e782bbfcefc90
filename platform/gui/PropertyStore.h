#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "platform/gui/Color.h"
#include "platform/gui/Picture.h"

namespace qv {

struct ColorValue {
    OleColor value = 0;
    bool operator==(const ColorValue&) const = default;
};

using PropertyValue = std::variant<QString, std::int32_t, bool, ColorValue, QFont, Picture>;

// The typed key/value bag a control saves its settings to. Keys compare without regard to case
// and are kept in lower case, in the order first written.
class PropertyStore {
public:
    virtual ~PropertyStore() = default;

    virtual bool contains(const QString& key) const = 0;
    virtual std::optional<PropertyValue> read(const QString& key) const = 0;
    virtual void write(const QString& key, const PropertyValue& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QStringList keys() const = 0;

    // Typed reads: nullopt when the key is missing or holds a value that does not convert
    // (numbers, booleans and colours convert into each other; strings, fonts and pictures do not).
    std::optional<QString> readString(const QString& key) const;
    std::optional<std::int32_t> readInt(const QString& key) const;
    std::optional<bool> readBool(const QString& key) const;
    std::optional<OleColor> readColor(const QString& key) const;
    std::optional<QFont> readFont(const QString& key) const;
    std::optional<Picture> readPicture(const QString& key) const;
};

class MemoryPropertyStore final : public PropertyStore {
public:
    bool contains(const QString& key) const override;
    std::optional<PropertyValue> read(const QString& key) const override;
    void write(const QString& key, const PropertyValue& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

    // Text form, used for the stored settings kept as resources: one "key = type:value" line per
    // entry, types str, int, bool, color, font, picture (see PropertyStore.cpp). Texts come back
    // exactly: line breaks, control characters and a blank at the end are written as backslash
    // escapes (n, r, x and two hex digits, u and four), a backslash as two.
    QString toText() const;
    // False with a message naming the line when the text cannot be parsed; entries before it stay.
    bool fromText(const QString& text, QString* error = nullptr);

private:
    std::vector<std::pair<QString, PropertyValue>> m_entries;
};

} // namespace qv
