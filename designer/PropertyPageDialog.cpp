#include "designer/PropertyPageDialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "controls/statusbar/PropertyPage.h"
#include "controls/statusbar/StatusBarEditTarget.h"

namespace qv {

PropertyPageDialog::PropertyPageDialog(const QString& title, QWidget* parent)
    : QDialog(parent)
    , m_tabs(new QTabWidget(this))
    , m_buttons(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this))
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PropertyPageDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &PropertyPageDialog::reject);
    connect(applyButton(), &QPushButton::clicked, this, &PropertyPageDialog::apply);
    updateApplyButton();
}

PropertyPageDialog::~PropertyPageDialog()
{
    // The pages must not outlive the target they point at.
    for (PropertyPage* page : std::as_const(m_pages))
        page->SelectionChanged(nullptr);
}

void PropertyPageDialog::addPage(PropertyPage* page)
{
    m_pages.append(page);
    m_tabs->addTab(page, page->caption());
    connect(page, &PropertyPage::changedMarked, this, &PropertyPageDialog::updateApplyButton);
    if (m_target)
        page->SelectionChanged(m_target.get());
    updateApplyButton();
}

void PropertyPageDialog::setTarget(std::unique_ptr<StatusBarEditTarget> target)
{
    for (PropertyPage* page : std::as_const(m_pages))
        page->SelectionChanged(target.get());
    m_target = std::move(target);
}

QPushButton* PropertyPageDialog::applyButton() const
{
    return m_buttons->button(QDialogButtonBox::Apply);
}

bool PropertyPageDialog::apply()
{
    for (PropertyPage* page : std::as_const(m_pages)) {
        if (!page->Changed())
            continue;
        if (!page->ApplyChanges()) {
            m_tabs->setCurrentWidget(page);
            return false;
        }
        page->setChanged(false);
    }
    return true;
}

void PropertyPageDialog::accept()
{
    if (apply())
        QDialog::accept();
}

void PropertyPageDialog::updateApplyButton()
{
    bool changed = false;
    for (const PropertyPage* page : std::as_const(m_pages))
        changed = changed || page->Changed();
    applyButton()->setEnabled(changed);
}

} // namespace qv
