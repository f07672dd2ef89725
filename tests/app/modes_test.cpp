#include "app/modes.h"
#include "test_support/fake_environment.h"

#include <gtest/gtest.h>
#include <vector>

namespace brimlow {
namespace {

TEST(SelectMode, OnlyWholeArgumentsCount) {
    using Args = std::vector<std::string_view>;
    EXPECT_EQ(selectMode(Args{"/usr/bin/brimlow", "--snapshot=1", "--snap", "-snapshot",
                              "--SNAPSHOT", " --snapshot"}),
              Mode::Application);
    // The program path itself is part of the vector.
    EXPECT_EQ(selectMode(Args{"--snapshot"}), Mode::Snapshot);
    // The flags added later come after the first five, whatever the order.
    EXPECT_EQ(selectMode(Args{"brimlow", "--waybar", "--json", "--snapshot"}), Mode::Snapshot);
    EXPECT_EQ(selectMode(Args{"brimlow", "--waybar", "--json"}), Mode::Json);
}

TEST(GraphicalSession, GnomeOnWaylandRunsThroughXwaylandUnlessThePlatformIsChosen) {
    const std::map<std::string, std::string> gnome{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"},
                                                   {"WAYLAND_DISPLAY", "wayland-0"},
                                                   {"DISPLAY", ":0"}};
    EXPECT_EQ(preferredQtPlatform(FakeEnvironment(gnome)), "xcb");
    for (auto [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"QT_QPA_PLATFORM", "wayland"},
             {"DISPLAY", ""},
             {"XDG_CURRENT_DESKTOP", "KDE"},
             {"XDG_CURRENT_DESKTOP", "GNOME-Flashback-X"}}) {
        FakeEnvironment env(gnome);
        env.set(name, value);
        EXPECT_EQ(preferredQtPlatform(env), std::nullopt) << name << "=" << value;
    }
}

} // namespace
} // namespace brimlow
