// The filter commands of a document window: each checks that the document can take a filter
// now, builds its filter and a FilterAction, and records it in the document's history. Nothing
// happens (and 0 comes back) when the document cannot take a filter or the application fails.
#pragma once

#include <memory>

#include "document/document.h"
#include "document/selection.h"
#include "filters/filter.h"
#include "history/history.h"

namespace varnel {

// What a command needs of its document window.
struct FilterTarget {
    History* history = nullptr;
    Document* document = nullptr;
    // The window's selection (null: nothing selected); read at every execution of the action.
    Selection* selection = nullptr;
};

// Desaturate, Invert, the blur and sharpen filters, or a dialog's filter when the dialog holds
// no previewed action.
int runFilterCommand(const FilterTarget& target, std::unique_ptr<Filter> filter);
// Counts the histogram of the active layer within the selection, then builds the filter from it.
int runAutoLevels(const FilterTarget& target);
int runAutoContrast(const FilterTarget& target);
// A clone of the Last Filter slot's filter; nothing when the slot is empty.
int runLastFilter(const FilterTarget& target);

}  // namespace varnel
