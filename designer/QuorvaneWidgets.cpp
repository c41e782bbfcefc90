#include "designer/QuorvaneWidgets.h"

#include "designer/PanelStatusBarPlugin.h"
#include "designer/StyleButtonPlugin.h"

namespace qv {

QuorvaneWidgets::QuorvaneWidgets(QObject* parent)
    : QObject(parent)
{
    m_widgets << new StyleButtonPlugin(this) << new PanelStatusBarPlugin(this);
}

} // namespace qv
