#include <gtest/gtest.h>

#include "platform/RegistryDocument.h"

namespace qv {
namespace {

// Data is a quoted text or type:data; a bare word is a line the file cannot be taken apart at.
TEST(RegistryDocument, ValueDataIsQuotedOrTyped)
{
    const std::pair<std::string, bool> rows[] = { { "\"X\"=dword:00000001", true }, { "\"X\"=\"text\"", true },
        { "\"X\"=word", false }, { "\"X\"=word\r\n", false }, { "\"X\"=word \"a:b\"", false }, { "\"X\"=:1", false } };
    for (const auto& [line, taken] : rows) {
        RegistryDocument::Error error;
        const auto document = RegistryDocument::parse("[K]\r\n" + line, &error);
        EXPECT_EQ(document.has_value(), taken) << line;
        EXPECT_EQ(error.line, taken ? 0 : 2) << line;
    }
}

} // namespace
} // namespace qv
