#pragma once

#include <QString>
#include <QWidget>
#include <array>

namespace qv {

// Placeholder for the owner-drawn status bar: three fixed text panels and the gripper flag,
// behind the member names the window and the engine use.
class StatusBarStandIn final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusBarStandIn)

public:
    explicit StatusBarStandIn(QWidget* parent = nullptr);

    // Panels are counted from 1; other indexes read as empty and are not written.
    QString PanelCaption(int index) const;
    void setPanelCaption(int index, const QString& text);
    bool ShowGripper() const { return m_showGripper; }
    void setShowGripper(bool show);

    int panelCount() const { return static_cast<int>(m_captions.size()); }
    int panelWidth(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<QString, 3> m_captions;
    std::array<int, 3> m_widths {185, 120, 120};
    bool m_showGripper = true;
};

} // namespace qv
