// Writes the manual page of a program from its --help text (used by the build):
//
//   varnel-man-page OUTPUT PROGRAM NAME SUMMARY VERSION DATE [SEE_ALSO...]
//
// PROGRAM is run with --help; its output becomes the page. Fails (status 1) when the program
// cannot be run or does not succeed, so that the build never installs an empty page.
#include <sys/wait.h>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "cli/man_page.h"

int main(int argc, char** argv) {
    if (argc < 7) {
        std::cerr << "usage: " << argv[0]
                  << " OUTPUT PROGRAM NAME SUMMARY VERSION DATE [SEE_ALSO...]\n";
        return 2;
    }
    const std::string output = argv[1];
    std::string quoted = "'";
    for (const char* c = argv[2]; *c; ++c)
        quoted += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
    quoted += "' --help";
    FILE* pipe = ::popen(quoted.c_str(), "r");
    if (!pipe) {
        std::cerr << "cannot run " << argv[2] << "\n";
        return 1;
    }
    std::string help;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) help.append(buffer, n);
    const int status = ::pclose(pipe);
    if (status != 0 || help.empty()) {
        std::cerr << argv[2] << " --help failed (status " << status << ")\n";
        return 1;
    }
    varnel::ManPageInfo info{argv[3], argv[4], argv[5], argv[6], {}};
    for (int i = 7; i < argc; ++i) info.seeAlso.push_back(argv[i]);
    const std::string page = varnel::manPageFromHelp(info, help);
    const std::string partial = output + ".part";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file << page;
        if (!file.flush()) {
            std::cerr << "cannot write " << partial << "\n";
            return 1;
        }
    }
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::cerr << "cannot replace " << output << "\n";
        return 1;
    }
    return 0;
}
