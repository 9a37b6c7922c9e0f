// PaletteWindow: a floating window holding palette pages under a tab strip. Its caption, and what
// screen readers call the window, is the shown page's title. It is never smaller than 220 × 170.
#pragma once

#include <QList>
#include <QStringList>

#include "palettes/floating_window.h"

namespace varnel {

class PalettePage;
class PalettePageStack;
class PaletteTab;

class PaletteWindow : public FloatingWindow {
    Q_OBJECT

public:
    PaletteWindow(PaletteGroup* group, const QString& key);

    // Adds a page with its tab; the first page added is shown. Returns the page's index.
    int addPage(PalettePage* page);
    // The pages in the order they were added, and in the order of their tabs.
    const QList<PalettePage*>& pages() const;
    const QList<PalettePage*>& pagesInTabOrder() const;
    // Puts the tabs in the order of the titles (unknown titles are ignored).
    void setTabOrder(const QStringList& titles);

    PalettePage* shownPage() const;
    // Shows a page of this window unless the shown page refuses to be left; true when it is
    // shown afterwards.
    bool showPage(PalettePage* page);

    PaletteTab* tabStrip() const { return tabs_; }
    PalettePageStack* pageStack() const { return stack_; }

private:
    PaletteTab* tabs_ = nullptr;
    PalettePageStack* stack_ = nullptr;
};

}  // namespace varnel
