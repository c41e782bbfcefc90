#pragma once

#include "platform/Clipboard.h"

namespace qv {

// The desktop clipboard.
class QtClipboard final : public Clipboard
{
public:
    void clear() override;
    void setText(const std::string& text) override;
    std::string text() const override;
};

} // namespace qv
