#pragma once

#include <QObject>
#include <QPointer>
#include <QtDesigner/QDesignerTaskMenuExtension>
#include <memory>

class QAction;

namespace qv {

class PanelStatusBar;
class PropertyPageDialog;

// "Edit Panels..." on the status bar's context menu (and on a double click): the property dialog
// with the Panels and General pages, writing through the form window so that edits can be undone.
class StatusBarTaskMenu final : public QObject, public QDesignerTaskMenuExtension
{
    Q_OBJECT
    Q_INTERFACES(QDesignerTaskMenuExtension)

public:
    StatusBarTaskMenu(PanelStatusBar* bar, QObject* parent);
    Q_DISABLE_COPY_MOVE(StatusBarTaskMenu)

    QAction* preferredEditAction() const override;
    QList<QAction*> taskActions() const override;

    // The dialog for the bar, not yet shown.
    std::unique_ptr<PropertyPageDialog> createDialog(QWidget* parent) const;

private:
    void editPanels();

    QPointer<PanelStatusBar> m_bar;
    QAction* m_editPanels = nullptr;
};

} // namespace qv
