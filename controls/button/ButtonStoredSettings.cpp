#include "controls/button/ButtonStoredSettings.h"

#include <QFile>

#include "controls/button/StyleButton.h"

using namespace Qt::StringLiterals;

namespace qv {

QString ButtonStoredSettings::resourcePath(const QString& name)
{
    return u":/qv/button/"_s + name + u".settings"_s;
}

bool ButtonStoredSettings::load(const QString& path, MemoryPropertyStore& store, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = path + u": "_s + file.errorString();
        return false;
    }
    QString message;
    if (!store.fromText(QString::fromUtf8(file.readAll()), &message)) {
        if (error)
            *error = path + u": "_s + message;
        return false;
    }
    return true;
}

bool ButtonStoredSettings::apply(StyleButton& button, const QString& path, QString* error)
{
    MemoryPropertyStore store;
    if (!load(path, store, error))
        return false;
    button.ReadProperties(store);
    return true;
}

} // namespace qv
