#pragma once

#include <array>
#include <memory>

#include "controls/statusbar/PropertyPage.h"
#include "platform/gui/Picture.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace qv {

class MessageBox;

// The "Panels" page: edits one panel of the status bar at a time. The scroll bar picks the panel
// (applying pending edits to the panel shown before it moves on); Add Panel appends a panel whose
// fields are the ones still on the page; the picture comes from the open-file dialog.
class PanelsPage final : public PropertyPage
{
    Q_OBJECT

public:
    // Width and minimum width an empty field stands for.
    static constexpr int DefaultWidth = 100;

    // Errors go to messages; without one they show in message boxes over this page.
    explicit PanelsPage(QWidget* parent = nullptr, MessageBox* messages = nullptr);
    ~PanelsPage() override;
    Q_DISABLE_COPY_MOVE(PanelsPage)

    void SelectionChanged(StatusBarEditTarget* target) override;
    // Writes the fields into panel CurrentIndex in a fixed order. A width or minimum width that is
    // not a whole number stops the apply before anything is written and names the field.
    bool ApplyChanges() override;

    int CurrentIndex() const { return m_currentIndex; }
    const Picture& picture() const { return m_picture; }

    // The page's controls, for the host's tests.
    QLineEdit* txtIndex() const { return m_txtIndex; }
    QScrollBar* hsb() const { return m_hsb; }
    QLineEdit* Txt(int index) const { return m_txt.at(static_cast<std::size_t>(index)); }
    QComboBox* Combo1() const { return m_combo; }
    QCheckBox* chkEnabled() const { return m_chkEnabled; }
    QLabel* picPanel() const { return m_picPanel; }
    QPushButton* cmdOpenDlg() const { return m_cmdOpenDlg; }
    QPushButton* cmdDel() const { return m_cmdDel; }
    QPushButton* cmdAddPanel() const { return m_cmdAddPanel; }
    QPushButton* cmdDelete() const { return m_cmdDelete; }
    QLineEdit* txtMinWidth() const { return m_txtMinWidth; }

    // Button handlers, also reachable from tests without clicks.
    void addPanel();
    void deletePanel();
    void openPicture();
    void removePicture();

private:
    void hsbChanged(int value);
    void loadPanel(int index);
    void showPicture(const Picture& picture);
    void setScrollRange(int count);
    void showIndex(int index);

    std::unique_ptr<MessageBox> m_ownMessages;
    MessageBox* m_messages = nullptr;
    StatusBarEditTarget* m_target = nullptr;
    int m_currentIndex = 0;
    Picture m_picture;

    QLineEdit* m_txtIndex = nullptr;
    QScrollBar* m_hsb = nullptr;
    std::array<QLineEdit*, 4> m_txt {};
    QComboBox* m_combo = nullptr;
    QCheckBox* m_chkEnabled = nullptr;
    QGroupBox* m_frame = nullptr;
    QLabel* m_picPanel = nullptr;
    QPushButton* m_cmdOpenDlg = nullptr;
    QPushButton* m_cmdDel = nullptr;
    QPushButton* m_cmdAddPanel = nullptr;
    QPushButton* m_cmdDelete = nullptr;
    QLineEdit* m_txtMinWidth = nullptr;
};

} // namespace qv
