// One example for each step of `varnel-cli edit`, shown by the help and the manual page, and run
// by the tests, so that every example in the reference works as printed.
#pragma once

#include <string>
#include <string_view>

namespace varnel {

// The input and output files every example uses.
inline constexpr char kExampleInput[] = "in.png";
inline constexpr char kExampleOutput[] = "out.png";
// The picture --add-layer's example adds.
inline constexpr char kExampleLayerPicture[] = "logo.png";

// The steps of an example of the step `name` ("--feather"): the step itself, after whatever it
// needs first ("--select 10,10,90,60 --feather 4"); empty for a name that is not a step.
std::string stepExample(std::string_view name);

// The whole command line of that example, "varnel-cli edit in.png STEPS -o out.png".
std::string stepExampleCommand(std::string_view name);

}  // namespace varnel
