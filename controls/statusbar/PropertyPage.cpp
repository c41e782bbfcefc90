#include "controls/statusbar/PropertyPage.h"

namespace qv {

PropertyPage::PropertyPage(const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_caption(caption)
{
}

void PropertyPage::setChanged(bool changed)
{
    if (m_changed == changed)
        return;
    m_changed = changed;
    Q_EMIT changedMarked(changed);
}

} // namespace qv
