// The application-wide Last Filter slot: at most one area filter, always a private copy (never a
// filter that a history action owns). Applying an area filter whose internal flag is clear puts a
// clone of it here; adjustments never enter the slot. Everything runs on the user-interface
// thread.
#pragma once

#include <memory>
#include <string>

#include "filters/filter.h"

namespace varnel {

// The filter in the slot, or null.
const AreaFilter* lastFilter();
// Replaces the slot's filter by a clone of `filter` (the slot is left empty when memory is short).
void rememberLastFilter(const AreaFilter& filter);
// A fresh clone of the slot's filter for a new application; null when the slot is empty.
std::unique_ptr<AreaFilter> cloneLastFilter();
// Empties the slot.
void clearLastFilter();
// The text of the Last Filter menu item: the slot filter's name, or "Last Filter".
std::string lastFilterMenuText();

}  // namespace varnel
