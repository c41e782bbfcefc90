#include "sysproxy/Registry.h"

namespace qv::Registry {

namespace {
bool currentUser(std::uint32_t hive, std::string* error)
{
    if (hive == kHkeyCurrentUser)
        return true;
    if (error)
        *error = "only the current user's settings can be written";
    return false;
}

bool openKey(RegistryStore& store, std::uint32_t hive, const std::string& keyPath, std::string* error)
{
    if (!currentUser(hive, error))
        return false;
    if (!store.createKey(keyPath)) {
        if (error)
            *error = store.errorString();
        return false;
    }
    return true;
}
} // namespace

bool SetRegString(RegistryStore& store, std::uint32_t hive, const std::string& keyPath,
    const std::string& valueName, const std::string& text, std::string* error)
{
    if (!openKey(store, hive, keyPath, error))
        return false;
    if (!store.setString(keyPath, valueName, text)) {
        if (error)
            *error = store.errorString();
        return false;
    }
    return true;
}

bool SetRegDword(RegistryStore& store, std::uint32_t hive, const std::string& keyPath,
    const std::string& valueName, std::uint32_t value, std::string* error)
{
    if (!openKey(store, hive, keyPath, error))
        return false;
    if (!store.setDword(keyPath, valueName, value)) {
        if (error)
            *error = store.errorString();
        return false;
    }
    return true;
}

bool SetRegValues(RegistryStore& store, std::uint32_t hive, const std::vector<RegistryStore::Change>& changes,
    std::string* error)
{
    if (!currentUser(hive, error))
        return false;
    if (!store.setValues(changes)) {
        if (error)
            *error = store.errorString();
        return false;
    }
    return true;
}

} // namespace qv::Registry
