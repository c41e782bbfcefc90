#pragma once

#include <string>

namespace qv {

// Latin-1 text with upper-case letters turned to lower case, the same folding the list box's text
// search uses, so two texts fold equal exactly when they compare equal without regard to case.
std::string foldCaseLatin1(const std::string& text);

} // namespace qv
