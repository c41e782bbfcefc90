#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/MessageBox.h"

namespace qv {

// Modal message boxes over a parent window (or none).
class QtMessageBox final : public MessageBox
{
public:
    explicit QtMessageBox(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }
    int show(const std::string& prompt, int style, const std::string& title) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace qv
