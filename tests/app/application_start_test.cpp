#include "test_support/run_program.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

TEST(ApplicationStart, WithoutADisplayItSaysSoInOneLineAndPointsToTheSnapshot) {
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
}

} // namespace
} // namespace brimlow
