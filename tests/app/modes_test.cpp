#include "app/modes.h"

#include <gtest/gtest.h>
#include <vector>

namespace brimlow {
namespace {

Mode modeOf(std::vector<std::string_view> args) {
    args.insert(args.begin(), "/usr/bin/brimlow");
    return selectMode(args);
}

TEST(SelectMode, FirstFlagInTheFixedOrderWinsWherever) {
    EXPECT_EQ(modeOf({}), Mode::Application);
    EXPECT_EQ(modeOf({"--snapshot"}), Mode::Snapshot);
    EXPECT_EQ(modeOf({"--snapshot", "--connect-claude"}), Mode::ConnectClaude);
    EXPECT_EQ(modeOf({"--test-notify", "x", "--disconnect-claude"}), Mode::DisconnectClaude);
    EXPECT_EQ(modeOf({"--snapshot", "--test-notify", "--claude-statusline"}),
              Mode::ClaudeStatusline);
    EXPECT_EQ(modeOf({"--connect-claude", "--disconnect-claude"}), Mode::ConnectClaude);
}

TEST(SelectMode, OnlyWholeArgumentsCount) {
    EXPECT_EQ(modeOf({"--snapshot=1"}), Mode::Application);
    EXPECT_EQ(modeOf({"--snap"}), Mode::Application);
    EXPECT_EQ(modeOf({"-snapshot", "--SNAPSHOT", " --snapshot"}), Mode::Application);
    // The program path itself is part of the vector.
    std::vector<std::string_view> args{"--snapshot"};
    EXPECT_EQ(selectMode(args), Mode::Snapshot);
}

} // namespace
} // namespace brimlow
