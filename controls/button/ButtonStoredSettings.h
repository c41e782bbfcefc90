#pragma once

#include <QString>

#include "platform/gui/PropertyStore.h"

namespace qv {

class StyleButton;

// Stored button settings kept as text resources (the property store's text form). The settings of
// the program's own buttons are built in under ":/qv/button/<name>.settings".
class ButtonStoredSettings final
{
public:
    static QString resourcePath(const QString& name);
    // False with a message when the file cannot be read or parsed.
    static bool load(const QString& path, MemoryPropertyStore& store, QString* error = nullptr);
    // Loads the settings into the button; a button whose settings cannot be read keeps its
    // creation defaults.
    static bool apply(StyleButton& button, const QString& path, QString* error = nullptr);
};

} // namespace qv
