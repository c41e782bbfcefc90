#include <gtest/gtest.h>

#include "platform/RegistryDocument.h"

namespace qv {
namespace {

// Data is a quoted text or type:data; a bare word is a line the file cannot be taken apart at.
TEST(RegistryDocument, ValueDataIsQuotedOrTypedAndEmptyFilesTakeKeysOnce)
{
    const std::pair<std::string, bool> rows[] = { { "\"X\"=dword:00000001", true }, { "\"X\"=\"text\"", true },
        { "\"X\"=word", false }, { "\"X\"=word\r\n", false }, { "\"X\"=word \"a:b\"", false }, { "\"X\"=:1", false },
        { "\"X\"=str(2):\"a\" ", true }, { "\"X\"=str(2):\"a\" b", false } };
    for (const auto& [line, taken] : rows) {
        RegistryDocument::Error error;
        const auto document = RegistryDocument::parse("[K]\r\n" + line, &error);
        EXPECT_EQ(document.has_value(), taken) << line;
        EXPECT_EQ(error.line, taken ? 0 : 2) << line;
    }
    // An empty store (or one holding only a byte-order mark) is a store with no keys; a key is added
    // once, whatever its letter case.
    for (const std::string bytes : { "", "\xEF\xBB\xBF" }) {
        auto document = RegistryDocument::parse(bytes);
        ASSERT_TRUE(document) << bytes.size();
        EXPECT_TRUE(document->addKey("K") && document->addKey("k"));
        EXPECT_EQ(document->bytes(), bytes + "[K]\n");
    }
}

} // namespace
} // namespace qv
