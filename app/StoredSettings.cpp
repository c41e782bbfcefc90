#include "app/StoredSettings.h"

#include <QFile>

namespace qv::StoredSettings {

MemoryPropertyStore load(const QString& name)
{
    MemoryPropertyStore store;
    QFile file(QStringLiteral(":/settings/") + name);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        store.fromText(QString::fromUtf8(file.readAll()));
    return store;
}

} // namespace qv::StoredSettings
