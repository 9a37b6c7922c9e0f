#include "filters/filter_commands.h"

#include "document/layer_stack.h"
#include "filters/filter_action.h"
#include "filters/histogram.h"
#include "filters/last_filter.h"
#include "filters/tone_adjustments.h"

namespace varnel {
namespace {

SelectionArea selectionOf(const FilterTarget& target) {
    return target.selection ? target.selection->area() : SelectionArea{};
}

bool ready(const FilterTarget& target) {
    return target.history && target.document &&
           canTakeFilter(*target.document, selectionOf(target));
}

// The histogram of the active layer within the selection; false when it cannot be counted.
bool countActive(const FilterTarget& target, Histogram& histogram) {
    const RasterLayer* layer =
        target.document->layers().rasterAt(target.document->layers().activeIndex());
    return layer && histogram.count(*layer, selectionOf(target));
}

}  // namespace

int runFilterCommand(const FilterTarget& target, std::unique_ptr<Filter> filter) {
    if (!filter || !ready(target)) return 0;
    std::unique_ptr<FilterAction> action;
    try {
        action =
            std::make_unique<FilterAction>(target.document, target.selection, std::move(filter));
    } catch (...) {
        return 0;
    }
    return target.history->perform(std::move(action));
}

int runAutoLevels(const FilterTarget& target) {
    if (!ready(target)) return 0;
    Histogram histogram;
    if (!countActive(target, histogram)) return 0;
    return runFilterCommand(target, std::make_unique<AutoLevelsFilter>(histogram));
}

int runAutoContrast(const FilterTarget& target) {
    if (!ready(target)) return 0;
    Histogram histogram;
    if (!countActive(target, histogram)) return 0;
    return runFilterCommand(target, std::make_unique<AutoContrastFilter>(histogram));
}

int runLastFilter(const FilterTarget& target) {
    if (!ready(target) || !lastFilter()) return 0;
    return runFilterCommand(target, cloneLastFilter());
}

}  // namespace varnel
