#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace qv {

// The settings store's file taken apart line by line. Other tools and people write this file too,
// so a change replaces only the bytes of the values it sets and keeps every other byte: comments,
// blank lines, values of types the store does not use, continued lines, a byte-order mark and the
// line ends. A file with a line it cannot classify is not taken apart at all, so it is never
// rewritten on a guess.
//
// Lines: "[key path]"; "name"=data or @=data (the key's default value, name ""); ";" or "#"
// comments; blank lines; before the first key, format lines (starting with a letter, with no "="
// and no quote). Data is a quoted text ("\\", "\"" and "\xNN" escapes), dword:1-8 hex digits,
// "-", or any other type:data form (hex:, hex(2):, qword:, str(2):"..."), kept as written. A line
// ending in "\" (inside a quoted text or after typed data) goes on in the next line.
class RegistryDocument final
{
public:
    struct Error
    {
        int line = 0; // 1-based
        std::string reason;
    };

    // One value line as found in the file.
    struct Entry
    {
        std::string keyPath;
        std::string name;
        // Empty for types the store does not represent (hex, qword, a dword out of range, "-").
        std::optional<RegistryStore::Value> value;
        std::size_t begin = 0; // first byte of the line
        std::size_t end = 0; // after its line end
    };

    // nullopt, with error filled, when some line cannot be taken apart safely.
    static std::optional<RegistryDocument> parse(std::string bytes, Error* error = nullptr);

    const std::string& bytes() const { return m_bytes; }
    const std::vector<Entry>& entries() const { return m_entries; }

    // Key paths and value names compare without regard to letter case.
    bool hasKey(const std::string& keyPath) const;
    // The value's last occurrence under the key (as a later line overrides an earlier one).
    std::optional<RegistryStore::Value> value(const std::string& keyPath, const std::string& name) const;

    // Appends "[keyPath]" when no such key exists. False, with nothing changed, when the result
    // could not be taken apart again (a path with a line break, say).
    bool addKey(const std::string& keyPath);
    // Replaces the data of every occurrence of the value under the key; a value that does not exist
    // yet is added after the key's last value, and a missing key is added at the end. False as above.
    bool setValue(const std::string& keyPath, const std::string& name, const RegistryStore::Value& value);

    // The quoted form the store writes a name or a text in.
    static std::string quote(const std::string& text);

private:
    struct Key
    {
        std::string path;
        std::size_t insertAt = 0; // after the line end of its header or of its last value
    };
    struct Data
    {
        std::size_t begin = 0;
        std::size_t end = 0;
    };

    RegistryDocument() = default;
    bool takeApart(Error* error);
    bool replaceBytes(std::string bytes);
    std::string lineEnd() const;
    // What the last line needs before a line can be added after it.
    std::string endOfLastLine() const;

    std::string m_bytes;
    std::vector<Entry> m_entries;
    std::vector<Data> m_data; // the data bytes of each entry, which a set replaces
    std::vector<Key> m_keys;
};

} // namespace qv
