// Naming rules for new and duplicated layers (case-sensitive).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

inline constexpr std::string_view kBackgroundName = "Background";
inline constexpr std::string_view kLayerNamePrefix = "Layer ";

// The whole text as an integer: an optional sign, then decimal digits, nothing else. Numbers that
// do not fit in 32 bits give nothing.
std::optional<int32_t> parseNameNumber(std::string_view text);

// The largest number N found after `prefix` among `names` (a name counts when it starts with the
// prefix, has text after it and that text is an integer); 0 when no name counts or every number
// found is below 1.
int64_t largestNumberAfter(const std::vector<std::string>& names, std::string_view prefix);

// "Layer " followed by N + 1 over the layer-name numbers of `names`: "Layer 1" for a stack without
// numbered layers, "Layer 4" beside "Layer 1" and "Layer 3".
std::string nextLayerName(const std::vector<std::string>& names);

// The name offered for a duplicate of the layer named `name` among `names`: "Sky" gives
// "Sky copy", "Layer 1" gives "Layer copy", and further copies are numbered "Layer copy 2", ....
std::string duplicateLayerName(std::string_view name, const std::vector<std::string>& names);

}  // namespace varnel
