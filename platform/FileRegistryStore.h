#pragma once

#include <optional>
#include <string>

#include "platform/RegistryDocument.h"
#include "platform/RegistryStore.h"

namespace qv {

// The settings store as one text file: a "[key path]" group per key, then one line per value,
// "name"=dword:0000000a or "name"="text", so each value keeps its type (see RegistryDocument).
// The file is read afresh for every operation and replaced atomically on every change, which
// rewrites only the values set. A file with a line that cannot be taken apart is left as it is:
// the change fails and errorString() names the line.
class FileRegistryStore final : public RegistryStore
{
public:
    // Under the application's configuration folder (XDG_CONFIG_HOME is respected).
    FileRegistryStore();
    explicit FileRegistryStore(std::string filePath);

    static std::string defaultFilePath();

    bool createKey(const std::string& keyPath) override;
    bool keyExists(const std::string& keyPath) const override;
    bool setString(const std::string& keyPath, const std::string& name, const std::string& text) override;
    bool setDword(const std::string& keyPath, const std::string& name, std::uint32_t number) override;
    std::optional<Value> value(const std::string& keyPath, const std::string& name) const override;
    std::string errorString() const override { return m_error; }
    std::string location() const override { return m_filePath; }

private:
    std::optional<RegistryDocument> load() const;
    bool save(const RegistryDocument& document);
    bool setValue(const std::string& keyPath, const std::string& name, const Value& value);

    std::string m_filePath;
    mutable std::string m_error;
};

} // namespace qv
