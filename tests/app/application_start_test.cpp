#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

TEST(ApplicationStart, WithoutADisplayOrWithOneThatFailsItSaysSoInOneLine) {
    TempDir home;
    for (std::map<std::string, std::string> display :
         {std::map<std::string, std::string>{}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}}) {
        display.emplace("HOME", home.path());
        auto run = runProgram({{BRIMLOW_EXECUTABLE}, display, {"DISPLAY", "WAYLAND_DISPLAY"}, ""});
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.out, "There is no graphical session (neither DISPLAY nor WAYLAND_DISPLAY is "
                           "set); run \"brimlow --snapshot\" to see the figures.\n");
        EXPECT_EQ(run.err, "") << "not Qt's own abort message";
    }
    // A display that is set but can't be opened.
    auto run =
        runProgram({{BRIMLOW_EXECUTABLE},
                    {{"HOME", home.path()}, {"DISPLAY", ":3917"}, {"QT_QPA_PLATFORM", "xcb"}},
                    {"WAYLAND_DISPLAY", "BRIMLOW_QT_MESSAGES"},
                    ""});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "Cannot open the display (DISPLAY=:3917, WAYLAND_DISPLAY=); run "
                       "\"brimlow --snapshot\" to see the figures.\n");
    EXPECT_EQ(run.err, "");
}

} // namespace
} // namespace brimlow
