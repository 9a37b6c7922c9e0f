#include "app/recent_files.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

#include "app/command_table.h"

namespace varnel {

RecentFiles::RecentFiles(AppSettings& settings, QMenu* menu) : settings_(settings), menu_(menu) {}

int RecentFiles::limit() const {
    return std::clamp(settings_.max_recent_files, 1, kMaxRecentFilesLimit);
}

int RecentFiles::indexOf(int commandId) const {
    int index = commandId - kCmdRecentFirst;
    if (index < 0 || index >= int(settings_.recent_files.size())) return -1;
    return index;
}

bool RecentFiles::addRecent(const std::string& path) {
    if (path.empty()) return false;
    auto& list = settings_.recent_files;
    auto it = std::find(list.begin(), list.end(), path);
    if (it != list.end()) list.erase(it);
    // A list read from a file may hold more than the limit; the rebuild below trims it too.
    while (!list.empty() && int(list.size()) >= limit()) list.pop_back();
    list.insert(list.begin(), path);
    rebuildRecentMenu();
    return true;
}

bool RecentFiles::removeRecent(int commandId) {
    int index = indexOf(commandId);
    if (index < 0) return false;
    settings_.recent_files.erase(settings_.recent_files.begin() + index);
    rebuildRecentMenu();
    return true;
}

bool RecentFiles::promoteRecent(int commandId) {
    int index = indexOf(commandId);
    if (index < 0) return false;
    auto& list = settings_.recent_files;
    std::string path = list[index];
    list.erase(list.begin() + index);
    list.insert(list.begin(), std::move(path));
    rebuildRecentMenu();
    return true;
}

bool RecentFiles::removeRecentPath(const std::string& path) {
    const auto& list = settings_.recent_files;
    auto it = std::find(list.begin(), list.end(), path);
    return it != list.end() && removeRecent(kCmdRecentFirst + int(it - list.begin()));
}

bool RecentFiles::promoteRecentPath(const std::string& path) {
    const auto& list = settings_.recent_files;
    auto it = std::find(list.begin(), list.end(), path);
    return it != list.end() && promoteRecent(kCmdRecentFirst + int(it - list.begin()));
}

void RecentFiles::clearRecent() {
    settings_.recent_files.clear();
    rebuildRecentMenu();
}

bool RecentFiles::pathOfRecent(int commandId, std::string& path) const {
    int index = indexOf(commandId);
    if (index < 0) return false;
    path = settings_.recent_files[index];
    return true;
}

bool RecentFiles::rebuildRecentMenu() {
    if (!menu_) return false;
    menu_->clear();
    auto& list = settings_.recent_files;
    if (list.empty()) {
        QAction* empty = menu_->addAction(QStringLiteral("(Empty)"));
        empty->setData(int(kCmdRecentFirst));
        empty->setEnabled(false);
        return true;
    }
    if (int(list.size()) > limit()) list.resize(limit());
    for (int i = 0; i < int(list.size()); ++i) {
        QAction* item = menu_->addAction(menuText(i, QString::fromStdString(list[i])));
        item->setData(kCmdRecentFirst + i);
        item->setStatusTip(QStringLiteral("Open this image"));
    }
    menu_->addSeparator();
    const CommandInfo* clear = findCommand(kCmdRecentClear);
    QAction* clearItem = menu_->addAction(QString::fromUtf8(clear->menuText));
    clearItem->setData(int(kCmdRecentClear));
    clearItem->setStatusTip(QString::fromUtf8(clear->prompt));
    return true;
}

QString RecentFiles::menuText(int index, const QString& path) {
    QString shown = shortenPath(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1  %2").arg(index + 1).arg(shown);
}

namespace {

// The first `n` characters of `text`, one fewer when the cut would split a surrogate pair.
QString leftChars(const QString& text, qsizetype n) {
    n = std::clamp<qsizetype>(n, 0, text.size());
    if (n > 0 && n < text.size() && text[n - 1].isHighSurrogate()) --n;
    return text.left(n);
}

}  // namespace

QString RecentFiles::shortenPath(const QString& path, int limit) {
    if (path.size() < limit) return path;
    const QString dots = QStringLiteral("...");
    qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    QChar separator = slash >= 0 ? path[slash] : QLatin1Char('\\');
    // The file name starts after the last separator or colon that has text after it.
    qsizetype start = 0;
    for (qsizetype i = path.size() - 2; i >= 0; --i) {
        QChar c = path[i];
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')) {
            start = i + 1;
            break;
        }
    }
    QString name = path.mid(start);
    const qsizetype budget = limit - 1;
    if (name.size() + 4 + 1 <= budget) {
        // At least one character of the path's start, then "...", the separator, the name.
        qsizetype head = budget - dots.size() - 1 - name.size();
        return leftChars(path, head) + dots + separator + name;
    }
    // The name alone is too long: a path without folders is simply cut; otherwise a short start
    // of the path and as much of the name as fits.
    if (start == 0) return leftChars(path, budget - dots.size()) + dots;
    QString front = leftChars(path, std::min<qsizetype>(start, budget / 10));
    qsizetype room = budget - front.size() - dots.size() - 1 - dots.size();
    return front + dots + separator + leftChars(name, room) + dots;
}

}  // namespace varnel
