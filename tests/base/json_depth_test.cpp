#include "base/json_depth.h"

#include <gtest/gtest.h>
#include <string>

namespace brimlow {
namespace {

TEST(JsonDepth, CountsArraysAndObjectsOutsideStrings) {
    const std::string deep = std::string(3, '[') + std::string(3, ']');
    const std::pair<std::string, bool> cases[] = {
        {deep, true},
        {"[" + deep + "]", false},
        {R"({"a":{"b":[{}]}})", false},
        {R"({"a":{"b":[0],"c":[1]}})", true}, // siblings, not nesting
        {R"(["[[[[", "{{\"[[", 1])", true},   // brackets in strings, an escaped quote
        {R"(["\\", [[[]]]])", false},         // an escaped backslash ends no string
    };
    for (const auto& [text, within] : cases)
        EXPECT_EQ(jsonDepthWithin(text, 3), within) << text;
    EXPECT_TRUE(jsonDepthWithin(std::string(kMaxJsonDepth, '[')));
    EXPECT_FALSE(jsonDepthWithin(std::string(kMaxJsonDepth + 1, '[')));
}

} // namespace
} // namespace brimlow
