#include "tools/options_bar.h"

#include <QAccessible>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <climits>

#include "commands/command_ids.h"
#include "widgets/color_swatch_button.h"
#include "widgets/number_field.h"
#include "widgets/popup_slider_field.h"

namespace varnel {

int viewCommandOfButton(int buttonId) {
    switch (buttonId) {
        case kOptFitOnScreen:
            return kCmdFitOnScreen;
        case kOptFitInWindow:
            return kCmdFitInWindow;
        case kOptPrintSize:
            return kCmdPrintSize;
        case kOptActualPixels:
            return kCmdActualPixels;
        default:
            return 0;
    }
}

namespace {

// The 16 × 16 pictures of the pages' small buttons.
QIcon buttonIcon(int id) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QPen pen(Qt::black, 1);
    p.setPen(pen);
    const QRectF a(1.5, 1.5, 9, 9), b(5.5, 5.5, 9, 9);
    switch (id) {
        case kOptSelectionNew:
            p.setBrush(Qt::darkGray);
            p.drawRect(QRectF(2.5, 2.5, 11, 11));
            break;
        case kOptSelectionAdd:
        case kOptSelectionSubtract:
        case kOptSelectionIntersect: {
            QPainterPath pa, pb;
            pa.addRect(a);
            pb.addRect(b);
            QPainterPath filled = id == kOptSelectionAdd        ? pa.united(pb)
                                  : id == kOptSelectionSubtract ? pa.subtracted(pb)
                                                                : pa.intersected(pb);
            p.setBrush(Qt::NoBrush);
            p.drawRect(a);
            p.drawRect(b);
            p.fillPath(filled, Qt::darkGray);
            break;
        }
        case kOptSwapSize:
            p.setRenderHint(QPainter::Antialiasing);
            p.drawLine(QPointF(3, 5), QPointF(13, 5));
            p.drawLine(QPointF(10, 2), QPointF(13, 5));
            p.drawLine(QPointF(3, 11), QPointF(13, 11));
            p.drawLine(QPointF(3, 11), QPointF(6, 14));
            break;
        case kOptFitOnScreen:  // a monitor filled by the picture
            p.drawRect(QRectF(0.5, 1.5, 15, 10));
            p.fillRect(QRectF(2, 3, 13, 8), Qt::darkGray);
            p.drawLine(QPointF(5, 14.5), QPointF(11, 14.5));
            break;
        case kOptFitInWindow:  // arrows to the window's corners
            p.drawRect(QRectF(0.5, 0.5, 15, 15));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case kOptPrintSize:  // a page
            p.setBrush(Qt::white);
            p.drawPolygon(
                QPolygonF({{3.5, 0.5}, {10.5, 0.5}, {13.5, 3.5}, {13.5, 15.5}, {3.5, 15.5}}));
            p.drawLine(QPointF(6, 7.5), QPointF(11, 7.5));
            p.drawLine(QPointF(6, 10.5), QPointF(11, 10.5));
            break;
        case kOptActualPixels: {
            QFont f = p.font();
            f.setPixelSize(9);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("1:1"));
            break;
        }
        case kOptZoomIn:
        case kOptZoomOut:
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
            p.drawLine(QPointF(4, 6), QPointF(8, 6));
            if (id == kOptZoomIn) p.drawLine(QPointF(6, 4), QPointF(6, 8));
            p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
            break;
        default:
            break;
    }
    return QIcon(pixmap);
}

QToolBar* smallBar(const QString& name, QWidget* parent) {
    auto* bar = new QToolBar(name, parent);
    bar->setAccessibleName(name);
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setStyleSheet(QStringLiteral("QToolBar { border: 0; padding: 0; spacing: 0; }"));
    return bar;
}

QAction* addButton(QToolBar* bar, int id, const char* name) {
    QAction* a = bar->addAction(buttonIcon(id), QString::fromUtf8(name));
    a->setData(id);
    a->setToolTip(QString::fromUtf8(name));
    if (QWidget* w = bar->widgetForAction(a)) {
        w->setAccessibleName(QString::fromUtf8(name));
        w->setFocusPolicy(Qt::TabFocus);
    }
    return a;
}

QFrame* separatorLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* label(const char* text, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setBuddy(buddy);
    return l;
}

}  // namespace

// ---- VeHotToolCtrl ----------------------------------------------------------------------------

VeHotToolCtrl::VeHotToolCtrl(QWidget* parent) : QWidget(parent) {
    setFixedWidth(44);
    setAccessibleName(QStringLiteral("Current tool"));
}

void VeHotToolCtrl::setTool(const ToolButtonRecord* record, int variant) {
    if (record == record_ && variant == variant_) return;
    if (record != record_) bitmap_ = record ? toolButtonBitmap(*record) : QPixmap();
    record_ = record;
    variant_ = variant;
    const QString name = record ? record->variantName(variant) : QString();
    setAccessibleDescription(name);
    setToolTip(name);
    if (QAccessible::isActive()) {
        QAccessibleEvent e(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&e);
    }
    update();
}

void VeHotToolCtrl::paintEvent(QPaintEvent*) {
    if (!record_ || bitmap_.isNull()) return;
    QPainter p(this);
    const QRect source(variant_ * kToolIconSide, 0, kToolIconSide, kToolIconSide);
    const QRect target((width() - 2 * kToolIconSide) / 2, (height() - 2 * kToolIconSide) / 2,
                       2 * kToolIconSide, 2 * kToolIconSide);
    p.drawPixmap(target, bitmap_, source);
}

// ---- Pages ------------------------------------------------------------------------------------

VeOptionPage::VeOptionPage(int key, QWidget* parent) : QWidget(parent), key_(key) {}

OptionModeBar::OptionModeBar(const QString& name, std::initializer_list<Button> buttons,
                             QWidget* parent)
    : QToolBar(name, parent), group_(new QActionGroup(this)) {
    setAccessibleName(name);
    setIconSize(QSize(16, 16));
    setMovable(false);
    setFloatable(false);
    setStyleSheet(QStringLiteral("QToolBar { border: 0; padding: 0; spacing: 0; }"));
    group_->setExclusive(true);
    for (const Button& b : buttons) {
        QAction* a = addButton(this, b.id, b.name);
        a->setCheckable(true);
        group_->addAction(a);
    }
    setCheckedIndex(0);
}

int OptionModeBar::checkedIndex() const {
    return static_cast<int>(group_->actions().indexOf(group_->checkedAction()));
}

void OptionModeBar::setCheckedIndex(int index) {
    const QList<QAction*> actions = group_->actions();
    if (index >= 0 && index < actions.size()) actions[index]->setChecked(true);
}

QAction* OptionModeBar::button(int id) const {
    for (QAction* a : group_->actions())
        if (a->data().toInt() == id) return a;
    return nullptr;
}

// The pages' mnemonics keep clear of the menu bar's letters (F, E, I, L, A, S, V, W, H): a shown
// page's Alt key would otherwise take the keyboard's way into that menu.
SelectionOptionsPage::SelectionOptionsPage(int key, Kind kind, QWidget* parent)
    : VeOptionPage(key, parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 2, 4, 2);
    row->setSpacing(6);
    if (kind != Kind::Crop) {
        modes_ = new OptionModeBar(QStringLiteral("Selection mode"),
                                   {{kOptSelectionNew, "New selection"},
                                    {kOptSelectionAdd, "Add to selection"},
                                    {kOptSelectionSubtract, "Subtract from selection"},
                                    {kOptSelectionIntersect, "Intersect with selection"}},
                                   this);
        row->addWidget(modes_);
        row->addWidget(separatorLine(this));
        feather_ = new NumericField(this);
        feather_->setRange(0, 200);
        feather_->setMaxLength(3);
        feather_->setValue(0);
        feather_->setAccessibleName(QStringLiteral("Feather"));
        feather_->setFixedWidth(feather_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) +
                                12);
        row->addWidget(label("Feathe&r:", feather_, this));
        row->addWidget(feather_);
        row->addWidget(new QLabel(QStringLiteral("px"), this));
        antiAlias_ = new QCheckBox(QStringLiteral("A&nti-alias"), this);
        // Only the ellipse and the lassos have edges to smooth.
        const bool smooth = kind == Kind::Lasso || key == 1;
        antiAlias_->setChecked(smooth);
        antiAlias_->setEnabled(smooth);
        row->addWidget(antiAlias_);
    }
    if (kind == Kind::Marquee) {
        row->addWidget(separatorLine(this));
        style_ = new QComboBox(this);
        style_->addItems({QStringLiteral("Normal"), QStringLiteral("Fixed Aspect Ratio"),
                          QStringLiteral("Fixed Size")});
        style_->setCurrentIndex(StyleNormal);
        style_->setAccessibleName(QStringLiteral("Style"));
        row->addWidget(label("St&yle:", style_, this));
        row->addWidget(style_);
        addSizeFields(row);
    }
    if (kind == Kind::Crop) {
        addSizeFields(row);
        row->addWidget(separatorLine(this));
        deleteCropped_ = new QCheckBox(QStringLiteral("Delete &cropped area"), this);
        deleteCropped_->setChecked(true);
        row->addWidget(deleteCropped_);
        shield_ = new QCheckBox(QStringLiteral("Shiel&d"), this);
        shield_->setChecked(true);
        row->addWidget(shield_);
        color_ = new ColorSwatchButton(this);
        color_->setColor(Qt::black);
        color_->setAccessibleName(QStringLiteral("Shield color"));
        row->addWidget(color_);
        opacity_ = new PopupSliderField(this);
        opacity_->setRange(0, 100);
        opacity_->setSuffix(QLatin1Char('%'));
        opacity_->setValue(75);
        opacity_->setAccessibleName(QStringLiteral("Opacity"));
        opacity_->setFixedWidth(opacity_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) +
                                30);
        row->addWidget(label("&Opacity:", opacity_, this));
        row->addWidget(opacity_);
    }
    row->addStretch(1);
}

void SelectionOptionsPage::addSizeFields(QHBoxLayout* row) {
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("-00000000")) + 12;
    auto makeField = [&](const char* name) {
        auto* f = new NumericField(this);
        f->setRange(-INT_MAX, INT_MAX);
        f->setText(QString());
        f->setAccessibleName(QString::fromUtf8(name));
        f->setFixedWidth(fieldWidth);
        return f;
    };
    width_ = makeField("Width");
    height_ = makeField("Height");
    row->addWidget(label("Wid&th:", width_, this));
    row->addWidget(width_);
    QToolBar* bar = smallBar(QStringLiteral("Swap"), this);
    bar->setIconSize(QSize(14, 14));
    QAction* swap = addButton(bar, kOptSwapSize, "Swap width and height");
    swap_ = qobject_cast<QToolButton*>(bar->widgetForAction(swap));
    connect(swap, &QAction::triggered, this, &SelectionOptionsPage::swapSize);
    row->addWidget(bar);
    row->addWidget(label("Hei&ght:", height_, this));
    row->addWidget(height_);
}

int SelectionOptionsPage::mode() const {
    return modes_ ? modes_->checkedIndex() : 0;
}

void SelectionOptionsPage::swapSize() {
    const QString w = width_->text(), h = height_->text();
    if (w == h) return;
    width_->setText(h);
    height_->setText(w);
}

// ---- VeOptionPageStack ------------------------------------------------------------------------

VeOptionPageStack::VeOptionPageStack(QWidget* parent)
    : QStackedWidget(parent), empty_(new QWidget(this)) {
    addWidget(empty_);
}

void VeOptionPageStack::addPage(VeOptionPage* page) {
    pages_[page->key()] = page;
    addWidget(page);
}

VeOptionPage* VeOptionPageStack::page(int key) const {
    auto it = pages_.find(key);
    return it == pages_.end() ? nullptr : it->second;
}

bool VeOptionPageStack::showPage(int key) {
    VeOptionPage* p = page(key);
    if (!p) return false;
    setCurrentWidget(p);
    return true;
}

int VeOptionPageStack::shownKey() const {
    auto* p = qobject_cast<VeOptionPage*>(currentWidget());
    return p ? p->key() : -1;
}

// ---- VeOptionsBar -----------------------------------------------------------------------------

VeOptionsBar::VeOptionsBar(QWidget* parent) : QToolBar(QStringLiteral("Options"), parent) {
    setObjectName(QStringLiteral("OptionsBar"));
    setAccessibleName(QStringLiteral("Options bar"));
    setMovable(false);
    setFloatable(false);
    auto* content = new QFrame(this);
    content->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(0);
    hot_ = new VeHotToolCtrl(content);
    stack_ = new VeOptionPageStack(content);
    row->addWidget(hot_);
    row->addWidget(stack_, 1);
    // A narrow main window cuts the page off at its right edge rather than growing to fit it.
    stack_->setMinimumWidth(1);
    addWidget(content);

    for (int key = 0; key <= 3; ++key)
        stack_->addPage(new SelectionOptionsPage(key, SelectionOptionsPage::Kind::Marquee, stack_));
    auto* move = new VeOptionPage(4, stack_);
    auto* moveRow = new QHBoxLayout(move);
    moveRow->setContentsMargins(8, 2, 4, 2);
    autoSelect_ = new QCheckBox(QStringLiteral("Auto select la&yer"), move);
    moveRow->addWidget(autoSelect_);
    moveRow->addStretch(1);
    stack_->addPage(move);
    for (int key = 5; key <= 7; ++key)
        stack_->addPage(new SelectionOptionsPage(key, SelectionOptionsPage::Kind::Lasso, stack_));
    stack_->addPage(new SelectionOptionsPage(8, SelectionOptionsPage::Kind::Crop, stack_));

    auto* hand = new VeOptionPage(17, stack_);
    auto* handRow = new QHBoxLayout(hand);
    handRow->setContentsMargins(8, 2, 4, 2);
    handView_ = makeViewBar(hand);
    handRow->addWidget(handView_);
    handRow->addStretch(1);
    stack_->addPage(hand);

    auto* zoom = new VeOptionPage(20, stack_);
    auto* zoomRow = new QHBoxLayout(zoom);
    zoomRow->setContentsMargins(8, 2, 4, 2);
    zoomRow->setSpacing(6);
    zoomModes_ = new OptionModeBar(QStringLiteral("Zoom"),
                                   {{kOptZoomIn, "Zoom in"}, {kOptZoomOut, "Zoom out"}}, zoom);
    zoomRow->addWidget(zoomModes_);
    zoomRow->addWidget(separatorLine(zoom));
    resizeToFit_ = new QCheckBox(QStringLiteral("&Resize window to fit"), zoom);
    zoomRow->addWidget(resizeToFit_);
    zoomRow->addWidget(separatorLine(zoom));
    zoomView_ = makeViewBar(zoom);
    zoomRow->addWidget(zoomView_);
    zoomRow->addStretch(1);
    stack_->addPage(zoom);
}

QToolBar* VeOptionsBar::makeViewBar(QWidget* parent) {
    QToolBar* bar = smallBar(QStringLiteral("View"), parent);
    const struct {
        int id;
        const char* name;
    } buttons[] = {{kOptFitOnScreen, "Fit on Screen"},
                   {kOptFitInWindow, "Fit in window"},
                   {0, nullptr},
                   {kOptPrintSize, "Print size"},
                   {kOptActualPixels, "Actual pixels"}};
    for (const auto& b : buttons) {
        if (!b.id) {
            bar->addSeparator();
            continue;
        }
        QAction* a = addButton(bar, b.id, b.name);
        const int command = viewCommandOfButton(b.id);
        connect(a, &QAction::triggered, this,
                [this, command] { emit viewCommandRequested(command); });
    }
    return bar;
}

SelectionOptionsPage* VeOptionsBar::selectionPage(int key) const {
    return qobject_cast<SelectionOptionsPage*>(stack_->page(key));
}

void VeOptionsBar::showToolOptions(const ToolButtonRecord& record, int variant) {
    if (variant < 0 || variant >= record.variants) return;
    hot_->setTool(&record, variant);
    stack_->showPage(record.first + variant);
}

}  // namespace varnel
