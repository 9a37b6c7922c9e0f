#include "palettes/floating_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QToolButton>

#include "palettes/palette_accessibility.h"
#include "palettes/palette_group.h"

namespace varnel {

namespace {

Rect toRect(const QRect& r) {
    return Rect::fromXYWH(r.x(), r.y(), r.width(), r.height());
}

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

// The caption's colours, darker while the program is the active one.
QColor captionColor(bool active) {
    return active ? QColor(88, 88, 88) : QColor(160, 160, 160);
}

}  // namespace

FloatingWindow::FloatingWindow(PaletteGroup* group, const QString& key, const QString& title)
    : QWidget(group->owner(), Qt::Tool | Qt::FramelessWindowHint), group_(group) {
    installPaletteAccessibility();
    setObjectName(key);
    setWindowTitle(title);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);

    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("content"));

    hide_ = new QToolButton(this);
    hide_->setObjectName(QStringLiteral("hide"));
    hide_->setAutoRaise(true);
    hide_->setFocusPolicy(Qt::NoFocus);
    hide_->setText(QStringLiteral("\u00D7"));
    hide_->setToolTip(QStringLiteral("Hide"));
    hide_->setAccessibleName(QStringLiteral("Hide %1").arg(title));
    connect(hide_, &QToolButton::clicked, this, [this] { setWanted(false); });

    // The window system's close request (Alt+F4) is the main window's: see closeEvent. Without a
    // window manager the key arrives here.
    auto* closeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(closeKey, &QShortcut::activated, this, [this] {
        if (QWidget* owner = ownerWindow()) owner->close();
    });

    group_->registerWindow(this);
    layoutContent();
}

FloatingWindow::~FloatingWindow() {
    if (group_) group_->unregisterWindow(this);
}

QWidget* FloatingWindow::ownerWindow() const {
    return parentWidget();
}

void FloatingWindow::setCaptionTitle(const QString& title) {
    if (title == windowTitle()) return;
    setWindowTitle(title);
    hide_->setAccessibleName(QStringLiteral("Hide %1").arg(title));
    update(0, 0, width(), kCaptionHeight + 1);
}

void FloatingWindow::setWanted(bool wanted) {
    const bool changed = wanted != wanted_;
    wanted_ = wanted;
    QWidget* owner = ownerWindow();
    if (!wanted)
        hide();
    else if (!owner || owner->isVisible())
        show();
    if (changed) emit wantedChanged(wanted);
}

uint32_t FloatingWindow::edgesAt(const QPoint& p) const {
    return borderEdgesAt({width(), height()}, {p.x(), p.y()}, kBorder, kCornerZone);
}

bool FloatingWindow::onCaption(const QPoint& p) const {
    return edgesAt(p) == kSnapNone && p.y() < kBorder + kCaptionHeight && rect().contains(p) &&
           !hide_->geometry().contains(p);
}

void FloatingWindow::layoutContent() {
    const int top = kBorder + kCaptionHeight;
    content_->setGeometry(kBorder, top, std::max(0, width() - 2 * kBorder),
                          std::max(0, height() - top - kBorder));
    const int b = kCaptionHeight - 2;
    hide_->setGeometry(width() - kBorder - b - 1, kBorder + 1, b, b);
}

void FloatingWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContent();
}

bool FloatingWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowBlocked:
            // A modal dialog runs: the group is disabled with the main window. Only the content
            // is: disabling the window itself would disable the dialog too when it is ours.
            content_->setEnabled(false);
            hide_->setEnabled(false);
            break;
        case QEvent::WindowUnblocked:
            content_->setEnabled(true);
            hide_->setEnabled(true);
            break;
        case QEvent::ActivationChange:
        case QEvent::ApplicationStateChange:
            update(0, 0, width(), kBorder + kCaptionHeight);
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void FloatingWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QRect caption(1, 1, width() - 2, kBorder + kCaptionHeight - 1);
    p.fillRect(caption, captionColor(active));
    QFont f = font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(active ? Qt::white : QColor(235, 235, 235));
    const QRect text = caption.adjusted(kBorder + 2, 0, -(kCaptionHeight + kBorder), 0);
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetrics(f).elidedText(windowTitle(), Qt::ElideRight, text.width()));
    p.setPen(QColor(64, 64, 64));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void FloatingWindow::updateCursor(const QPoint& pos) {
    const uint32_t e = drag_ == Drag::Size ? dragEdges_ : edgesAt(pos);
    const bool vertical = e & (kSnapTop | kSnapBottom), horizontal = e & (kSnapLeft | kSnapRight);
    if (vertical && horizontal) {
        const bool main =
            ((e & kSnapTop) && (e & kSnapLeft)) || ((e & kSnapBottom) && (e & kSnapRight));
        setCursor(main ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else if (vertical) {
        setCursor(Qt::SizeVerCursor);
    } else if (horizontal) {
        setCursor(Qt::SizeHorCursor);
    } else {
        unsetCursor();
    }
}

void FloatingWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    dragEdges_ = edgesAt(pos);
    if (!group_) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (dragEdges_ != kSnapNone) {
        drag_ = Drag::Size;
    } else if (onCaption(pos)) {
        drag_ = Drag::Move;
        // The windows attached to this one stay where they are; they are no target while it
        // moves away from them.
        attached_ = group_->attachedTo(this);
    } else {
        QWidget::mousePressEvent(event);
        return;
    }
    dragStart_ = event->globalPosition().toPoint();
    startRect_ = frameRect();
    event->accept();
}

void FloatingWindow::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == Drag::None || !(event->buttons() & Qt::LeftButton) || !group_) {
        if (drag_ != Drag::None) drag_ = Drag::None;
        updateCursor(event->position().toPoint());
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint d = event->globalPosition().toPoint() - dragStart_;
    const bool snap = group_->snappingEnabled() && !(event->modifiers() & Qt::ControlModifier);
    const Size minimum{minimumWidth(), minimumHeight()};
    Rect r;
    if (drag_ == Drag::Move) {
        r = toRect(startRect_.translated(d));
        if (snap) r = snapMovedRect(r, group_->snapTargets(this, attached_));
    } else {
        r = sizedRect(toRect(startRect_), dragEdges_, {d.x(), d.y()}, minimum);
        if (snap) r = snapSizedRect(r, dragEdges_, group_->snapTargets(this), minimum);
    }
    setGeometry(toQRect(r));
    event->accept();
}

void FloatingWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ != Drag::None && event->button() == Qt::LeftButton) {
        drag_ = Drag::None;
        attached_.clear();
        updateCursor(event->position().toPoint());
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void FloatingWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on the caption or border is a press like any other.
    mousePressEvent(event);
}

void FloatingWindow::leaveEvent(QEvent* event) {
    if (drag_ == Drag::None) unsetCursor();
    QWidget::leaveEvent(event);
}

bool FloatingWindow::forwardToOwner(QKeyEvent* event) {
    QWidget* owner = ownerWindow();
    if (!owner || event->key() == Qt::Key_unknown) return false;
    const QKeySequence typed(event->keyCombination());
    for (QAction* a : owner->actions()) {
        if (!a->isEnabled()) continue;
        for (const QKeySequence& s : a->shortcuts()) {
            if (s.matches(typed) == QKeySequence::ExactMatch) {
                a->trigger();
                return true;
            }
        }
    }
    return false;
}

void FloatingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (QWidget* owner = ownerWindow()) owner->activateWindow();
        event->accept();
        return;
    }
    if (forwardToOwner(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FloatingWindow::closeEvent(QCloseEvent* event) {
    // The window system asks to close the palette (Alt+F4): that is a request to close the
    // editor. The palette itself only hides, through its caption's button or the menu.
    event->ignore();
    if (QWidget* owner = ownerWindow())
        QMetaObject::invokeMethod(owner, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace varnel
