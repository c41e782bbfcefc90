// The proxy entry parser: any usable entry is written back as a line that reads as the same entry
// and is written the same again; a written line never holds a line break.
#include "engine/ProxyUrl.h"
#include "FuzzCheck.h"

QV_FUZZ_TARGET
{
    const ProxyUrl url = ProxyUrl::parse(input);
    QV_FUZZ_CHECK(!url.usable() || (url.port >= 1 && url.port <= 65535));
    if (!url.usable())
        return;
    const std::string written = url.write();
    const ProxyUrl again = ProxyUrl::parse(written);
    QV_FUZZ_CHECK(again == url);
    QV_FUZZ_CHECK(again.write() == written);
    // Scheme-less entries keep the line's own bytes as their host; only those can hold a break.
    if (url.protocol != Protocol::Http || url.credentials)
        QV_FUZZ_CHECK(written.find_first_of("\r\n") == std::string::npos);
}
