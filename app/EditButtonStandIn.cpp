#include "app/EditButtonStandIn.h"

namespace qv {

EditButtonStandIn::EditButtonStandIn(QWidget* parent)
    : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &EditButtonStandIn::Click);
}

} // namespace qv
