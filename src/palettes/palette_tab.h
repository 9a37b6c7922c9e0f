// VePaletteTab: the tab strip along the top of a palette window, one tab per page. A press on a
// tab shows its page; dragging a tab across another trades their places (the order of the tabs
// changes, not the pages). From the keyboard: Left and Right show the previous or next page,
// Ctrl+Left and Ctrl+Right move the shown tab. Screen readers see a page tab list.
#pragma once

#include <QList>
#include <QWidget>
#include <vector>

namespace varnel {

class PalettePage;

class PaletteTab : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 16;
    // A tab is its title's width in the tab font plus this.
    static constexpr int kTabPadding = 13;
    // The width of a tab whose title cannot be measured.
    static constexpr int kFallbackWidth = 60;

    explicit PaletteTab(QWidget* parent = nullptr);
    ~PaletteTab() override;

    void addTab(PalettePage* page);
    int count() const { return int(tabs_.size()); }
    // The pages in display order.
    const QList<PalettePage*>& tabs() const { return tabs_; }
    int indexOf(const PalettePage* page) const;
    // Puts the tabs in the order of `pages` (pages not in the strip are ignored; tabs not named
    // keep their relative order after the named ones).
    void setOrder(const QList<PalettePage*>& pages);

    // The tab drawn as the shown one.
    PalettePage* current() const { return current_; }
    void setCurrent(PalettePage* page);

    // Each tab's rectangle, in display order.
    QRect tabRect(int index) const;
    std::vector<int32_t> tabWidths() const;
    QFont tabFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user asks for the page of a tab (the window decides whether it is shown).
    void pageRequested(PalettePage* page);
    // The tabs changed places.
    void orderChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class PaletteTabAccessible;
    void swapTabs(int a, int b);
    void announce(int index, int event);

    QList<PalettePage*> tabs_;
    PalettePage* current_ = nullptr;
    int pressed_ = -1;
};

}  // namespace varnel
