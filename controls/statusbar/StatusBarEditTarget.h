#pragma once

#include <QString>

#include "controls/statusbar/AutoSizeMode.h"
#include "platform/gui/Picture.h"

namespace qv {

// The status bar as the property pages see it. The pages read and write through this, so the same
// page edits a live bar directly or, inside a form designer, through the designer's undoable
// commands. Panels are numbered from 1; a number outside the bar's panel array throws
// SubscriptOutOfRange, as the bar itself does.
class StatusBarEditTarget
{
public:
    virtual ~StatusBarEditTarget() = default;

    virtual int NumberOfPanels() const = 0;
    virtual QString PanelCaption(int Index) const = 0;
    virtual int PanelWidth(int Index) const = 0;
    virtual QString ToolTipText(int Index) const = 0;
    virtual int MinWidth(int Index) const = 0;
    virtual AutoSizeMode PanelAutoSize(int Index) const = 0;
    virtual bool PanelEnabled(int Index) const = 0;
    virtual Picture PanelPicture(int Index) const = 0;
    virtual bool ShowGripper() const = 0;

    virtual void setMinWidth(int Index, int value) = 0;
    virtual void setPanelCaption(int Index, const QString& value) = 0;
    virtual void setPanelWidth(int Index, int value) = 0;
    virtual void setToolTipText(int Index, const QString& value) = 0;
    virtual void setPanelAutoSize(int Index, AutoSizeMode value) = 0;
    virtual void setPanelEnabled(int Index, bool value) = 0;
    virtual void setPanelPicture(int Index, const Picture& value) = 0;
    virtual void setShowGripper(bool value) = 0;
    virtual int AddPanel(int width, const QString& caption, const QString& toolTip, bool enabled,
        AutoSizeMode autoSize, const Picture& picture)
        = 0;
    virtual void DeletePanel() = 0;

    // Brackets the writes of one user action (an apply, say) so that a designer can record them
    // as one step. Calls may nest.
    virtual void beginEdit(const QString& description) = 0;
    virtual void endEdit() = 0;
};

// Calls endEdit when it leaves scope.
class StatusBarEditScope final
{
public:
    StatusBarEditScope(StatusBarEditTarget& target, const QString& description)
        : m_target(target)
    {
        m_target.beginEdit(description);
    }
    ~StatusBarEditScope() { m_target.endEdit(); }
    Q_DISABLE_COPY_MOVE(StatusBarEditScope)

private:
    StatusBarEditTarget& m_target;
};

} // namespace qv
