#pragma once

#include <QComboBox>
#include <QPointer>

#include "platform/ListBox.h"

namespace qv {

// ListBox over a drop-down list. Adding entries never changes the selection (a bare QComboBox
// would select its first entry by itself). The widget belongs to its Qt parent.
class ComboListBox final : public ListBox
{
public:
    explicit ComboListBox(QComboBox* combo);
    ComboListBox(const ComboListBox&) = delete;
    ComboListBox& operator=(const ComboListBox&) = delete;

    int count() const override;
    bool addItem(const std::string& text) override;
    bool insertItem(int index, const std::string& text) override;
    void removeItem(int index) override;
    void clear() override;
    std::string item(int index) const override;
    int selectedIndex() const override;
    void setSelectedIndex(int index) override;
    int selectByText(const std::string& text) override;

    QComboBox* widget() const { return m_combo; }

private:
    QPointer<QComboBox> m_combo;
};

} // namespace qv
