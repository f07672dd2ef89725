// "--test-notify": shows a made-up reset notification through the real
// notifier, to check that notifications reach the desktop.
#pragma once

namespace brimlow {

// Runs its own event loop; returns the process's exit status.
int runTestNotifyMode(int argc, char** argv);

} // namespace brimlow
