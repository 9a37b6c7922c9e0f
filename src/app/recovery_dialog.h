// The dialog that offers, at start, the documents an editor left behind when it did not close
// properly: each with its name, file, time and thumbnail, all ticked.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/recovery.h"

class QListWidget;

namespace varnel {

class ImageDocuments;
class MainWindow;

class RecoveryDialog : public QDialog {
    Q_OBJECT
public:
    // What the user chose: Recover the ticked copies, Discard them all, or Later (Close).
    enum class Action { Recover, Discard, Later };

    RecoveryDialog(const std::vector<RecoveredCopy>& copies, QWidget* parent = nullptr);

    Action action() const { return action_; }
    // Indices into the copies of the ticked entries.
    std::vector<size_t> chosen() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
    Action action_ = Action::Later;
};

// At start: offers the copies in `folder` whose editor is gone. The ticked ones open in windows
// of `window` as the documents they were (modified, original name and path) and their copies are
// removed (the journal keeps new ones); Discard removes every copy; Later keeps them for the next
// start. `ask` runs the dialog (exec() unless a test answers). Returns how many documents opened.
int offerRecovery(MainWindow& window, ImageDocuments& documents, const std::string& folder,
                  const std::function<void(RecoveryDialog&)>& ask = {});

}  // namespace varnel
