#pragma once

#include "controls/statusbar/PropertyPage.h"

class QCheckBox;

namespace qv {

// The gripper switch of the status bar. The bar has no UseWindowsColors setting, so that check box
// is shown disabled and never read or written.
class GeneralPage final : public PropertyPage
{
    Q_OBJECT

public:
    explicit GeneralPage(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(GeneralPage)

    void SelectionChanged(StatusBarEditTarget* target) override;
    bool ApplyChanges() override;

    QCheckBox* chkUseWindowsColors() const { return m_chkUseWindowsColors; }
    QCheckBox* chkShowGripper() const { return m_chkShowGripper; }

private:
    StatusBarEditTarget* m_target = nullptr;
    QCheckBox* m_chkUseWindowsColors = nullptr;
    QCheckBox* m_chkShowGripper = nullptr;
};

} // namespace qv
