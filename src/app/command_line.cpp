#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/product_info.h"

namespace varnel {

namespace {

// Qt's options that take the next argument as their value, and those that stand alone. Qt
// accepts each with one dash or two; it removes them from the arguments when the application
// object is made, after this parser has run.
constexpr std::array<std::string_view, 15> kQtOptionsWithValue = {
    "platform",        "platformpluginpath",
    "platformtheme",   "plugin",
    "qwindowgeometry", "qwindowicon",
    "qwindowtitle",    "session",
    "display",         "name",
    "title",           "visual",
    "style",           "stylesheet",
    "geometry"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse",     "nograb", "dograb",
                                                      "widgetcount", "sync",   "qmljsdebugger"};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

EditorCommandLine parseEditorCommandLine(const std::vector<std::string>& args) {
    EditorCommandLine result;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
            result.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            if (result.action == EditorCommandLine::Action::Run)
                result.action = EditorCommandLine::Action::Help;
            continue;
        }
        if (arg == "--version") {
            if (result.action == EditorCommandLine::Action::Run)
                result.action = EditorCommandLine::Action::Version;
            continue;
        }
        std::string_view name(arg);
        name.remove_prefix(name.starts_with("--") ? 2 : 1);
        const std::size_t equals = name.find('=');
        const bool inlineValue = equals != std::string_view::npos;
        if (inlineValue) name = name.substr(0, equals);
        if (contains(kQtOptionsWithValue, name)) {
            if (!inlineValue && ++i >= args.size()) {
                result.action = EditorCommandLine::Action::Error;
                result.error = "option '" + arg + "' needs a value";
                return result;
            }
            continue;
        }
        if (contains(kQtFlags, name)) continue;
        result.action = EditorCommandLine::Action::Error;
        result.error = "unknown option '" + arg + "'";
        return result;
    }
    return result;
}

std::string usageText() {
    return "Usage: varnel [OPTION]... [FILE]...\n"
           "Open each FILE in the " +
           productName() +
           " image editor. Without FILE the editor starts with no document.\n"
           "\n"
           "Files in BMP (.bmp, .dib, .rle), GIF, ICO, JPEG (.jpg, .jpeg, .jpe, .jfif), PNG, TIFF\n"
           "(.tif, .tiff), WebP and OpenRaster (.ora) open as documents. When the editor already\n"
           "runs for this user, the files open in its window and this start ends at once.\n"
           "\n"
           "Options:\n"
           "  -h, --help      show this help and exit\n"
           "      --version   show the version and exit\n"
           "      --          treat every later argument as a file, even one starting with '-'\n"
           "\n"
           "Qt's standard options are accepted as well, e.g. -platform NAME, -style NAME,\n"
           "-reverse; QT_SCALE_FACTOR and the desktop's settings choose the scale.\n"
           "VARNEL_COLOR_SCHEME=dark or light overrides the desktop's colour scheme.\n"
           "\n"
           "Exit status: 0 when the editor ran and closed, or handed its files to the running\n"
           "editor; 2 when the command line was refused.\n"
           "\n"
           "The user manual opens with Help > Contents (F1) in the editor; varnel-cli --help\n"
           "describes the command-line front end.\n";
}

std::string versionText() {
    return "varnel " + productVersion() + "\n";
}

std::string usageErrorText(const std::string& error) {
    return "varnel: " + error + "\nTry 'varnel --help' for more information.\n";
}

}  // namespace varnel
