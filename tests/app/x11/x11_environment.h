// The Qt application of the tests that need a real X server: a private Xvfb display the program
// starts for itself, with the application on the xcb platform over it. When Xvfb is missing or
// does not start, the application runs offscreen and x11Unavailable() says why, so that each
// test can skip with that message.
#pragma once

#include <QString>

namespace varnel::test {

// Empty when the display is there; otherwise the reason it is not.
QString x11Unavailable();

}  // namespace varnel::test
