#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace qv::Registry {

// The current user's hive; the store stands for it, other hives are refused.
constexpr std::uint32_t kHkeyCurrentUser = 0x80000001;

// Create or open keyPath, then write the value. False with error set when either step fails.
bool SetRegString(RegistryStore& store, std::uint32_t hive, const std::string& keyPath,
    const std::string& valueName, const std::string& text, std::string* error = nullptr);
bool SetRegDword(RegistryStore& store, std::uint32_t hive, const std::string& keyPath,
    const std::string& valueName, std::uint32_t value, std::string* error = nullptr);
// Sets every value in one change of the store (RegistryStore::setValues): all of them or none.
bool SetRegValues(RegistryStore& store, std::uint32_t hive, const std::vector<RegistryStore::Change>& changes,
    std::string* error = nullptr);

} // namespace qv::Registry
