// InfoPage: the Info palette. While the pointer moves over the active document's canvas it shows
// the colour the view shows under it (R, G, B, read from the view's own rendered frame) and the
// image pixel there (X, Y, at any zoom), blank outside the image; W and H show the size the view
// last reported (a rectangle being dragged, or the selection's bounds), blank when there is none.
// A hidden page follows nothing; shown again, it shows what the next event brings.
#pragma once

#include <QSize>

#include "palettes/palette_page.h"
#include "view/ve_view.h"

class QLineEdit;

namespace varnel {

class PaletteDocument;

class InfoPage : public PalettePage {
    Q_OBJECT

public:
    enum Field { Red, Green, Blue, X, Y, Width, Height, FieldCount };

    explicit InfoPage(PaletteGroup* group, QWidget* parent = nullptr);
    ~InfoPage() override;

    // The page's operations: each shows its values, or empty fields with `blank`.
    void showColour(int red, int green, int blue, bool blank);
    void showPoint(int x, int y, bool blank);
    void showSize(int width, int height, bool blank);

    QString fieldText(Field field) const;
    QLineEdit* field(Field field) const { return fields_[field]; }
    // The view the page follows (null when hidden or without a document).
    VeView* followedView() const { return view_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void follow(VeView* view);
    void pointerAt(const QPoint& client);
    void showReportedSize();

    QLineEdit* fields_[FieldCount] = {};
    PaletteDocument* active_ = nullptr;
    // Cleared when the view goes (a raw pointer: events of a view being destroyed are compared
    // with it, and it must not be cast then).
    VeView* view_ = nullptr;
    QSize reported_{0, 0};
};

}  // namespace varnel
