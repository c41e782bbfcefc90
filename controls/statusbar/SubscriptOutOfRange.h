#pragma once

#include <stdexcept>
#include <string>

namespace qv {

// Thrown by an indexed property of the status bar given a panel number outside its panel array.
class SubscriptOutOfRange final : public std::out_of_range {
public:
    explicit SubscriptOutOfRange(int index)
        : std::out_of_range("Subscript out of range: panel " + std::to_string(index))
        , m_index(index)
    {
    }
    int index() const { return m_index; }

private:
    int m_index;
};

} // namespace qv
