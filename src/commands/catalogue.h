// The catalogue of document commands: one record per command that changes a document through
// its history. The editor's document windows and `varnel-cli edit` both build their actions from
// these records, so a command behaves alike in both and is added in one place.
//
// A record knows its parameter record (type-erased in CommandParams), the text form of it that
// the command line uses (parse and format), when the command can run (isEnabled) and how to build
// its history action (makeAction). What a command needs of the running program besides the
// document and the selection (the Foreground and Background colours, the Grow/Similar tolerance,
// the filter Last Filter repeats) comes in a CommandContext.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_ids.h"
#include "core/color.h"
#include "document/document.h"
#include "document/selection.h"
#include "history/history_action.h"

namespace varnel {

class AreaFilter;

// What a command reads of the running program, filled by whoever runs it (the window from the
// settings, the command line from its session).
struct CommandContext {
    // The colours Fill, Clear and Canvas Size call Foreground and Background.
    ColorRef foreground = 0x000000;
    ColorRef background = 0xFFFFFF;
    // The pixel similarity tolerance of Grow and Similar, 0..255.
    int32_t tolerance = 0;
    // The filter Last Filter applies again (a clone is made); null when none has run yet.
    const AreaFilter* lastFilter = nullptr;
    // The layers chosen in the Layers palette (stack indices, bottom first), which Merge Layers
    // merges; empty: the active layer alone.
    std::vector<int> selectedLayers;
};

// A command's parameter record: the record type the command names (e.g. GaussianBlurParams),
// or NoParams for commands that take none.
using CommandParams = std::any;
struct NoParams {};

// What makeAction hands back: the action to perform, or none, with `failure` saying why it could
// not be made (empty when the command has nothing to change, which is no failure).
struct MadeAction {
    std::unique_ptr<HistoryAction> action;
    std::string failure;
};

// How the editor starts a command: the id of its menu item or accelerator, and the parameter
// text it runs with. Without a preset the parameters come from the command's dialog.
struct EditorEntry {
    int id;
    std::optional<std::string> preset;
};

struct DocumentCommand {
    int id = 0;
    // The name the command records in the history, e.g. "Gaussian Blur"; for commands whose name
    // depends on the parameters (Flip Canvas, Grow/Similar), the name with the default ones.
    std::string name;

    // The command-line option ("--gaussian-blur"; empty: the command has none), the shape of its
    // parameter text for the help ("RADIUS"; empty: the command line gives none, and the command
    // runs with the record that parse makes of empty text) and one line of help.
    std::string option;
    std::string syntax;
    std::string help;

    // The editor's menu items and accelerators that run this command (empty: none yet).
    std::vector<EditorEntry> entries;

    // The text form. parse fills `params` only on success; on failure `error` says why.
    // format writes text that parse reads back into the same record.
    std::function<bool(std::string_view text, CommandParams& params, std::string& error)> parse;
    std::function<std::string(const CommandParams& params)> format;

    // Whether the command can run now (the editor greys its menu item otherwise).
    std::function<bool(const Document&, const Selection&, const CommandContext&)> isEnabled;
    // Builds the action for the document and its selection (the action keeps both pointers).
    std::function<MadeAction(Document&, Selection&, const CommandParams&, const CommandContext&)>
        makeAction;
    // What it means when the history refuses the action (its first execution failed).
    std::string refused;

    // The parameters of `text`, or nullopt (saying why in `error` when given).
    std::optional<CommandParams> parsed(std::string_view text, std::string* error = nullptr) const;
    // The editor entry of `entryId`, or null when it is not one of this command's.
    const EditorEntry* entry(int entryId) const;
};

// Every document command, in the order the command line's help lists them.
std::span<const DocumentCommand> documentCommands();
// The command an editor id (a menu item, an accelerator) or a record id runs; null for ids that
// are not document commands.
const DocumentCommand* findDocumentCommand(int id);
// The command of a command-line option ("--invert"); null when no command has it.
const DocumentCommand* findCommandOption(std::string_view option);

// Groups of records, each in its own file.
void addLayerCommands(std::vector<DocumentCommand>& out);
void addSelectionCommands(std::vector<DocumentCommand>& out);
void addFilterCommands(std::vector<DocumentCommand>& out);
void addGeometryCommands(std::vector<DocumentCommand>& out);

// A record with its names, command-line step and refusal text, enabled always; the group files
// add its editor entries, its parameter functions and any narrower enabling.
DocumentCommand makeCommand(int id, const char* name, const char* option, const char* syntax,
                            const char* help, const char* refused);

// Builds a record's type-erased functions from functions of its own parameter record `P`.
template <typename P>
struct TypedCommand {
    std::function<bool(std::string_view, P&, std::string&)> parse;
    std::function<std::string(const P&)> format;
    std::function<MadeAction(Document&, Selection&, const P&, const CommandContext&)> make;
};

template <typename P>
void setTyped(DocumentCommand& command, TypedCommand<P> typed) {
    command.parse = [parse = std::move(typed.parse)](std::string_view text, CommandParams& params,
                                                     std::string& error) {
        P p{};
        if (!parse(text, p, error)) return false;
        params = std::move(p);
        return true;
    };
    command.format = [format = std::move(typed.format)](const CommandParams& params) {
        const P* p = std::any_cast<P>(&params);
        return p ? format(*p) : std::string();
    };
    command.makeAction = [make = std::move(typed.make)](Document& document, Selection& selection,
                                                        const CommandParams& params,
                                                        const CommandContext& context) {
        const P* p = std::any_cast<P>(&params);
        if (!p) return MadeAction{nullptr, "the command was given parameters of another kind"};
        return make(document, selection, *p, context);
    };
}

// The record of a command that takes no parameters: its text form is empty.
using MakeWithoutParams = std::function<MadeAction(Document&, Selection&, const CommandContext&)>;
void setWithoutParams(DocumentCommand& command, MakeWithoutParams make);

// The action `make` builds, or a failure when building it throws (short of memory).
template <typename Make>
MadeAction guarded(Make make) {
    try {
        return MadeAction{make(), {}};
    } catch (...) {
        return MadeAction{nullptr, "not enough memory for the command"};
    }
}

}  // namespace varnel
