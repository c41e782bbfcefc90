#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// The current user's settings store: keys named by a path, each holding named values that are
// either a 32-bit number or a string. Key paths and value names compare without regard to letter
// case. Texts are Latin-1 bytes.
class RegistryStore
{
public:
    enum class ValueType { String, Dword };
    struct Value
    {
        ValueType type = ValueType::String;
        std::string text;
        std::uint32_t number = 0;
    };

    // One value to set by setValues.
    struct Change
    {
        std::string keyPath;
        std::string name;
        Value value;
    };

    virtual ~RegistryStore() = default;

    // Creates the key when it does not exist; false (with errorString()) when it cannot.
    virtual bool createKey(const std::string& keyPath) = 0;
    virtual bool keyExists(const std::string& keyPath) const = 0;
    // Setting a value creates its key when missing and replaces a value of the same name.
    virtual bool setString(const std::string& keyPath, const std::string& name, const std::string& text) = 0;
    virtual bool setDword(const std::string& keyPath, const std::string& name, std::uint32_t number) = 0;
    // Sets every value in one change of the store: afterwards all of them are set, or (false, with
    // errorString()) none, also when another program changes the store at the same time.
    virtual bool setValues(const std::vector<Change>& changes) = 0;
    virtual std::optional<Value> value(const std::string& keyPath, const std::string& name) const = 0;

    // Describes the last failure.
    virtual std::string errorString() const = 0;
    // Where the store lives, for messages (a file path, say).
    virtual std::string location() const = 0;
};

} // namespace qv
