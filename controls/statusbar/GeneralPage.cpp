#include "controls/statusbar/GeneralPage.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "controls/statusbar/StatusBarEditTarget.h"

using namespace Qt::StringLiterals;

namespace qv {

GeneralPage::GeneralPage(QWidget* parent)
    : PropertyPage(u"General"_s, parent)
{
    setObjectName(u"General"_s);
    m_chkUseWindowsColors = new QCheckBox(u"UseWindowsColors"_s, this);
    m_chkUseWindowsColors->setObjectName(u"chkUseWindowsColors"_s);
    m_chkUseWindowsColors->setEnabled(false);
    m_chkUseWindowsColors->setToolTip(u"The status bar has no such setting."_s);
    m_chkShowGripper = new QCheckBox(u"ShowGripper"_s, this);
    m_chkShowGripper->setObjectName(u"chkShowGripper"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_chkUseWindowsColors);
    layout->addWidget(m_chkShowGripper);
    layout->addStretch(1);

    connect(m_chkShowGripper, &QCheckBox::clicked, this, [this] { setChanged(true); });
}

void GeneralPage::SelectionChanged(StatusBarEditTarget* target)
{
    m_target = target;
    if (m_target)
        m_chkShowGripper->setChecked(m_target->ShowGripper());
}

bool GeneralPage::ApplyChanges()
{
    if (m_target) {
        StatusBarEditScope scope(*m_target, u"Change ShowGripper"_s);
        m_target->setShowGripper(m_chkShowGripper->isChecked());
    }
    return true;
}

} // namespace qv
