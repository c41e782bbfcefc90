#include "designer/DesignerStatusBarTarget.h"

#include <QtDesigner/QDesignerFormWindowCursorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/private/qdesigner_utils_p.h>

#include "controls/statusbar/PanelStatusBar.h"
#include "platform/gui/PropertyStore.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {

const QString PanelsProperty = u"panels"_s;
const QString PanelRecordsProperty = u"panelRecords"_s;
const QString ShowGripperProperty = u"ShowGripper"_s;

QVariant read(const QWidget* bar, const QString& name)
{
    return bar->property(name.toLatin1().constData());
}

// The panels a text describes, without their widths: the bar's width pass decides those whatever
// the text says, so they are no part of an edit.
QString withoutWidths(const QString& panels)
{
    MemoryPropertyStore store;
    if (!store.fromText(panels))
        return panels;
    for (const QString& key : store.keys()) {
        if (key.startsWith("pwidth"_L1))
            store.remove(key);
    }
    return store.toText();
}

} // namespace

DesignerStatusBarTarget::DesignerStatusBarTarget(QDesignerFormWindowInterface* formWindow, QWidget* bar)
    : m_formWindow(formWindow)
    , m_bar(bar)
    , m_panels(std::make_unique<PanelStatusBar>())
{
    takeRecords();
}

void DesignerStatusBarTarget::takeRecords()
{
    if (m_bar)
        m_panels->setPanelRecordsText(read(m_bar, PanelRecordsProperty).toString());
}

DesignerStatusBarTarget::~DesignerStatusBarTarget() = default;

int DesignerStatusBarTarget::NumberOfPanels() const
{
    return m_panels->NumberOfPanels();
}

QString DesignerStatusBarTarget::PanelCaption(int Index) const
{
    return m_panels->PanelCaption(Index);
}

int DesignerStatusBarTarget::PanelWidth(int Index) const
{
    // The bar's own width pass knows its size, font and gripper.
    MemoryPropertyStore store;
    if (m_bar && Index >= 1 && Index <= NumberOfPanels()
        && store.fromText(read(m_bar, PanelsProperty).toString())) {
        if (const auto width = store.readInt(u"PWidth%1"_s.arg(Index)))
            return *width;
    }
    return m_panels->PanelWidth(Index);
}

QString DesignerStatusBarTarget::ToolTipText(int Index) const
{
    return m_panels->ToolTipText(Index);
}

int DesignerStatusBarTarget::MinWidth(int Index) const
{
    return m_panels->MinWidth(Index);
}

AutoSizeMode DesignerStatusBarTarget::PanelAutoSize(int Index) const
{
    return m_panels->PanelAutoSize(Index);
}

bool DesignerStatusBarTarget::PanelEnabled(int Index) const
{
    return m_panels->PanelEnabled(Index);
}

Picture DesignerStatusBarTarget::PanelPicture(int Index) const
{
    return m_panels->PanelPicture(Index);
}

bool DesignerStatusBarTarget::ShowGripper() const
{
    return m_bar && read(m_bar, ShowGripperProperty).toBool();
}

void DesignerStatusBarTarget::setMinWidth(int Index, int value)
{
    m_panels->setMinWidth(Index, value);
    panelsChanged(u"Change minimum width of panel %1"_s.arg(Index));
}

void DesignerStatusBarTarget::setPanelCaption(int Index, const QString& value)
{
    m_panels->setPanelCaption(Index, value);
    panelsChanged(u"Change text of panel %1"_s.arg(Index));
}

void DesignerStatusBarTarget::setPanelWidth(int Index, int value)
{
    m_panels->setPanelWidth(Index, value);
    panelsChanged(u"Change width of panel %1"_s.arg(Index));
}

void DesignerStatusBarTarget::setToolTipText(int Index, const QString& value)
{
    m_panels->setToolTipText(Index, value);
    panelsChanged(u"Change tool tip of panel %1"_s.arg(Index));
}

void DesignerStatusBarTarget::setPanelAutoSize(int Index, AutoSizeMode value)
{
    m_panels->setPanelAutoSize(Index, value);
    panelsChanged(u"Change auto size of panel %1"_s.arg(Index));
}

void DesignerStatusBarTarget::setPanelEnabled(int Index, bool value)
{
    m_panels->setPanelEnabled(Index, value);
    panelsChanged(u"Change enabled state of panel %1"_s.arg(Index));
}

void DesignerStatusBarTarget::setPanelPicture(int Index, const Picture& value)
{
    m_panels->setPanelPicture(Index, value);
    panelsChanged(u"Change picture of panel %1"_s.arg(Index));
}

void DesignerStatusBarTarget::setShowGripper(bool value)
{
    if (m_bar && ShowGripper() != value)
        writeProperty(ShowGripperProperty, value, value ? u"Show gripper"_s : u"Hide gripper"_s);
}

int DesignerStatusBarTarget::AddPanel(int width, const QString& caption, const QString& toolTip, bool enabled,
    AutoSizeMode autoSize, const Picture& picture)
{
    const int count = m_panels->AddPanel(width, caption, toolTip, enabled, autoSize, picture);
    panelsChanged(u"Add panel %1"_s.arg(count));
    return count;
}

void DesignerStatusBarTarget::DeletePanel()
{
    m_panels->DeletePanel();
    panelsChanged(u"Delete last panel"_s);
}

void DesignerStatusBarTarget::beginEdit(const QString& description)
{
    if (m_depth++ == 0)
        m_description = description;
}

void DesignerStatusBarTarget::endEdit()
{
    if (m_depth > 0 && --m_depth == 0 && m_pending)
        flush();
}

void DesignerStatusBarTarget::panelsChanged(const QString& description)
{
    m_pending = true;
    if (m_depth == 0) {
        m_description = description;
        flush();
    }
}

void DesignerStatusBarTarget::flush()
{
    m_pending = false;
    if (!m_bar)
        return;
    const QString text = m_panels->panelsText();
    // An apply that changed nothing leaves no empty step in the undo history.
    if (withoutWidths(text) != withoutWidths(read(m_bar, PanelsProperty).toString()))
        writeProperty(PanelsProperty, text, m_description);
    takeRecords();
}

void DesignerStatusBarTarget::writeProperty(
    const QString& name, const QVariant& value, const QString& description)
{
    if (m_formWindow) {
        m_formWindow->beginCommand(description);
        // Designer keeps a string's translation mark in its own value type and takes a plain
        // QString as text to translate; the panels are settings text, and uic would otherwise
        // wrap them in a translate call.
        const QVariant designerValue = name == PanelsProperty
            ? QVariant::fromValue(qdesigner_internal::PropertySheetStringValue(value.toString(), false))
            : value;
        m_formWindow->cursor()->setWidgetProperty(m_bar, name, designerValue);
        m_formWindow->endCommand();
    } else {
        m_bar->setProperty(name.toLatin1().constData(), value);
    }
}

} // namespace qv
