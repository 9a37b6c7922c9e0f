// A manual page (man(7) macros) made from a program's --help text, so that the page and the help
// never say different things. The help follows a few layout rules that become the page's parts:
//
//   Usage: PROGRAM ...        (one line)  or  "Usage:" followed by indented lines: SYNOPSIS
//   Heading:                  a line at column 0 ending in ":": a section (OPTIONS, STEPS, ...)
//     --item ARG              indented by 2: a tagged entry; "  -h, --help   text" puts the text
//         text                  two or more spaces after the tag on the same line; lines indented
//         e.g. example          by 6 describe it, and an "e.g." line is an example on its own line
//   Text at column 0          a paragraph (the first after the synopsis opens DESCRIPTION; one
//                             beginning "Exit status:" is the EXIT STATUS section)
//   (blank line)              ends a paragraph or an entry
#pragma once

#include <string>
#include <vector>

namespace varnel {

struct ManPageInfo {
    std::string name;     // "varnel-cli"
    std::string summary;  // for NAME: "the Varnel image editor's commands without windows"
    std::string version;  // "Varnel 1.0.0"
    std::string date;     // "2026-12-10"
    std::vector<std::string> seeAlso;  // "varnel(1)"
};

std::string manPageFromHelp(const ManPageInfo& info, const std::string& help);

}  // namespace varnel
