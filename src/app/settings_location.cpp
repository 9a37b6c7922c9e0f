#include "app/settings_location.h"

#include <unistd.h>

#include <boost/regex.hpp>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/product_info.h"

namespace varnel {
namespace fs = std::filesystem;

namespace {

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

// A version part such as "7" or " 0 "; anything else counts as 0.
int versionPart(const std::string& part) {
    size_t b = 0, e = part.size();
    while (b < e && std::isspace((unsigned char)part[b])) ++b;
    while (e > b && std::isspace((unsigned char)part[e - 1])) --e;
    int v = 0;
    auto [end, ec] = std::from_chars(part.data() + b, part.data() + e, v);
    if (ec != std::errc() || end != part.data() + e) return 0;
    return v;
}

bool isUninstallerData(const std::string& name) {
    // "unins???.dat": three arbitrary characters between the fixed parts, compared ignoring case.
    static constexpr char kHead[] = "unins", kTail[] = ".dat";
    if (name.size() != 12) return false;
    for (size_t i = 0; i < 5; ++i)
        if (std::tolower((unsigned char)name[i]) != kHead[i]) return false;
    for (size_t i = 0; i < 4; ++i)
        if (std::tolower((unsigned char)name[8 + i]) != kTail[i]) return false;
    return true;
}

}  // namespace

std::pair<int, int> productVersionMajorMinor(const std::string& version) {
    std::vector<std::string> parts;
    try {
        static const boost::regex separators("[.,]");
        // -1 asks for the text between the separators. Every field counts, empty ones too, so
        // "1.0.0.1." is five parts rather than four.
        boost::sregex_token_iterator it(version.begin(), version.end(), separators, -1), end;
        for (; it != end; ++it) parts.push_back(*it);
        if (!version.empty() && (version.back() == '.' || version.back() == ','))
            parts.emplace_back();
    } catch (const std::exception&) {
        return {0, 0};
    }
    if (parts.size() != 4) return {0, 0};
    return {versionPart(parts[0]), versionPart(parts[1])};
}

bool isInstalledProgramDirectory(const std::string& dir) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (isUninstallerData(it->path().filename().string()) && !it->is_directory(typeEc))
            return true;
    }
    return ::access(dir.empty() ? "." : dir.c_str(), W_OK) != 0;
}

std::optional<std::string> userConfigDirectory(const SettingsEnvironment& env) {
    // Relative values are to be ignored, as the base directory convention asks.
    if (env.xdgConfigHome && !env.xdgConfigHome->empty() && env.xdgConfigHome->front() == '/')
        return *env.xdgConfigHome;
    if (env.home && !env.home->empty() && env.home->front() == '/')
        return withSlash(*env.home) + ".config";
    return std::nullopt;
}

SettingsLocation locateSettings(const SettingsEnvironment& env) {
    SettingsLocation loc;
    loc.installed = isInstalledProgramDirectory(env.programDirectory);
    if (!loc.installed) {
        loc.dataDirectory = withSlash(env.programDirectory);
        loc.filePath = loc.dataDirectory + "VLSettings.xml";
        return loc;
    }
    if (std::optional<std::string> config = userConfigDirectory(env)) {
        auto [major, minor] = productVersionMajorMinor(env.productVersion);
        loc.dataDirectory = withSlash(*config) + kMakerName + "/" + env.productName + "/" +
                            std::to_string(major) + "." + std::to_string(minor) + "/";
    } else {
        loc.dataDirectory = withSlash(env.programDirectory) + "Data/";
    }
    loc.filePath = loc.dataDirectory + "Settings.xml";
    return loc;
}

std::string programDirectory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path().string();
    fs::path cwd = fs::current_path(ec);
    return ec ? std::string(".") : cwd.string();
}

SettingsEnvironment currentSettingsEnvironment() {
    SettingsEnvironment env;
    env.programDirectory = programDirectory();
    if (const char* v = std::getenv("XDG_CONFIG_HOME")) env.xdgConfigHome = v;
    if (const char* v = std::getenv("HOME")) env.home = v;
    env.productName = productName();
    env.productVersion = productVersion();
    return env;
}

SettingsLocation currentSettingsLocation() {
    return locateSettings(currentSettingsEnvironment());
}

bool createDataDirectory(const std::string& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    return fs::is_directory(dir, ec);
}

}  // namespace varnel
