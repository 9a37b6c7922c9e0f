#include "tools/toolbox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "commands/command_ids.h"
#include "tools/tool_cursors.h"
#include "view/ve_view.h"

namespace varnel {

// ---- Layout -----------------------------------------------------------------------------------

ToolboxLayout toolboxLayout(const std::vector<ToolButtonRecord>& records) {
    ToolboxLayout l;
    l.banner = QRect(0, 0, 58, 24);
    const QPoint origin(3, 27);
    int x = 0, y = 0;
    for (const ToolButtonRecord& r : records) {
        l.buttons.push_back(QRect(origin + QPoint(x, y), QSize(25, 21)));
        if (x == 0) {
            x = 26;
            if (r.separatorAfter) {  // a lone left button closes its row
                x = 0;
                y += 22 + 5;
            }
        } else {
            x = 0;
            y += 22 + (r.separatorAfter ? 5 : 0);
        }
    }
    if (x != 0) y += 22;
    l.grid = QRect(origin, QSize(52, y - 2));
    l.colorChooser = QRect(3, l.grid.bottom() + 1 + 1, 52, 54);
    l.viewModeChooser = QRect(3, l.colorChooser.bottom() + 1 + 3, 52, 75);
    l.client = QSize(58, l.viewModeChooser.bottom() + 1 + 8);
    return l;
}

// ---- VeToolButton -----------------------------------------------------------------------------

namespace {

// Screen readers see a tool button as a push button that stays pressed while it is chosen.
class ToolButtonAccessible : public QAccessibleWidget {
public:
    explicit ToolButtonAccessible(VeToolButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }
    VeToolButton* button() const { return static_cast<VeToolButton*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return button()->accessibleName();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isChecked() || button()->isDown();
        s.hasPopup = button()->flyout() != nullptr;
        return s;
    }
    QStringList actionNames() const override {
        QStringList names{pressAction()};
        if (button()->flyout()) names << showMenuAction();
        return names;
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            button()->click();
        else if (name == showMenuAction())
            button()->openFlyout();
    }
};

QAccessibleInterface* toolButtonFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("varnel::VeToolButton") && object && object->isWidgetType())
        return new ToolButtonAccessible(static_cast<VeToolButton*>(object));
    return nullptr;
}

}  // namespace

VeToolButton::VeToolButton(const ToolButtonRecord& record, QWidget* parent)
    : QAbstractButton(parent), record_(record), bitmap_(toolButtonBitmap(record)) {
    static const bool accessible = [] {
        QAccessible::installFactory(toolButtonFactory);
        return true;
    }();
    (void)accessible;
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(25, 21);
    hold_.setSingleShot(true);
    hold_.setInterval(kFlyoutDelayMs);
    // Space and the accessibility press action click the button.
    connect(this, &QAbstractButton::clicked, this, [this] { emit chosen(this); });
    connect(&hold_, &QTimer::timeout, this, [this] {
        if (isDown()) openFlyout();
    });
    if (record.hasFlyout()) {
        flyout_ = new QMenu(QString::fromUtf8(record.flyoutTitle), this);
        auto* group = new QActionGroup(flyout_);
        for (int v = 0; v < record.variants; ++v) {
            const QString key = QString(QLatin1Char(record.keyLetter));
            QAction* a = flyout_->addAction(QIcon(toolNumberIcon(record.first + v)),
                                            record.variantName(v) + QLatin1Char('\t') + key);
            a->setCheckable(true);
            a->setData(v);
            group->addAction(a);
        }
        connect(flyout_, &QMenu::triggered, this, [this](QAction* a) {
            const int v = a->data().toInt();
            if (v != variant_) {
                setVariant(v);
                emit chosen(this);
            }
        });
    }
    setVariant(0);
}

void VeToolButton::setVariant(int variant) {
    if (variant < 0 || variant >= record_.variants) return;
    variant_ = variant;
    if (flyout_) flyout_->actions().at(variant)->setChecked(true);
    updateName();
    update();
}

void VeToolButton::updateName() {
    const QString name = record_.variantName(variant_);
    setText(name);
    setAccessibleName(name);
    setToolTip(QStringLiteral("%1 (%2)").arg(name, QString(QLatin1Char(record_.keyLetter))));
    if (flyout_) setAccessibleDescription(QStringLiteral("Hold for more tools"));
}

void VeToolButton::openFlyout() {
    if (!flyout_) return;
    hold_.stop();
    flyoutOpened_ = true;
    setDown(false);
    QPoint at = mapToGlobal(QPoint(width(), 0));
    if (QScreen* screen = this->screen()) {
        const QRect avail = screen->availableGeometry();
        const QSize size = flyout_->sizeHint();
        at.setX(std::min(at.x(), avail.right() + 1 - size.width()));
        at.setY(std::min(at.y(), avail.bottom() + 1 - size.height()));
    }
    flyout_->popup(at);
}

void VeToolButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::Flat;
    if (isDown() || isChecked())
        option.state |= QStyle::State_Sunken;
    else if (underMouse())
        option.state |= QStyle::State_Raised;
    if (isDown() || isChecked() || underMouse())
        style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &p, this);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
    const QPoint at((width() - kToolIconSide) / 2 + (isDown() ? 1 : 0),
                    (height() - kToolIconSide) / 2 + (isDown() ? 1 : 0));
    p.drawPixmap(at, bitmap_, QRect(variant_ * kToolIconSide, 0, kToolIconSide, kToolIconSide));
    if (record_.hasFlyout()) {  // the corner mark of a button with more tools
        p.setPen(Qt::NoPen);
        p.setBrush(palette().color(QPalette::ButtonText));
        p.drawPolygon(QPolygon({{width() - 2, height() - 5},
                                {width() - 2, height() - 2},
                                {width() - 5, height() - 2}}));
    }
}

void VeToolButton::mousePressEvent(QMouseEvent* event) {
    flyoutOpened_ = false;
    QAbstractButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && record_.hasFlyout()) hold_.start();
}

void VeToolButton::mouseReleaseEvent(QMouseEvent* event) {
    hold_.stop();
    if (flyoutOpened_ || event->button() != Qt::LeftButton) {
        setDown(false);
        event->accept();
        return;
    }
    const bool inside = isDown() && hitButton(event->position().toPoint());
    setDown(false);
    if (inside) emit chosen(this);
    event->accept();
}

void VeToolButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked(this, event->modifiers());
    mousePressEvent(event);
}

void VeToolButton::keyPressEvent(QKeyEvent* event) {
    if (flyout_ && (event->key() == Qt::Key_Menu ||
                    (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)))) {
        openFlyout();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit chosen(this);
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

// ---- VeToolboxColorChooser --------------------------------------------------------------------

namespace {

// A keyboard and screen-reader handle on one area of the chooser; the chooser paints it and
// takes its mouse events.
class ChooserPart : public QAbstractButton {
public:
    ChooserPart(const QString& name, const QRect& area, QWidget* parent) : QAbstractButton(parent) {
        setAccessibleName(name);
        setText(name);
        setToolTip(name);
        setGeometry(area);
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!hasFocus()) return;
        QPainter p(this);
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
};

QString colorText(const QColor& c) {
    return QStringLiteral("R %1, G %2, B %3").arg(c.red()).arg(c.green()).arg(c.blue());
}

}  // namespace

VeToolboxColorChooser::VeToolboxColorChooser(QWidget* parent) : QWidget(parent) {
    setFixedSize(52, 54);
    setAccessibleName(QStringLiteral("Colors"));
    // Tab order: foreground, background, swap, reset; the foreground lies above the background.
    fgPart_ = new ChooserPart(QStringLiteral("Foreground color"), foregroundArea(), this);
    bgPart_ = new ChooserPart(QStringLiteral("Background color"), backgroundArea(), this);
    swapPart_ = new ChooserPart(QStringLiteral("Swap colors"), swapArea(), this);
    resetPart_ = new ChooserPart(QStringLiteral("Default colors"), resetArea(), this);
    setTabOrder(fgPart_, bgPart_);
    setTabOrder(bgPart_, swapPart_);
    setTabOrder(swapPart_, resetPart_);
    connect(fgPart_, &QAbstractButton::clicked, this, [this] { chooseColor(true); });
    connect(bgPart_, &QAbstractButton::clicked, this, [this] { chooseColor(false); });
    connect(swapPart_, &QAbstractButton::clicked, this, &VeToolboxColorChooser::swapColors);
    connect(resetPart_, &QAbstractButton::clicked, this, &VeToolboxColorChooser::resetColors);
    updateParts();
}

void VeToolboxColorChooser::updateParts() {
    fgPart_->setAccessibleDescription(colorText(fg_));
    bgPart_->setAccessibleDescription(colorText(bg_));
    fgPart_->setToolTip(QStringLiteral("Foreground color: %1").arg(fg_.name()));
    bgPart_->setToolTip(QStringLiteral("Background color: %1").arg(bg_.name()));
}

void VeToolboxColorChooser::setForeground(const QColor& color) {
    const QColor c = color.toRgb();
    if (c == fg_) return;
    fg_ = c;
    updateParts();
    update();
    emit colorsChanged(fg_, bg_);
}

void VeToolboxColorChooser::setBackground(const QColor& color) {
    const QColor c = color.toRgb();
    if (c == bg_) return;
    bg_ = c;
    updateParts();
    update();
    emit colorsChanged(fg_, bg_);
}

void VeToolboxColorChooser::swapColors() {
    std::swap(fg_, bg_);
    updateParts();
    update();
    emit colorsChanged(fg_, bg_);
}

void VeToolboxColorChooser::resetColors() {
    if (fg_ == QColor(Qt::black) && bg_ == QColor(Qt::white)) return;
    fg_ = Qt::black;
    bg_ = Qt::white;
    updateParts();
    update();
    emit colorsChanged(fg_, bg_);
}

std::optional<QColor> VeToolboxColorChooser::colorAt(const QPoint& global) {
    // Over a document view: its own frame as painted, checkerboard and all.
    for (QWidget* w = QApplication::widgetAt(global); w; w = w->parentWidget()) {
        if (auto* view = qobject_cast<VeView*>(w)) {
            const QPoint local = view->mapFromGlobal(global);
            const QImage pixel = view->grab(QRect(local, QSize(1, 1))).toImage();
            if (pixel.isNull()) break;
            return pixel.pixelColor(0, 0).toRgb();
        }
    }
    QScreen* screen = QGuiApplication::screenAt(global);
    if (!screen) return std::nullopt;
    const QPoint at = global - screen->geometry().topLeft();
    const QImage pixel = screen->grabWindow(0, at.x(), at.y(), 1, 1).toImage();
    // Where the platform does not let us read the screen the image is empty.
    if (pixel.isNull() || pixel.width() < 1) return std::nullopt;
    return pixel.pixelColor(0, 0).toRgb();
}

VeToolboxColorChooser::Press VeToolboxColorChooser::partAt(const QPoint& p) const {
    if (foregroundArea().contains(p)) return Press::Foreground;
    if (backgroundArea().contains(p)) return Press::Background;
    return Press::Elsewhere;
}

void VeToolboxColorChooser::chooseColor(bool foreground) {
    const QColor initial = foreground ? fg_ : bg_;
    std::optional<QColor> chosen;
    if (chooser_) {
        chosen = chooser_(initial, this);
    } else {
        const QColor c = QColorDialog::getColor(
            initial, this,
            foreground ? QStringLiteral("Foreground Color") : QStringLiteral("Background Color"));
        if (c.isValid()) chosen = c;
    }
    if (!chosen) return;
    foreground ? setForeground(*chosen) : setBackground(*chosen);
}

void VeToolboxColorChooser::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    auto frame = [&](const QRect& outer) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(outer.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(outer.adjusted(1, 1, -2, -2));
    };
    // Background first: the foreground swatch covers its top-left corner.
    frame(backgroundArea());
    p.fillRect(QRect(21, 20, 24, 24), bg_);
    frame(foregroundArea());
    p.fillRect(QRect(7, 6, 24, 24), fg_);
    p.setRenderHint(QPainter::Antialiasing);
    // Swap: a bent arrow with heads at both ends.
    const QRectF s = swapArea();
    p.setPen(QPen(palette().color(QPalette::ButtonText), 1));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(s.left() + 2, s.top() + 3, 20, 20), 90 * 16, 90 * 16);
    p.drawLine(QPointF(s.left() + 12, s.top() + 3), QPointF(s.left() + 9, s.top() + 1));
    p.drawLine(QPointF(s.left() + 12, s.top() + 3), QPointF(s.left() + 9, s.top() + 6));
    p.drawLine(QPointF(s.left() + 2, s.top() + 13), QPointF(s.left(), s.top() + 10));
    p.drawLine(QPointF(s.left() + 2, s.top() + 13), QPointF(s.left() + 5, s.top() + 10));
    // Reset: small black and white swatches.
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect r = resetArea();
    p.setPen(Qt::black);
    p.fillRect(QRect(r.left() + 6, r.top() + 6, 8, 8), Qt::white);
    p.drawRect(QRect(r.left() + 6, r.top() + 6, 7, 7));
    p.fillRect(QRect(r.left() + 2, r.top() + 2, 8, 8), Qt::black);
    // The etched line above the bottom strip.
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, height() - 2, width() - 1, height() - 2);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
}

void VeToolboxColorChooser::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    press_ = partAt(event->position().toPoint());
    dragging_ = false;
}

void VeToolboxColorChooser::mouseMoveEvent(QMouseEvent* event) {
    if (press_ != Press::Foreground && press_ != Press::Background) return;
    if (!dragging_) {
        dragging_ = true;
        setCursor(toolCursor(ToolCursor::Eyedropper));
    }
    const QPoint p = event->position().toPoint();
    if (partAt(p) == press_) return;
    const QPoint global = event->globalPosition().toPoint();
    const std::optional<QColor> c = sampler_ ? sampler_(global) : colorAt(global);
    if (!c) return;  // nothing readable there: the swatch keeps its colour
    press_ == Press::Foreground ? setForeground(*c) : setBackground(*c);
}

void VeToolboxColorChooser::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Press pressed = press_;
    press_ = Press::None;
    if (dragging_) unsetCursor();
    dragging_ = false;
    const QPoint p = event->position().toPoint();
    if (pressed == Press::Foreground || pressed == Press::Background) {
        if (partAt(p) == pressed) chooseColor(pressed == Press::Foreground);
        return;
    }
    if (pressed != Press::Elsewhere) return;
    if (resetArea().contains(p))
        resetColors();
    else if (swapArea().contains(p))
        swapColors();
}

// ---- VeViewModeChooser ------------------------------------------------------------------------

namespace {

QIcon viewModeIcon(bool full) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 17, 15);
    if (full) {
        p.fillRect(2, 3, 16, 14, Qt::darkGray);
    } else {
        p.fillRect(2, 3, 16, 3, Qt::darkBlue);
        p.drawRect(4, 8, 11, 7);
    }
    return QIcon(pixmap);
}

}  // namespace

VeViewModeChooser::VeViewModeChooser(QWidget* parent) : QWidget(parent) {
    setFixedSize(52, 75);
    setAccessibleName(QStringLiteral("View mode"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 4, 12, 4);
    column->setSpacing(4);
    auto make = [&](const char* name, bool full) {
        auto* b = new QToolButton(this);
        b->setIcon(viewModeIcon(full));
        b->setIconSize(QSize(20, 20));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setToolTip(QString::fromUtf8(name));
        b->setAccessibleName(QString::fromUtf8(name));
        b->setFocusPolicy(Qt::TabFocus);
        column->addWidget(b, 0, Qt::AlignHCenter);
        return b;
    };
    standard_ = make("Standard screen mode", false);
    full_ = make("Full screen mode", true);
    column->addStretch(1);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    group->addButton(standard_);
    group->addButton(full_);
    standard_->setChecked(true);
    connect(standard_, &QToolButton::clicked, this,
            [this] { emit commandRequested(kCmdViewModeButton); });
    connect(full_, &QToolButton::clicked, this, [this] { emit commandRequested(kCmdFullScreen); });
}

bool VeViewModeChooser::fullScreen() const {
    return full_->isChecked();
}

void VeViewModeChooser::setFullScreen(bool on) {
    full_->setChecked(on);
    standard_->setChecked(!on);
}

void VeViewModeChooser::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled() && fullScreen())
        emit commandRequested(kCmdViewModeButton);
}

// ---- VeToolbox --------------------------------------------------------------------------------

VeToolbox::VeToolbox(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Tools"));
    const ToolboxLayout l = toolboxLayout(toolButtonRecords());
    setFixedSize(l.client);
    size_t i = 0;
    for (const ToolButtonRecord& r : toolButtonRecords()) {
        auto* b = new VeToolButton(r, this);
        b->setGeometry(l.buttons[i++]);
        connect(b, &VeToolButton::chosen, this, &VeToolbox::buttonChosen);
        connect(b, &VeToolButton::doubleClicked, this,
                [this](VeToolButton* button, Qt::KeyboardModifiers m) {
                    if (button->record().first == 17)
                        emit viewCommandRequested(kCmdFitOnScreen);
                    else if (button->record().first == 20)
                        emit viewCommandRequested((m & Qt::ShiftModifier) ? kCmdFitInWindow
                                                                          : kCmdActualPixels);
                });
        buttons_.push_back(b);
    }
    colors_ = new VeToolboxColorChooser(this);
    colors_->setGeometry(l.colorChooser);
    viewMode_ = new VeViewModeChooser(this);
    viewMode_->setGeometry(l.viewModeChooser);
}

VeToolButton* VeToolbox::buttonOf(int toolNumber) const {
    for (VeToolButton* b : buttons_)
        if (toolNumber >= b->record().first &&
            toolNumber < b->record().first + b->record().variants)
            return b;
    return nullptr;
}

bool VeToolbox::chooseTool(int toolNumber) {
    VeToolButton* button = buttonOf(toolNumber);
    if (!button) return false;
    button->setVariant(toolNumber - button->record().first);
    buttonChosen(button);
    return true;
}

void VeToolbox::buttonChosen(VeToolButton* button) {
    for (VeToolButton* b : buttons_) b->setChecked(b == button);
    const int number = button->record().first + button->variant();
    if (number == chosen_) return;
    chosen_ = number;
    emit toolChosen(button->record(), button->variant());
}

void VeToolbox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect banner(0, 0, 58, 24);
    QLinearGradient g(banner.topLeft(), banner.topRight());
    g.setColorAt(0, QColor(40, 70, 130));
    g.setColorAt(1, QColor(90, 140, 200));
    p.fillRect(banner, g);
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(banner, Qt::AlignCenter, QStringLiteral("Varnel"));
}

}  // namespace varnel
