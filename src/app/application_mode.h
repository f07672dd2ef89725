// No mode flag: the tray application.
#pragma once

namespace brimlow {

// Runs until the user quits; returns the process's exit status. A second
// start hands over to the running instance and returns 0 at once.
int runApplicationMode(int argc, char** argv);

} // namespace brimlow
