#include "controls/statusbar/PanelStatusBarAccessible.h"

#include "controls/statusbar/PanelStatusBar.h"

namespace qv {

namespace {

// One panel: no widget of its own, so it answers from the bar by its number.
class PanelAccessible final : public QAccessibleInterface
{
public:
    PanelAccessible(PanelStatusBar* bar, int index)
        : m_bar(bar)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_bar && m_index <= m_bar->NumberOfPanels(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        QAccessibleInterface* bar = parent();
        return bar ? bar->window() : nullptr;
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_bar); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return m_bar->PanelCaption(m_index);
        case QAccessible::Description:
            return m_bar->ToolTipText(m_index);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override { }

    QRect rect() const override
    {
        if (!isValid() || m_index > m_bar->PanelRectCount())
            return {};
        const Rect r = m_bar->PanelRect(m_index);
        return QRect(m_bar->mapToGlobal(QPoint(r.left, r.top)), QSize(r.width(), r.height()));
    }

    QAccessible::Role role() const override { return QAccessible::StaticText; }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid() || !m_bar->isVisible() || rect().isEmpty())
            s.invisible = true;
        else if (!m_bar->PanelEnabled(m_index) || !m_bar->isEnabled())
            s.disabled = true;
        s.readOnly = true;
        return s;
    }

    int index() const { return m_index; }

private:
    QPointer<PanelStatusBar> m_bar;
    int m_index; // 1-based, as the bar numbers its panels
};

QAccessibleInterface* panelStatusBarFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String(PanelStatusBar::staticMetaObject.className()) && object
        && object->isWidgetType())
        return new PanelStatusBarAccessible(static_cast<PanelStatusBar*>(object));
    return nullptr;
}

} // namespace

PanelStatusBarAccessible::PanelStatusBarAccessible(PanelStatusBar* bar)
    : QAccessibleWidget(bar, QAccessible::StatusBar)
{
}

PanelStatusBarAccessible::~PanelStatusBarAccessible()
{
    for (QAccessible::Id id : m_panels) {
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
    }
}

PanelStatusBar* PanelStatusBarAccessible::bar() const
{
    return static_cast<PanelStatusBar*>(widget());
}

int PanelStatusBarAccessible::childCount() const
{
    return bar()->NumberOfPanels();
}

QAccessibleInterface* PanelStatusBarAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    const auto slot = static_cast<std::size_t>(index);
    if (slot >= m_panels.size())
        m_panels.resize(slot + 1, 0);
    if (m_panels[slot] == 0)
        m_panels[slot] = QAccessible::registerAccessibleInterface(new PanelAccessible(bar(), index + 1));
    return QAccessible::accessibleInterface(m_panels[slot]);
}

int PanelStatusBarAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* panel = dynamic_cast<const PanelAccessible*>(child);
    if (!panel || panel->parent() != this || panel->index() > childCount())
        return -1;
    return panel->index() - 1;
}

QAccessibleInterface* PanelStatusBarAccessible::childAt(int x, int y) const
{
    const QPoint local = bar()->mapFromGlobal(QPoint(x, y));
    const int panels = std::min(childCount(), bar()->PanelRectCount());
    for (int index = 1; index <= panels; ++index) {
        if (bar()->PanelRect(index).contains(local.x(), local.y()))
            return child(index - 1);
    }
    return nullptr;
}

void installPanelStatusBarAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(panelStatusBarFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace qv
