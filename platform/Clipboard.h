#pragma once

#include <string>

namespace qv {

// Texts are Latin-1 bytes.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void clear() = 0;
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() const = 0;
};

} // namespace qv
