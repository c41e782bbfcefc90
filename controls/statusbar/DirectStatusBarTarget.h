#pragma once

#include "controls/statusbar/PanelStatusBar.h"
#include "controls/statusbar/StatusBarEditTarget.h"

namespace qv {

// Edits a live status bar through its own properties and methods.
class DirectStatusBarTarget final : public StatusBarEditTarget
{
public:
    explicit DirectStatusBarTarget(PanelStatusBar& bar)
        : m_bar(bar)
    {
    }
    Q_DISABLE_COPY_MOVE(DirectStatusBarTarget)

    int NumberOfPanels() const override { return m_bar.NumberOfPanels(); }
    QString PanelCaption(int Index) const override { return m_bar.PanelCaption(Index); }
    int PanelWidth(int Index) const override { return m_bar.PanelWidth(Index); }
    QString ToolTipText(int Index) const override { return m_bar.ToolTipText(Index); }
    int MinWidth(int Index) const override { return m_bar.MinWidth(Index); }
    AutoSizeMode PanelAutoSize(int Index) const override { return m_bar.PanelAutoSize(Index); }
    bool PanelEnabled(int Index) const override { return m_bar.PanelEnabled(Index); }
    Picture PanelPicture(int Index) const override { return m_bar.PanelPicture(Index); }
    bool ShowGripper() const override { return m_bar.ShowGripper(); }

    void setMinWidth(int Index, int value) override { m_bar.setMinWidth(Index, value); }
    void setPanelCaption(int Index, const QString& value) override { m_bar.setPanelCaption(Index, value); }
    void setPanelWidth(int Index, int value) override { m_bar.setPanelWidth(Index, value); }
    void setToolTipText(int Index, const QString& value) override { m_bar.setToolTipText(Index, value); }
    void setPanelAutoSize(int Index, AutoSizeMode value) override { m_bar.setPanelAutoSize(Index, value); }
    void setPanelEnabled(int Index, bool value) override { m_bar.setPanelEnabled(Index, value); }
    void setPanelPicture(int Index, const Picture& value) override { m_bar.setPanelPicture(Index, value); }
    void setShowGripper(bool value) override { m_bar.setShowGripper(value); }
    int AddPanel(int width, const QString& caption, const QString& toolTip, bool enabled,
        AutoSizeMode autoSize, const Picture& picture) override
    {
        return m_bar.AddPanel(width, caption, toolTip, enabled, autoSize, picture);
    }
    void DeletePanel() override { m_bar.DeletePanel(); }

    void beginEdit(const QString&) override { }
    void endEdit() override { }

private:
    PanelStatusBar& m_bar;
};

} // namespace qv
