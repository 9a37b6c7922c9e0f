#include "commands/catalogue.h"

namespace varnel {

const EditorEntry* DocumentCommand::entry(int entryId) const {
    for (const EditorEntry& e : entries) {
        if (e.id == entryId) return &e;
    }
    return nullptr;
}

std::optional<CommandParams> DocumentCommand::parsed(std::string_view text,
                                                     std::string* error) const {
    CommandParams params;
    std::string why;
    if (parse && parse(text, params, why)) return params;
    if (error) *error = why;
    return std::nullopt;
}

DocumentCommand makeCommand(int id, const char* name, const char* option, const char* syntax,
                            const char* help, const char* refused) {
    DocumentCommand c;
    c.id = id;
    c.name = name;
    c.option = option;
    c.syntax = syntax;
    c.help = help;
    c.refused = refused;
    c.isEnabled = [](const Document&, const Selection&, const CommandContext&) { return true; };
    return c;
}

void setWithoutParams(DocumentCommand& command, MakeWithoutParams make) {
    setTyped<NoParams>(command,
                       {[](std::string_view text, NoParams&, std::string& error) {
                            if (text.empty()) return true;
                            error = "takes no parameter";
                            return false;
                        },
                        [](const NoParams&) { return std::string(); },
                        [make = std::move(make)](Document& document, Selection& selection,
                                                 const NoParams&, const CommandContext& context) {
                            return make(document, selection, context);
                        }});
}

std::span<const DocumentCommand> documentCommands() {
    static const std::vector<DocumentCommand> all = [] {
        std::vector<DocumentCommand> out;
        addLayerCommands(out);
        addSelectionCommands(out);
        addFilterCommands(out);
        addGeometryCommands(out);
        return out;
    }();
    return all;
}

const DocumentCommand* findDocumentCommand(int id) {
    for (const DocumentCommand& c : documentCommands()) {
        if (c.id == id || c.entry(id)) return &c;
    }
    return nullptr;
}

const DocumentCommand* findCommandOption(std::string_view option) {
    if (option.empty()) return nullptr;
    for (const DocumentCommand& c : documentCommands()) {
        if (c.option == option) return &c;
    }
    return nullptr;
}

}  // namespace varnel
