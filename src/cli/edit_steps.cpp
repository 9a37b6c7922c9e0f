#include "cli/edit_steps.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

#include "core/blend_modes.h"

namespace varnel {

const std::vector<StepInfo>& editSteps() {
    static const std::vector<StepInfo> steps = [] {
        std::vector<StepInfo> all;
        addLayerSteps(all);
        addSelectionSteps(all);
        addFilterSteps(all);
        addHistorySteps(all);
        addGeometrySteps(all);
        addViewSteps(all);
        return all;
    }();
    return steps;
}

EditSession::EditSession(std::unique_ptr<Document> opened)
    : document(std::move(opened)),
      selection(std::make_unique<Selection>(document ? document->size() : Size{})),
      history(std::make_unique<History>(kHistoryStates)) {}

bool perform(EditSession& session, std::unique_ptr<HistoryAction> action, std::string& failure,
             const char* why) {
    if (session.history->perform(std::move(action))) return true;
    failure = why;
    return false;
}

void addHistorySteps(std::vector<StepInfo>& steps) {
    steps.push_back({"--undo", "", "undoes the last recorded step",
                     [](const std::string&, std::string&) -> StepAction {
                         return [](EditSession& session, std::string& failure) {
                             if (!session.history->canUndo()) {
                                 failure = "there is nothing to undo";
                                 return false;
                             }
                             session.history->undo();
                             return true;
                         };
                     }});
    steps.push_back({"--redo", "", "redoes the last undone step",
                     [](const std::string&, std::string&) -> StepAction {
                         return [](EditSession& session, std::string& failure) {
                             if (!session.history->canRedo()) {
                                 failure = "there is nothing to redo";
                                 return false;
                             }
                             session.history->redo();
                             return true;
                         };
                     }});
    steps.push_back({"--history-limit", "N",
                     "keeps at most N recorded steps (1..100; 20 at the start), dropping the "
                     "oldest",
                     [](const std::string& text, std::string& error) -> StepAction {
                         int64_t n = 0;
                         if (!parseInteger(text, 1, 100, n, error)) return {};
                         return [n](EditSession& session, std::string&) {
                             session.history->setLimit(int(n));
                             return true;
                         };
                     }});
}

const StepInfo* findStep(const std::string& name) {
    for (const StepInfo& s : editSteps()) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value,
                  std::string& error) {
    int64_t v = 0;
    const char* end = text.data() + text.size();
    const char* start = text.data();
    if (start != end && *start == '+') ++start;
    const auto [ptr, ec] = std::from_chars(start, end, v);
    if (text.empty() || ec != std::errc() || ptr != end) {
        error = "\"" + text + "\" is not a whole number";
        return false;
    }
    if (v < low || v > high) {
        error =
            std::to_string(v) + " is outside " + std::to_string(low) + ".." + std::to_string(high);
        return false;
    }
    value = v;
    return true;
}

namespace {

std::string squeezed(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '-' || c == '_') continue;
        out.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    }
    return out;
}

}  // namespace

bool parseBlendMode(const std::string& text, int32_t& mode, std::string& error) {
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
        int64_t id = 0;
        if (!parseInteger(text, 0, kBlendModeCount - 1, id, error)) return false;
        mode = int32_t(id);
        return true;
    }
    const std::string wanted = squeezed(text);
    for (int id = 0; id < kBlendModeCount; ++id) {
        if (squeezed(std::string(blendModeName(id))) == wanted) {
            mode = id;
            return true;
        }
    }
    error = "\"" + text + "\" is not a blend mode";
    return false;
}

bool parseOpacity(const std::string& text, int32_t& percent, std::string& error) {
    int64_t v = 0;
    if (!parseInteger(text, 0, 100, v, error)) return false;
    percent = int32_t(v);
    return true;
}

bool parseIntegerList(const std::string& text, size_t count, int64_t low, int64_t high,
                      std::vector<int64_t>& values, std::string& error) {
    std::vector<int64_t> out;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        int64_t v = 0;
        if (!parseInteger(text.substr(start, comma - start), low, high, v, error)) return false;
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (out.size() != count) {
        error = "\"" + text + "\" needs " + std::to_string(count) + " numbers separated by commas";
        return false;
    }
    values = std::move(out);
    return true;
}

bool parseDecimal(const std::string& text, double low, double high, double& value,
                  std::string& error) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || !(v == v)) {
        error = "\"" + text + "\" is not a number";
        return false;
    }
    if (v < low || v > high) {
        std::ostringstream range;
        range << text << " is outside " << low << ".." << high;
        error = range.str();
        return false;
    }
    value = v;
    return true;
}

std::vector<std::string> splitColons(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return parts;
}

}  // namespace varnel
