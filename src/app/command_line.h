// The editor's command line: file paths to open, the usual --help and --version, and Qt's own
// options passed on to Qt. Plain C++, so that it is read before any window system is touched.
#pragma once

#include <string>
#include <vector>

namespace varnel {

struct EditorCommandLine {
    enum class Action {
        Run,      // start the editor (or hand the files to the running one)
        Help,     // print usageText() and exit with 0
        Version,  // print versionText() and exit with 0
        Error     // print `error` and the hint to stderr and exit with 2
    };
    Action action = Action::Run;
    // The files to open, in order, as given (relative paths are made absolute by the caller).
    std::vector<std::string> files;
    // Why the command line was refused, e.g. "unknown option '--frobnicate'".
    std::string error;
};

// The exit status of a refused command line.
inline constexpr int kUsageExitStatus = 2;

// Reads the arguments that follow the program's name. "--" makes every later argument a file;
// a lone "-" is a file name too. Qt's own options (-platform NAME, -style NAME, -reverse, ...)
// are skipped with their values, since Qt reads them itself. The first --help or --version wins
// over anything after it except an error before it.
EditorCommandLine parseEditorCommandLine(const std::vector<std::string>& args);

// What `varnel --help` prints.
std::string usageText();
// What `varnel --version` prints, e.g. "varnel 1.0.0.1\n".
std::string versionText();
// The two lines `varnel` prints to stderr for a refused command line.
std::string usageErrorText(const std::string& error);

}  // namespace varnel
