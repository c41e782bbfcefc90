#pragma once

#include <QDialog>
#include <QList>
#include <memory>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace qv {

class PropertyPage;
class StatusBarEditTarget;

// Hosts property pages as tabs with OK, Cancel and Apply. Apply (and OK) applies every page marked
// changed and then clears its mark; a page that cannot apply is shown and the dialog stays open.
class PropertyPageDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit PropertyPageDialog(const QString& title, QWidget* parent = nullptr);
    ~PropertyPageDialog() override;
    Q_DISABLE_COPY_MOVE(PropertyPageDialog)

    // The dialog takes the page as its child.
    void addPage(PropertyPage* page);
    // Tells every page about the selected bar; the dialog keeps the target.
    void setTarget(std::unique_ptr<StatusBarEditTarget> target);
    StatusBarEditTarget* target() const { return m_target.get(); }

    int pageCount() const { return static_cast<int>(m_pages.size()); }
    PropertyPage* page(int index) const { return m_pages.value(index); }
    QPushButton* applyButton() const;

    bool apply();
    void accept() override;

private:
    void updateApplyButton();

    QTabWidget* m_tabs = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QList<PropertyPage*> m_pages;
    std::unique_ptr<StatusBarEditTarget> m_target;
};

} // namespace qv
