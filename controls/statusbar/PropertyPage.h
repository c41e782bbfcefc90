#pragma once

#include <QString>
#include <QWidget>

namespace qv {

class StatusBarEditTarget;

// A status-bar property page. The host tells the page which bar is selected (SelectionChanged),
// the page marks itself changed when the user edits a field, and the host asks it to apply its
// fields (ApplyChanges) and then clears the mark.
class PropertyPage : public QWidget
{
    Q_OBJECT

public:
    explicit PropertyPage(const QString& caption, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(PropertyPage)

    QString caption() const { return m_caption; }
    bool Changed() const { return m_changed; }
    void setChanged(bool changed);

    // nullptr when nothing is selected.
    virtual void SelectionChanged(StatusBarEditTarget* target) = 0;
    // False when a field holds a value that cannot be applied; nothing is written then.
    virtual bool ApplyChanges() = 0;

Q_SIGNALS:
    void changedMarked(bool changed);

private:
    QString m_caption;
    bool m_changed = false;
};

} // namespace qv
