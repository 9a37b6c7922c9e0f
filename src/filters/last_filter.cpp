#include "filters/last_filter.h"

namespace varnel {
namespace {

std::unique_ptr<AreaFilter>& slot() {
    static std::unique_ptr<AreaFilter> filter;
    return filter;
}

}  // namespace

const AreaFilter* lastFilter() {
    return slot().get();
}

void rememberLastFilter(const AreaFilter& filter) {
    if (slot().get() == &filter) return;
    // A clone that cannot be made leaves the slot empty rather than holding an older filter.
    slot() = filter.clone();
}

std::unique_ptr<AreaFilter> cloneLastFilter() {
    return slot() ? slot()->clone() : nullptr;
}

void clearLastFilter() {
    slot().reset();
}

std::string lastFilterMenuText() {
    return slot() ? slot()->name() : std::string("Last Filter");
}

}  // namespace varnel
