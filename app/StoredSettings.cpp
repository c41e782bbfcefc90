#include "app/StoredSettings.h"

#include <QFile>

// Resources of a static library must be registered by name, from outside any namespace.
static void initStoredSettings()
{
    Q_INIT_RESOURCE(storedsettings);
}

namespace qv::StoredSettings {

MemoryPropertyStore load(const QString& name)
{
    static const bool registered = [] {
        initStoredSettings();
        return true;
    }();
    Q_UNUSED(registered);
    MemoryPropertyStore store;
    QFile file(QStringLiteral(":/settings/") + name);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        store.fromText(QString::fromUtf8(file.readAll()));
    return store;
}

} // namespace qv::StoredSettings
