#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <vector>

namespace qv {

class PanelStatusBar;

// What assistive technology sees of a PanelStatusBar: a status bar with one child per panel, each
// named by the panel's caption and described by its tool tip. Qt finds it through the factory that
// installPanelStatusBarAccessibility registers.
class PanelStatusBarAccessible final : public QAccessibleWidget
{
public:
    explicit PanelStatusBarAccessible(PanelStatusBar* bar);
    ~PanelStatusBarAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    PanelStatusBar* bar() const;

    // Panel interfaces by 0-based panel, made when first asked for; registered with Qt, which
    // hands out their ids, and unregistered here.
    mutable std::vector<QAccessible::Id> m_panels;
};

// Registers the factory once; every PanelStatusBar calls it.
void installPanelStatusBarAccessibility();

} // namespace qv
