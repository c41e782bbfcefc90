// The settings store's file: whatever parses is kept byte for byte, every value it understands
// reads back the same after being written back, and setting the two proxy values changes nothing
// but those two values.
#include "platform/MemoryListBox.h"
#include "platform/RegistryDocument.h"
#include "FuzzCheck.h"

namespace {
const std::string kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

bool isProxyValue(const RegistryDocument::Entry& entry)
{
    return equalsIgnoringCase(entry.keyPath, kKey)
        && (equalsIgnoringCase(entry.name, "ProxyEnable") || equalsIgnoringCase(entry.name, "ProxyServer"));
}

// The file without the lines of the two proxy values.
std::string withoutProxyValues(const RegistryDocument& document)
{
    std::string rest;
    std::size_t pos = 0;
    for (const auto& entry : document.entries()) {
        if (isProxyValue(entry)) {
            rest.append(document.bytes(), pos, entry.begin - pos);
            pos = entry.end;
        }
    }
    return rest.append(document.bytes(), pos);
}

bool sameValue(const std::optional<RegistryStore::Value>& a, const std::optional<RegistryStore::Value>& b)
{
    return a && b ? a->type == b->type && a->text == b->text && a->number == b->number : !a && !b;
}

} // namespace

QV_FUZZ_TARGET
{
    RegistryDocument::Error error;
    const auto document = RegistryDocument::parse(std::string(input), &error);
    if (!document) {
        QV_FUZZ_CHECK(error.line >= 1 && !error.reason.empty());
        return;
    }
    QV_FUZZ_CHECK(document->bytes() == input);

    // Every value written back as read: the same values come back.
    RegistryDocument rewritten = *document;
    for (const auto& entry : document->entries()) {
        if (const auto value = document->value(entry.keyPath, entry.name))
            QV_FUZZ_CHECK(rewritten.setValue(entry.keyPath, entry.name, *value));
    }
    const auto reread = RegistryDocument::parse(rewritten.bytes());
    for (const auto& entry : document->entries())
        QV_FUZZ_CHECK(reread && sameValue(reread->value(entry.keyPath, entry.name), document->value(entry.keyPath, entry.name)));

    // Set As Default Proxy with any text: only the two values change.
    const std::string server(input.substr(0, 40));
    RegistryDocument edited = *document;
    QV_FUZZ_CHECK(edited.setValue(kKey, "ProxyEnable", { RegistryStore::ValueType::Dword, {}, 1 }));
    QV_FUZZ_CHECK(edited.setValue(kKey, "ProxyServer", { RegistryStore::ValueType::String, server, 0 }));
    const auto after = RegistryDocument::parse(edited.bytes());
    QV_FUZZ_CHECK(after && after->value(kKey, "ProxyEnable")->number == 1 && after->value(kKey, "ProxyServer")->text == server);
    for (const auto& entry : document->entries()) {
        if (!isProxyValue(entry))
            QV_FUZZ_CHECK(sameValue(after->value(entry.keyPath, entry.name), document->value(entry.keyPath, entry.name)));
    }
    // Every other byte stays; at most a line end before added lines, and a new key at the end.
    const std::string before = withoutProxyValues(*document);
    std::string rest = withoutProxyValues(*after);
    QV_FUZZ_CHECK(rest.compare(0, before.size(), before) == 0);
    rest.erase(0, before.size());
    if (!document->hasKey(kKey)) {
        const std::string header = '[' + kKey + ']';
        const std::size_t at = rest.rfind(header);
        QV_FUZZ_CHECK(at != std::string::npos && rest.find_first_not_of("\r\n") >= at);
        rest.erase(0, at + header.size());
    }
    QV_FUZZ_CHECK(rest.find_first_not_of("\r\n") == std::string::npos && rest.size() <= 4);
}
