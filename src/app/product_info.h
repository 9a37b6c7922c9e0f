// The product's identity as the build gives it (the CMake project name and version).
#pragma once

#include <string>

namespace varnel {

// The maker's name, the first folder under the per-user configuration folder.
inline constexpr char kMakerName[] = "Orvane";

// "Varnel".
std::string productName();
// The four-part version "major.minor.patch.build", e.g. "1.0.0.1".
std::string productVersion();

}  // namespace varnel
