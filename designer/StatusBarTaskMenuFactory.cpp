#include "designer/StatusBarTaskMenuFactory.h"

#include <QtDesigner/QDesignerTaskMenuExtension>

#include "controls/statusbar/PanelStatusBar.h"
#include "designer/StatusBarTaskMenu.h"

namespace qv {

StatusBarTaskMenuFactory::StatusBarTaskMenuFactory(QExtensionManager* parent)
    : QExtensionFactory(parent)
{
}

QObject* StatusBarTaskMenuFactory::createExtension(QObject* object, const QString& iid, QObject* parent) const
{
    if (iid != QLatin1String(Q_TYPEID(QDesignerTaskMenuExtension)))
        return nullptr;
    if (auto* bar = qobject_cast<PanelStatusBar*>(object))
        return new StatusBarTaskMenu(bar, parent);
    return nullptr;
}

} // namespace qv
