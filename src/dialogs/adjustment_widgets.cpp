#include "dialogs/adjustment_widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "widgets/number_field.h"
#include "widgets/ve_track_bar_ctrl.h"

namespace varnel {

void linkSlider(NumericField* field, VeTrackBarCtrl* slider) {
    slider->setValue(field->value());
    QObject::connect(field, &NumericField::valueChanged, slider, &VeTrackBarCtrl::setValue);
    QObject::connect(slider, &VeTrackBarCtrl::valueEdited, field, &NumericField::setValue);
}

VeTrackBarCtrl* sliderFor(NumericField* field, QWidget* parent) {
    auto* slider = new VeTrackBarCtrl(parent);
    slider->setRange(field->minimum(), field->maximum());
    slider->setTrackLength(std::max(101, field->maximum() - field->minimum() + 1));
    slider->setCentreMark(field->minimum() == -field->maximum());
    QString name = field->accessibleName();
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    slider->setAccessibleName(name + QStringLiteral(" slider"));
    linkSlider(field, slider);
    return slider;
}

// --- HistogramView -------------------------------------------------------------------------------

HistogramView::HistogramView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("histogram"));
    setAccessibleName(QStringLiteral("Histogram"));
    setFixedSize(sizeHint());
}

void HistogramView::setBars(const std::array<int, 256>& bars) {
    bars_ = bars;
    update();
}

void HistogramView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.fillRect(QRect(1, 1, 256, kHeight), QColor(0xF5, 0xF5, 0xF5));
    p.setPen(Qt::black);
    for (int i = 0; i < 256; ++i) {
        const int h = std::clamp(bars_[size_t(i)], 0, kHeight);
        if (h > 0) p.drawLine(1 + i, kHeight, 1 + i, kHeight + 1 - h);
    }
}

// --- MarkerStrip ---------------------------------------------------------------------------------

MarkerStrip::MarkerStrip(std::vector<QColor> colours, bool withRamp, QWidget* parent)
    : QWidget(parent),
      colours_(std::move(colours)),
      positions_(colours_.size(), 0),
      ramp_(withRamp) {
    setFixedSize(sizeHint());
}

QSize MarkerStrip::sizeHint() const {
    return {256 + 2 * kMargin, (ramp_ ? kRampHeight + 2 : 0) + 11};
}

void MarkerStrip::setPosition(int marker, int value) {
    if (marker < 0 || marker >= markerCount()) return;
    value = std::clamp(value, 0, 255);
    if (positions_[size_t(marker)] == value) return;
    positions_[size_t(marker)] = value;
    describe();
    update();
}

void MarkerStrip::setMarkerNames(const QStringList& names) {
    names_ = names;
    describe();
}

void MarkerStrip::describe() {
    QStringList parts;
    for (int i = 0; i < markerCount(); ++i) {
        const QString name = i < names_.size() ? names_[i] : QString::number(i + 1);
        parts << QStringLiteral("%1 %2").arg(name).arg(positions_[size_t(i)]);
    }
    setAccessibleDescription(parts.join(QStringLiteral(", ")));
}

int MarkerStrip::valueAt(int x) {
    return std::clamp(x - kMargin, 0, 255);
}

int MarkerStrip::markerAt(int x) const {
    int best = -1, bestDistance = kMargin + 1;
    for (int i = 0; i < markerCount(); ++i) {
        const int d = std::abs(x - xOf(positions_[size_t(i)]));
        // On a tie the later marker wins, so that markers stacked at the left end can be pulled
        // apart from the left.
        if (d < bestDistance || (d == bestDistance && best >= 0)) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

void MarkerStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    int top = 0;
    if (ramp_) {
        QLinearGradient g(kMargin, 0, kMargin + 256, 0);
        g.setColorAt(0, Qt::black);
        g.setColorAt(1, Qt::white);
        p.setPen(palette().color(QPalette::Mid));
        p.setBrush(g);
        p.drawRect(QRect(kMargin - 1, 0, 257, kRampHeight));
        top = kRampHeight + 2;
    }
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < markerCount(); ++i) {
        const double x = xOf(positions_[size_t(i)]) + 0.5;
        QPainterPath path;
        path.moveTo(x, top + 0.5);
        path.lineTo(x + 4.5, top + 9.5);
        path.lineTo(x - 4.5, top + 9.5);
        path.closeSubpath();
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(colours_[size_t(i)]);
        p.drawPath(path);
    }
}

void MarkerStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = markerAt(event->position().toPoint().x());
    if (dragging_ >= 0) emit markerMoved(dragging_, valueAt(event->position().toPoint().x()));
}

void MarkerStrip::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ >= 0 && (event->buttons() & Qt::LeftButton))
        emit markerMoved(dragging_, valueAt(event->position().toPoint().x()));
}

void MarkerStrip::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = -1;
}

// --- CurvesEditor --------------------------------------------------------------------------------

CurvesEditor::CurvesEditor(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("curveEditor"));
    setAccessibleName(QStringLiteral("Curve"));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
    changed();
}

QSize CurvesEditor::sizeHint() const {
    return {kOrigin + 256 + 1, 256 + 1 + kOrigin};
}

QPoint CurvesEditor::widgetPoint(Point c) const {
    return {kOrigin + c.x, 255 - c.y};
}

Point CurvesEditor::curvePoint(QPoint w) const {
    return {std::clamp(w.x() - kOrigin, 0, 255), std::clamp(255 - w.y(), 0, 255)};
}

void CurvesEditor::setCurve(const CurvePoints& curve) {
    curve_ = curve;
    selected_ = std::clamp(selected_, 0, curve_.size() - 1);
    dragging_ = false;
    changed();
}

void CurvesEditor::setSelected(int index) {
    selected_ = std::clamp(index, 0, curve_.size() - 1);
    changed();
}

void CurvesEditor::moveSelected(Point to) {
    curve_.move(selected_, to);
    changed();
}

void CurvesEditor::changed() {
    const Point p = curve_.at(selected_);
    setAccessibleDescription(QStringLiteral("Point %1 of %2: input %3, output %4")
                                 .arg(selected_ + 1)
                                 .arg(curve_.size())
                                 .arg(p.x)
                                 .arg(p.y));
    update();
    emit curveChanged();
}

void CurvesEditor::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Ramps: output along the left (white at the top), input along the bottom.
    QLinearGradient vertical(0, 0, 0, 256);
    vertical.setColorAt(0, Qt::white);
    vertical.setColorAt(1, Qt::black);
    p.fillRect(QRect(0, 0, kRamp, 256), vertical);
    QLinearGradient horizontal(kOrigin, 0, kOrigin + 256, 0);
    horizontal.setColorAt(0, Qt::black);
    horizontal.setColorAt(1, Qt::white);
    p.fillRect(QRect(kOrigin, 256 + 1 + kGap, 256, kRamp), horizontal);

    const QRect grid(kOrigin, 0, 256, 256);
    p.fillRect(grid, Qt::white);
    p.setPen(QColor(220, 220, 220));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(kOrigin + i * 64, 0, kOrigin + i * 64, 255);
        p.drawLine(kOrigin, i * 64, kOrigin + 255, i * 64);
    }
    p.setPen(QColor(200, 200, 200));
    p.drawLine(kOrigin, 255, kOrigin + 255, 0);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(grid.adjusted(-1, -1, 0, 0));

    // The curve as the filter maps it.
    const std::array<uint8_t, 256> table = curve_.table();
    QPolygon line;
    for (int x = 0; x < 256; ++x) line << widgetPoint({x, table[size_t(x)]});
    p.setPen(QPen(Qt::black, 1));
    p.drawPolyline(line);

    for (int i = 0; i < curve_.size(); ++i) {
        const QPoint c = widgetPoint(curve_.at(i));
        const QRect box(c.x() - 3, c.y() - 3, 7, 7);
        if (i == selected_) {
            p.fillRect(box, Qt::black);
        } else {
            p.fillRect(box, Qt::white);
            p.drawRect(box.adjusted(0, 0, -1, -1));
        }
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(grid.adjusted(0, 0, -1, -1));
    }
}

void CurvesEditor::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    const Point at = curvePoint(event->position().toPoint());
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const CurveClickResult r = pressCurve(curve_, at, ctrl);
    switch (r.what) {
        case CurveClick::Select:
        case CurveClick::Insert:
            selected_ = r.index;
            dragging_ = true;
            changed();
            break;
        case CurveClick::Remove:
            selected_ = std::clamp(r.index - 1, 0, curve_.size() - 1);
            changed();
            break;
        case CurveClick::None:
            break;
    }
}

void CurvesEditor::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    const Point before = curve_.at(selected_);
    const Point after = curve_.move(selected_, curvePoint(event->position().toPoint()));
    if (after != before) changed();
}

void CurvesEditor::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

void CurvesEditor::keyPressEvent(QKeyEvent* event) {
    const Point p = curve_.at(selected_);
    switch (event->key()) {
        case Qt::Key_PageUp:
            setSelected(selected_ - 1);
            break;
        case Qt::Key_PageDown:
            setSelected(selected_ + 1);
            break;
        case Qt::Key_Left:
            moveSelected({p.x - 1, p.y});
            break;
        case Qt::Key_Right:
            moveSelected({p.x + 1, p.y});
            break;
        case Qt::Key_Up:
            moveSelected({p.x, p.y + 1});
            break;
        case Qt::Key_Down:
            moveSelected({p.x, p.y - 1});
            break;
        case Qt::Key_Delete:
            if (curve_.remove(selected_)) setSelected(selected_ - 1);
            break;
        case Qt::Key_Insert: {
            // A new point on the curve halfway to the next one (or the previous, from the last).
            const int other = selected_ + 1 < curve_.size() ? selected_ + 1 : selected_ - 1;
            const int x = (p.x + curve_.at(other).x) / 2;
            const int added = curve_.insert({x, curve_.table()[size_t(std::clamp(x, 0, 255))]});
            if (added >= 0) setSelected(added);
            break;
        }
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace varnel
