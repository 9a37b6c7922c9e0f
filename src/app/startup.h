// Start-up of the editor program.
#pragma once

namespace varnel {

// Runs the program: when another instance of this user runs already, hands the file arguments
// (made absolute) to it and returns 0; otherwise shows the main window, opens the file
// arguments in order and runs the event loop, returning its exit code.
int runInstance(int& argc, char** argv);

}  // namespace varnel
