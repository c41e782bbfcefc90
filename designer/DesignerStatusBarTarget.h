#pragma once

#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <memory>

#include "controls/statusbar/StatusBarEditTarget.h"

class QDesignerFormWindowInterface;

namespace qv {

class PanelStatusBar;

// A status bar on a form being designed. Panel edits are made on a copy of the bar's panel records
// (those DeletePanel keeps past the count included, so they stay with the bar from one session to
// the next) and written back as the bar's "panels" property through the form window's cursor,
// once per user action, so each action is one undo step and marks the form changed. Widths are
// read from the bar, whose size, font and gripper decide them. Without a form window the
// properties are set on the bar directly.
// Only the bar's properties are used, so the bar may come from another copy of the control code.
class DesignerStatusBarTarget final : public StatusBarEditTarget
{
public:
    DesignerStatusBarTarget(QDesignerFormWindowInterface* formWindow, QWidget* bar);
    ~DesignerStatusBarTarget() override;
    Q_DISABLE_COPY_MOVE(DesignerStatusBarTarget)

    int NumberOfPanels() const override;
    QString PanelCaption(int Index) const override;
    int PanelWidth(int Index) const override;
    QString ToolTipText(int Index) const override;
    int MinWidth(int Index) const override;
    AutoSizeMode PanelAutoSize(int Index) const override;
    bool PanelEnabled(int Index) const override;
    Picture PanelPicture(int Index) const override;
    bool ShowGripper() const override;

    void setMinWidth(int Index, int value) override;
    void setPanelCaption(int Index, const QString& value) override;
    void setPanelWidth(int Index, int value) override;
    void setToolTipText(int Index, const QString& value) override;
    void setPanelAutoSize(int Index, AutoSizeMode value) override;
    void setPanelEnabled(int Index, bool value) override;
    void setPanelPicture(int Index, const Picture& value) override;
    void setShowGripper(bool value) override;
    int AddPanel(int width, const QString& caption, const QString& toolTip, bool enabled,
        AutoSizeMode autoSize, const Picture& picture) override;
    void DeletePanel() override;

    void beginEdit(const QString& description) override;
    void endEdit() override;

private:
    void panelsChanged(const QString& description);
    // The copy takes the bar's records as they are now.
    void takeRecords();
    void flush();
    void writeProperty(const QString& name, const QVariant& value, const QString& description);

    QPointer<QDesignerFormWindowInterface> m_formWindow;
    QPointer<QWidget> m_bar;
    std::unique_ptr<PanelStatusBar> m_panels;
    int m_depth = 0;
    bool m_pending = false;
    QString m_description;
};

} // namespace qv
