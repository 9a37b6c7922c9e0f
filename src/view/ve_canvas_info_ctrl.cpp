#include "view/ve_canvas_info_ctrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <algorithm>

#include "view/view_commands.h"
#include "view/zoom_scroller.h"

namespace varnel {

namespace {

struct MenuEntry {
    int32_t command;
    const char* text;
};

}  // namespace

VeCanvasInfoCtrl::VeCanvasInfoCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VeCanvasInfoCtrl"));
    text_ = QString::fromStdString(zoomPercentText(1.0f));

    menu_ = new QMenu(tr("Canvas Zoom"), this);
    menu_->setAccessibleName(menu_->title());
    const MenuEntry top[] = {
        {kCmdZoomIn, "Zoom In"},
        {kCmdZoomOut, "Zoom Out"},
        {kCmdFitOnScreen, "Fit on Screen"},
        {kCmdFitInWindow, "Fit in Window"},
        {kCmdActualPixels, "Actual Pixels"},
        {kCmdPrintSize, "Print Size"},
    };
    for (const MenuEntry& e : top) {
        QAction* a = menu_->addAction(QString::fromLatin1(e.text));
        a->setData(e.command);
    }
    menu_->addSeparator();
    for (const view_commands::FixedZoom& f : view_commands::kFixedZooms) {
        QAction* a = menu_->addAction(QString::fromLatin1(f.text));
        a->setData(f.command);
    }
    connect(menu_, &QMenu::aboutToShow, this, &VeCanvasInfoCtrl::updateMenuState);
    connect(menu_, &QMenu::triggered, this,
            [this](QAction* a) { emit commandTriggered(a->data().toInt()); });

    menuButton_ = new QToolButton(this);
    menuButton_->setObjectName(QStringLiteral("zoomMenuButton"));
    menuButton_->setAccessibleName(QStringLiteral("Zoom menu"));
    menuButton_->setArrowType(Qt::UpArrow);
    menuButton_->setAutoRaise(true);
    menuButton_->setPopupMode(QToolButton::InstantPopup);
    menuButton_->setMenu(menu_);
    menuButton_->setGeometry(menuButtonArea());
    menuButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("zoomEdit"));
    edit_->setAccessibleName(QStringLiteral("Zoom"));
    edit_->setMaxLength(8);
    edit_->setFrame(false);
    edit_->setGeometry(textArea());
    edit_->hide();
    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::editingFinished, this, &VeCanvasInfoCtrl::commitEdit);
}

void VeCanvasInfoCtrl::setZoom(float zoom, float minZoom) {
    text_ = QString::fromStdString(zoomPercentText(zoom));
    minZoom_ = minZoom;
    if (!isEditing()) edit_->setText(text_);
    update();
}

void VeCanvasInfoCtrl::updateMenuState() {
    for (QAction* a : menu_->actions()) {
        float z = view_commands::fixedZoomOf(a->data().toInt());
        // The fractional zooms below the image's minimum cannot be shown.
        if (z > 0.0f && z < 1.0f) a->setEnabled(!(minZoom_ > z));
    }
}

bool VeCanvasInfoCtrl::isEditing() const {
    return edit_->isVisible();
}

void VeCanvasInfoCtrl::beginEdit() {
    edit_->setText(text_);
    edit_->show();
    edit_->setFocus(Qt::MouseFocusReason);
    edit_->selectAll();
}

void VeCanvasInfoCtrl::commitEdit() {
    if (finishing_ || !edit_->isVisible()) return;
    finishing_ = true;
    double percent = parseZoomPercent(edit_->text().toStdString());
    percent = std::clamp(percent, kMinTypedPercent, kMaxTypedPercent);
    edit_->hide();
    finishing_ = false;
    emit zoomTyped(percent);
}

void VeCanvasInfoCtrl::cancelEdit() {
    finishing_ = true;
    edit_->setText(text_);
    edit_->hide();
    finishing_ = false;
}

bool VeCanvasInfoCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancelEdit();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void VeCanvasInfoCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && textArea().contains(event->position().toPoint())) {
        beginEdit();
        return;
    }
    QWidget::mousePressEvent(event);
}

void VeCanvasInfoCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect();
    frame.lineWidth = 1;
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &p, this);
    QRect area = textArea();
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0.0, pal.color(QPalette::Button));
    gradient.setColorAt(1.0, pal.color(QPalette::Dark));
    p.fillRect(area, gradient);
    p.setPen(pal.color(QPalette::ButtonText));
    p.drawText(area.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               text_);
}

}  // namespace varnel
