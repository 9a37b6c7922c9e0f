#include "palettes/info_page.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include "palettes/info_reading.h"
#include "palettes/palette_document.h"
#include "palettes/palette_group.h"
#include "view/ve_view.h"

namespace varnel {

namespace {

// The label shown, and the name a screen reader reads, of each field.
struct FieldText {
    const char* label;
    const char* name;
};
constexpr FieldText kFields[InfoPage::FieldCount] = {
    {"R :", "Red"}, {"G :", "Green"}, {"B :", "Blue"},   {"X :", "X"},
    {"Y :", "Y"},   {"W :", "Width"}, {"H :", "Height"},
};

}  // namespace

InfoPage::InfoPage(PaletteGroup* group, QWidget* parent)
    : PalettePage(group, QStringLiteral("Info"), parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 6, 12, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    for (int i = 0; i < FieldCount; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kFields[i].label), this);
        auto* value = new QLineEdit(this);
        value->setObjectName(QString::fromLatin1(kFields[i].name));
        value->setAccessibleName(QString::fromLatin1(kFields[i].name));
        value->setReadOnly(true);
        value->setFrame(false);
        // Read-only values: they can be reached and copied, but they sit on the page's face.
        value->setFocusPolicy(Qt::TabFocus);
        QPalette pal = value->palette();
        pal.setColor(QPalette::Base, Qt::transparent);
        value->setPalette(pal);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-000000")));
        label->setBuddy(value);
        fields_[i] = value;
        // R, G and B down the first column; X and Y under a line, W and H beside them.
        int row = i, column = 0;
        if (i == X || i == Y) row = 4 + (i - X);
        if (i == Width || i == Height) row = 4 + (i - Width), column = 2;
        grid->addWidget(label, row, column);
        grid->addWidget(value, row, column + 1);
    }
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("separator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(6, 1);

    connect(group, &PaletteGroup::activeDocumentChanged, this, [this](PaletteDocument* document) {
        active_ = document;
        if (isVisible()) follow(document ? document->view() : nullptr);
    });
    active_ = group->activeDocument();
}

InfoPage::~InfoPage() {
    if (view_) view_->removeEventFilter(this);
}

void InfoPage::showColour(int red, int green, int blue, bool blank) {
    fields_[Red]->setText(blank ? QString() : QString::number(unsigned(red)));
    fields_[Green]->setText(blank ? QString() : QString::number(unsigned(green)));
    fields_[Blue]->setText(blank ? QString() : QString::number(unsigned(blue)));
}

void InfoPage::showPoint(int x, int y, bool blank) {
    fields_[X]->setText(blank ? QString() : QString::number(x));
    fields_[Y]->setText(blank ? QString() : QString::number(y));
}

void InfoPage::showSize(int width, int height, bool blank) {
    fields_[Width]->setText(blank ? QString() : QString::number(width));
    fields_[Height]->setText(blank ? QString() : QString::number(height));
}

QString InfoPage::fieldText(Field field) const {
    return fields_[field]->text();
}

void InfoPage::showEvent(QShowEvent* event) {
    PalettePage::showEvent(event);
    follow(active_ ? active_->view() : nullptr);
}

void InfoPage::hideEvent(QHideEvent* event) {
    PalettePage::hideEvent(event);
    follow(nullptr);
}

void InfoPage::follow(VeView* view) {
    if (view == view_) return;
    if (view_) {
        view_->removeEventFilter(this);
        view_->disconnect(this);
    }
    view_ = view;
    showColour(0, 0, 0, true);
    showPoint(0, 0, true);
    reported_ = QSize(0, 0);
    if (!view) {
        showSize(0, 0, true);
        return;
    }
    // The pointer is followed over the view without a button held too.
    view->setMouseTracking(true);
    view->installEventFilter(this);
    // The marquee's drag and the selection's bounds, as the view reports them (repeated when
    // the view takes the focus).
    reported_ = view->reportedSize();
    connect(view, &VeView::sizeReported, this, [this](QSize size) {
        reported_ = size;
        showReportedSize();
    });
    connect(view, &QObject::destroyed, this, [this] {
        view_ = nullptr;
        showColour(0, 0, 0, true);
        showPoint(0, 0, true);
        showSize(0, 0, true);
    });
    showReportedSize();
}

void InfoPage::showReportedSize() {
    showSize(reported_.width(), reported_.height(),
             reported_.width() <= 0 || reported_.height() <= 0);
}

void InfoPage::pointerAt(const QPoint& client) {
    if (!view_) return;
    const InfoReading r = readInfo(view_->scroller(), view_->frameBuffer(),
                                   {client.x(), client.y()}, view_->frameScale());
    showColour(r.red, r.green, r.blue, !r.inImage);
    showPoint(r.point.x, r.point.y, !r.inImage);
    showReportedSize();
}

bool InfoPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        switch (event->type()) {
            case QEvent::MouseMove:
                pointerAt(static_cast<QMouseEvent*>(event)->position().toPoint());
                break;
            case QEvent::Leave:
                showColour(0, 0, 0, true);
                showPoint(0, 0, true);
                break;
            default:
                break;
        }
    }
    return PalettePage::eventFilter(watched, event);
}

}  // namespace varnel
