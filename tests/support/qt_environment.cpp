// One application object for a whole Qt test program, on the offscreen platform. It is deleted at
// the end so that the libraries under it release what they hold. Linked into every Qt test
// program by varnel_tests(... QT ...).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Leak checking stays on; the libraries under Qt that keep allocations for the life of the
// process are suppressed by name in lsan_qt.supp (which says why Qt itself is not). Read by the
// sanitizer before main when it is linked in; LSAN_OPTIONS in the environment still adds to it.
extern "C" const char* __lsan_default_options() {
    return "suppressions='" VARNEL_LSAN_SUPPRESSIONS "':print_suppressions=0";
}

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "varnel-tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
