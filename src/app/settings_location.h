// Where the settings file lives.
//
// A portable program keeps "VLSettings.xml" in its own folder. An installed one (an uninstaller
// data file "unins???.dat" lies beside it, or its folder is not writable, as in a system-wide
// install) keeps "Settings.xml" in <config>/Orvane/<product>/<major>.<minor>/, where <config> is
// $XDG_CONFIG_HOME, or ~/.config when that is unset.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace varnel {

struct SettingsLocation {
    bool installed = false;
    std::string dataDirectory;  // ends with '/'
    std::string filePath;
};

// What the location depends on, gathered from the process environment by
// currentSettingsLocation() and given directly by tests.
struct SettingsEnvironment {
    std::string programDirectory;
    std::optional<std::string> xdgConfigHome;
    std::optional<std::string> home;
    std::string productName;
    std::string productVersion;
};

// The first two numbers of a version string split at "." or ","; (0, 0) unless it has exactly
// four parts. Parts may be padded with blanks ("1, 0, 0, 1"); a part that is not a number
// counts as 0.
std::pair<int, int> productVersionMajorMinor(const std::string& version);

// True when `dir` holds an entry named "unins???.dat" (any case) that is not a folder, or when
// the current user may not create files in `dir`.
bool isInstalledProgramDirectory(const std::string& dir);

// The per-user configuration folder: $XDG_CONFIG_HOME when set to an absolute path, otherwise
// $HOME/.config; nothing when neither can be had.
std::optional<std::string> userConfigDirectory(const SettingsEnvironment& env);

SettingsLocation locateSettings(const SettingsEnvironment& env);

// The folder of the running program (from /proc/self/exe), or the current folder when that
// cannot be read.
std::string programDirectory();
// The environment of this process and build.
SettingsEnvironment currentSettingsEnvironment();
SettingsLocation currentSettingsLocation();

// Creates `dir` and its missing parents. True when it exists as a folder afterwards.
bool createDataDirectory(const std::string& dir);

}  // namespace varnel
