#include "history/history_action.h"

namespace varnel {

// Defined out of line so that the class has one home for its virtual table.
HistoryAction::~HistoryAction() = default;

}  // namespace varnel
