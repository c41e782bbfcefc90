#pragma once

#include <QPushButton>

namespace qv {

// Placeholder for the owner-drawn button: a push button that raises Click().
class EditButtonStandIn final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditButtonStandIn)

public:
    explicit EditButtonStandIn(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

signals:
    void Click();
};

} // namespace qv
