// Recovery of unsaved work after a crash. While a document has unsaved changes, the journal
// keeps a copy of it in the user's state folder: a layered file (.ora) and a small record of its
// name, path and format. The GUI thread only copies the layers (a snapshot); encoding and writing
// happen on the journal's own thread, at a fast compression level, at most once a minute per
// document. Saving or closing the document removes its copy.
//
// Each running editor holds a lock file in the folder; copies whose editor no longer holds its
// lock (it crashed, or was killed) are offered at the next start.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "formats/openraster.h"

namespace varnel {

class Document;

// $XDG_STATE_HOME/Varnel/recovery, or ~/.local/state/Varnel/recovery when XDG_STATE_HOME is not
// an absolute path; empty when neither can be known.
std::string recoveryFolder();

// One document left behind by an editor that did not close properly.
struct RecoveredCopy {
    std::string archivePath;  // the .ora copy
    std::string recordPath;
    std::string name;  // what the window was titled
    std::string path;  // the document's own file; empty for a document never saved
    int formatType = -1;
    int64_t savedAt = 0;  // seconds since the epoch, when the copy was written
};

// The copies in `folder` whose editor is no longer running, newest first.
std::vector<RecoveredCopy> orphanedCopies(const std::string& folder);
// Opens a copy as the document it was: its original name and path, modified, so that Save
// writes where the user expects. The copy stays on disk until removeCopy.
bool restoreCopy(const RecoveredCopy& copy, std::unique_ptr<Document>& document,
                 std::string* reason = nullptr);
void removeCopy(const RecoveredCopy& copy);

class RecoveryJournal : public QObject {
    Q_OBJECT
public:
    // Keeps copies in `folder` (made when missing), writing a document's copy at most once every
    // `interval`. Without a usable folder the journal does nothing.
    explicit RecoveryJournal(std::string folder,
                             std::chrono::milliseconds interval = std::chrono::seconds(60));
    // Finishes the write under way, then stops; copies on disk stay (their documents are still
    // unsaved).
    ~RecoveryJournal() override;

    bool isActive() const { return lockFd_ >= 0; }
    const std::string& folder() const { return folder_; }

    // The document changed: its copy is due once the interval since the last one has passed.
    void changed(Document* document);
    // The document was saved or is going away: its copy is removed (and a write of it under way
    // is dropped).
    void discard(const Document* document);
    // Blocks until every copy that is due or being written is on disk (for tests and exit).
    void flush();
    // How long the GUI thread spent copying layers in the last snapshot.
    std::chrono::microseconds lastSnapshotTime() const { return lastSnapshot_; }

private:
    struct Entry {
        int id = 0;
        bool dirty = false;
        bool busy = false;  // a snapshot of it is queued or being written
        std::chrono::steady_clock::time_point lastWrite{};
        bool written = false;
        // Kept from one copy to the next, so that its storage is reused (see LayeredSnapshot).
        std::shared_ptr<LayeredSnapshot> snapshot;
    };
    struct Job {
        int id;
        std::shared_ptr<LayeredSnapshot> snapshot;
        std::string record;
        // Not empty: only provide the snapshot's storage for planes of these shapes.
        std::vector<LayeredSnapshot::PlaneShape> prepare;
    };

    void tick();
    void work();
    std::string baseOf(int id) const;

    std::string folder_;
    std::chrono::milliseconds interval_;
    std::string owner_;  // "<pid>-<start time>": names this editor's lock and copies
    int lockFd_ = -1;
    int nextId_ = 1;
    std::map<const Document*, Entry> entries_;
    QTimer timer_;
    std::chrono::microseconds lastSnapshot_{0};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    std::map<int, bool> discarded_;  // ids whose copy must not be written any more
    std::vector<int> finished_;      // ids written since the last tick
    bool working_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace varnel
