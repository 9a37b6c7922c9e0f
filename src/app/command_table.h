// The editor's commands: identifiers, menu texts, accelerators, status-bar prompts and tooltips,
// and the layout of the main menu. Plain data, so that the menus the window builds and the rules
// that decide which items appear can be checked without a window.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "commands/command_ids.h"

namespace varnel {

// Who carries a command out: the main frame itself, or the active document window (the frame
// forwards it; with no document window open it does nothing).
enum class CommandHandler { Frame, Document };

struct CommandInfo {
    int id;
    // Menu text with its "&" mnemonic; empty for commands that have no menu item.
    const char* menuText;
    // Accelerators in Qt's portable key-sequence text, separated by "; "; empty for none.
    const char* shortcuts;
    // Shown in the status bar while the item is highlighted.
    const char* prompt;
    // Tooltip of the toolbar button.
    const char* tooltip;
    CommandHandler handler;
    // Whether the item shows a check mark (toggles).
    bool checkable = false;
};

// Every command, in the order of the menus.
std::span<const CommandInfo> commandTable();
// The entry of `id`, or null.
const CommandInfo* findCommand(int id);

// One item of a menu in the main menu layout.
struct MenuItem {
    enum class Kind {
        Command,      // the command `id`
        Separator,    // kept only between two shown items
        Submenu,      // `title` with `items`; dropped when none of its items is shown
        RecentFiles,  // the "Recent Files" submenu, filled from the recent files list
    };
    Kind kind = Kind::Command;
    int id = 0;
    std::string title;
    std::vector<MenuItem> items;
};

// The menu bar: one Submenu item per menu, left to right.
const std::vector<MenuItem>& mainMenuLayout();

// The layout reduced to what is shown when only the commands for which `shown` is true may
// appear: unshown commands are removed, then empty submenus, then separators at the start or
// end of a menu and every separator that follows another one. The Recent Files submenu is always
// kept.
std::vector<MenuItem> visibleMenuLayout(const std::vector<MenuItem>& layout,
                                        const std::function<bool(int)>& shown);

// The menu text shown to the user: `text` without its mnemonic marks ("&&" stays one "&").
std::string stripMnemonic(const std::string& text);

}  // namespace varnel
