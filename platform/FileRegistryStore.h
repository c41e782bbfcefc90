#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/FileLock.h"
#include "platform/RegistryDocument.h"
#include "platform/RegistryStore.h"

namespace qv {

// The settings store as one text file: a "[key path]" group per key, then one line per value,
// "name"=dword:0000000a or "name"="text", so each value keeps its type (see RegistryDocument).
// The file is read afresh for every operation. Each change reads, changes and replaces it whole
// (TextFileWriter) under a lock on "<file>.lock" (FileLock), so two programs changing the store at
// once both find their values in it, and a kill leaves the old file or the new one. A change rewrites
// only the values set. A file with a line that cannot be taken apart, or in UTF-16, is left as it is:
// the change fails and errorString() names the line or the encoding.
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
    bool setValues(const std::vector<Change>& changes) override;
    std::optional<Value> value(const std::string& keyPath, const std::string& name) const override;
    std::string errorString() const override { return m_error; }
    std::string location() const override { return m_filePath; }

    // How long a change waits for another program's change to end.
    void setLockWaitMs(int ms) { m_lockWaitMs = ms; }

private:
    std::optional<RegistryDocument> load() const;
    // One read-change-replace round under the lock; edit returns false (with m_error) to change nothing.
    bool change(const std::function<bool(RegistryDocument&)>& edit);

    std::string m_filePath;
    int m_lockWaitMs = FileLock::kDefaultWaitMs;
    mutable std::string m_error;
};

} // namespace qv
