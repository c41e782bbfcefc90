#pragma once

#include <QString>

#include "platform/gui/PropertyStore.h"

namespace qv::StoredSettings {

// The stored settings of one control of the program's windows, kept as a resource in the
// property store's text form (":/settings/<Form>.<Control>"). Empty when the resource is missing
// or broken; the lines before a broken one are kept.
MemoryPropertyStore load(const QString& name);

} // namespace qv::StoredSettings
