// varnel-cli: the editor's engine without windows. Files are opened and saved exactly as the
// editor's Open and Save As do; edit steps are the editor's commands.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace varnel {

// Exit statuses.
enum CliStatus : int {
    kCliSuccess = 0,
    kCliFileError = 1,   // a file could not be opened or saved, or a step could not be applied
    kCliUsageError = 2,  // the command line itself is wrong
};

// Runs one command line (`args` without the program name). Results go to `out`, messages to
// `err`.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The text of --help.
std::string cliHelp();

}  // namespace varnel
