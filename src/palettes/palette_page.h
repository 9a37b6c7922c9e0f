// PalettePage: one page of a palette window (Info, Layers, ...). Each kind exists once; its
// window's tab strip shows it by its title. A page that is not shown (another tab is, or its
// window is hidden) follows nothing: it catches up when it is shown again.
#pragma once

#include <QString>
#include <QWidget>

namespace varnel {

class PaletteGroup;

class PalettePage : public QWidget {
    Q_OBJECT

public:
    // `title` is the tab's text and, while the page is shown, its window's title.
    PalettePage(PaletteGroup* group, const QString& title, QWidget* parent = nullptr);

    QString title() const { return title_; }
    PaletteGroup* group() const { return group_; }

    // Asked before another page of the window is shown instead: false keeps this one.
    virtual bool canLeave() { return true; }

private:
    PaletteGroup* group_;
    QString title_;
};

}  // namespace varnel
