#pragma once

#include <QPushButton>

namespace qv {

// A plain push button with the owner-drawn button's Click signal, used by the editor until that
// control takes its place.
class StyleButtonStandIn final : public QPushButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StyleButtonStandIn)
public:
    explicit StyleButtonStandIn(const QString& caption, QWidget* parent = nullptr)
        : QPushButton(caption, parent)
    {
        connect(this, &QPushButton::clicked, this, &StyleButtonStandIn::Click);
    }

Q_SIGNALS:
    void Click();
};

} // namespace qv
