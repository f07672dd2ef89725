#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

TEST(ApplicationStart, WithoutADisplayOrWithOneThatFailsItSaysSoInOneLine) {
    TempDir home;
    const std::string none = "There is no graphical session (neither DISPLAY nor WAYLAND_DISPLAY "
                             "is set); run \"brimlow --snapshot\" to see the figures.\n";
    const std::string hint = "); run \"brimlow --snapshot\" to see the figures.\n";
    struct Case {
        std::map<std::string, std::string> env;
        std::string out;
    } cases[] = {
        {{}, none},
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, none},
        {{{"DISPLAY", ":3917"}, {"QT_QPA_PLATFORM", "xcb"}},
         "Cannot open the display (DISPLAY=:3917, WAYLAND_DISPLAY=" + hint},
        {{{"WAYLAND_DISPLAY", "brimlow-none"}, {"QT_QPA_PLATFORM", "wayland"}},
         "Cannot open the display (DISPLAY=, WAYLAND_DISPLAY=brimlow-none" + hint},
    };
    for (auto [env, out] : cases) {
        env.emplace("HOME", home.path());
        env.emplace("XDG_RUNTIME_DIR", home.path());
        auto run = runProgram(
            {{BRIMLOW_EXECUTABLE}, env, {"DISPLAY", "WAYLAND_DISPLAY", "BRIMLOW_QT_MESSAGES"}, ""});
        EXPECT_EQ(run.exitStatus, 1) << out;
        EXPECT_EQ(run.out, out);
        EXPECT_EQ(run.err, "") << "not Qt's own abort message";
    }
}

} // namespace
} // namespace brimlow
