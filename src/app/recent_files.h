// The recent files list and its "Recent Files" submenu.
#pragma once

#include <QString>
#include <string>

#include "app/app_settings.h"

class QMenu;

namespace varnel {

// Keeps the settings' recent files list (newest first, exact comparison, at most
// max_recent_files entries) and the submenu that shows it. Entry i of the submenu carries the
// command id kCmdRecentFirst + i; an empty list shows a greyed "(Empty)".
class RecentFiles {
public:
    // Display texts are shortened below this many characters.
    static constexpr int kDisplayLimit = 200;

    // `menu` may be null (then only the list is kept); neither is owned.
    RecentFiles(AppSettings& settings, QMenu* menu);

    void setMenu(QMenu* menu) { menu_ = menu; }
    QMenu* menu() const { return menu_; }

    // Moves `path` to the top (adding it when it is not listed), dropping the oldest entry when
    // the list is full. False for an empty path.
    bool addRecent(const std::string& path);
    // Removes the entry behind a submenu command; false when the id names no entry.
    bool removeRecent(int commandId);
    // Moves the entry behind a submenu command to the top; false when the id names no entry.
    bool promoteRecent(int commandId);
    // The same two by path, for callers that hold a path while the list may have moved.
    bool removeRecentPath(const std::string& path);
    bool promoteRecentPath(const std::string& path);
    // Empties the list.
    void clearRecent();
    // Drops entries beyond the limit and rebuilds the submenu. False when there is no submenu.
    bool rebuildRecentMenu();
    // The path behind a submenu command.
    bool pathOfRecent(int commandId, std::string& path) const;

    // The submenu text of entry `index` (0-based): "&%i  %s" with index + 1 and the shortened
    // path, every "&" of the path doubled so that it is shown rather than taken as a mnemonic.
    static QString menuText(int index, const QString& path);
    // `path` when it is shorter than `limit` characters; otherwise its start, "...", the
    // separator and the file name (itself cut and followed by "..." when it alone does not
    // fit), fewer than `limit` characters in all.
    static QString shortenPath(const QString& path, int limit = kDisplayLimit);

private:
    int indexOf(int commandId) const;
    int limit() const;

    AppSettings& settings_;
    QMenu* menu_;
};

}  // namespace varnel
