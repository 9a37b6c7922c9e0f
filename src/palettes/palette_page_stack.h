// VePalettePageStack: the pages of a palette window, one shown at a time, in the order they were
// added. Before it shows another page it asks (the window asks the shown page), which may refuse;
// afterwards it reports the change. When the focus was inside the page that goes, it moves to the
// new page's first control; with no page before, the stack itself takes it.
#pragma once

#include <QList>
#include <QWidget>
#include <functional>

namespace varnel {

class PalettePage;

class PalettePageStack : public QWidget {
    Q_OBJECT

public:
    explicit PalettePageStack(QWidget* parent = nullptr);
    ~PalettePageStack() override;

    // Adds a page (hidden until shown); returns its index.
    int addPage(PalettePage* page);
    const QList<PalettePage*>& pages() const { return pages_; }
    int count() const { return int(pages_.size()); }
    // The shown page's index, -1 when none.
    int currentIndex() const { return current_; }
    PalettePage* currentPage() const;

    // Asked with the index of the shown page and of the page asked for before the change; false
    // keeps the shown page.
    using ChangeGuard = std::function<bool(int from, int to)>;
    void setChangeGuard(ChangeGuard guard) { guard_ = std::move(guard); }

    // Shows the page at `index`. False when the index is bad or the change was refused; true
    // when the page is shown afterwards.
    bool showPage(int index);

signals:
    // After another page was shown.
    void pageChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<PalettePage*> pages_;
    int current_ = -1;
    ChangeGuard guard_;
};

}  // namespace varnel
