// Scratch folders and file helpers for the settings tests.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace varnel::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it (folders made
// read-only by a test included). Traversable by every user, so that a test can also run a step
// as an unprivileged user.
class TempDir {
public:
    TempDir() {
        std::string templ = (fs::temp_directory_path() / "varnel-app-XXXXXX").string();
        if (::mkdtemp(templ.data())) path_ = templ;
        ::chmod(path_.c_str(), 0755);
    }
    ~TempDir() {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    bool ok() const { return !path_.empty(); }

private:
    fs::path path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

// Names of the entries in `dir`, sorted.
inline std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Runs `fn` with the rights of an ordinary user, so that permission checks apply even when the
// tests run as root: root runs it in a child process that drops to the "nobody" ids. Returns
// fn's result, or -1 when the child could not be run.
inline int runUnprivileged(const std::function<int()>& fn) {
    if (::geteuid() != 0) return fn();
    pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
        ::_exit(fn() & 0xFF);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    int code = WEXITSTATUS(status);
    return code == 255 ? -1 : code;
}

}  // namespace varnel::test
