#pragma once

#include <string>
#include <string_view>

namespace qv::AddressLeak {

// The address after "REMOTE_ADDR = " on a judge page (the address the judge saw the request come
// from), or empty.
std::string remoteAddress(std::string_view page);

// Whether the page shows address anywhere as an address of its own, not as part of a longer one
// ("1.2.3.4" is in "1.2.3.4:80" and "::ffff:1.2.3.4", not in "11.2.3.45"). Letter case is ignored,
// for IPv6.
bool shows(std::string_view page, std::string_view address);

} // namespace qv::AddressLeak
