#include "designer/StatusBarTaskMenu.h"

#include <QAction>
#include <QtDesigner/QDesignerFormWindowInterface>

#include "controls/statusbar/GeneralPage.h"
#include "controls/statusbar/PanelsPage.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "designer/DesignerStatusBarTarget.h"
#include "designer/PropertyPageDialog.h"

using namespace Qt::StringLiterals;

namespace qv {

StatusBarTaskMenu::StatusBarTaskMenu(PanelStatusBar* bar, QObject* parent)
    : QObject(parent)
    , m_bar(bar)
    , m_editPanels(new QAction(u"Edit Panels..."_s, this))
{
    connect(m_editPanels, &QAction::triggered, this, &StatusBarTaskMenu::editPanels);
}

QAction* StatusBarTaskMenu::preferredEditAction() const
{
    return m_editPanels;
}

QList<QAction*> StatusBarTaskMenu::taskActions() const
{
    return { m_editPanels };
}

std::unique_ptr<PropertyPageDialog> StatusBarTaskMenu::createDialog(QWidget* parent) const
{
    if (!m_bar)
        return nullptr;
    auto dialog = std::make_unique<PropertyPageDialog>(u"%1 Properties"_s.arg(m_bar->objectName()), parent);
    dialog->addPage(new PanelsPage(dialog.get()));
    dialog->addPage(new GeneralPage(dialog.get()));
    dialog->setTarget(std::make_unique<DesignerStatusBarTarget>(
        QDesignerFormWindowInterface::findFormWindow(m_bar), m_bar));
    return dialog;
}

void StatusBarTaskMenu::editPanels()
{
    QWidget* parent
        = m_bar ? static_cast<QWidget*>(QDesignerFormWindowInterface::findFormWindow(m_bar)) : nullptr;
    if (std::unique_ptr<PropertyPageDialog> dialog = createDialog(parent))
        dialog->exec();
}

} // namespace qv
