#include "x11_environment.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <string>

// Qt and fontconfig keep allocations for the life of the process; the address sanitizer would
// report them as leaks at exit. Read by the sanitizer before main when it is linked in.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

extern char** environ;

namespace varnel::test {
namespace {

QString unavailable;

// The program's path when it is on PATH; empty otherwise.
std::string onPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

class X11Environment : public ::testing::Environment {
public:
    void SetUp() override {
        if (startServer()) {
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        } else {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        app_ = new QApplication(argc_, argv_);
    }

    void TearDown() override {
        delete app_;
        app_ = nullptr;
        if (server_ > 0) {
            ::kill(server_, SIGTERM);
            int status = 0;
            ::waitpid(server_, &status, 0);
            server_ = -1;
        }
    }

private:
    // Starts Xvfb on a display it chooses itself (it writes the number to a pipe once it
    // accepts connections) and points DISPLAY at it.
    bool startServer() {
        const std::string xvfb = onPath("Xvfb");
        if (xvfb.empty()) {
            unavailable = QStringLiteral("Xvfb is not installed (apt-get install xvfb)");
            return false;
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            unavailable = QStringLiteral("cannot make a pipe for Xvfb");
            return false;
        }
        const std::string fd = std::to_string(fds[1]);
        const char* args[] = {xvfb.c_str(),  "-displayfd", fd.c_str(), "-screen", "0",
                              "1024x768x24", "-nolisten",  "tcp",      nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned = ::posix_spawn(&server_, xvfb.c_str(), &actions, nullptr,
                                          const_cast<char* const*>(args), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) {
            ::close(fds[0]);
            server_ = -1;
            unavailable = QStringLiteral("Xvfb did not start");
            return false;
        }
        // The display number, then a newline; nothing when the server fails.
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) {
            unavailable = QStringLiteral("Xvfb started but opened no display");
            return false;
        }
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        return true;
    }

    int argc_ = 1;
    char name_[16] = "varnel-tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
    pid_t server_ = -1;
};

[[maybe_unused]] ::testing::Environment* const kX11Environment =
    ::testing::AddGlobalTestEnvironment(new X11Environment);

}  // namespace

QString x11Unavailable() {
    return unavailable;
}

}  // namespace varnel::test
