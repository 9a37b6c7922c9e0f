#include "widgets/ve_track_bar_ctrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace varnel {
namespace {

// A fixed palette, so that the painted pixels do not depend on the platform's theme.
QPalette classicPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(212, 208, 200));
    p.setColor(QPalette::Button, QColor(212, 208, 200));
    p.setColor(QPalette::Dark, QColor(128, 128, 128));
    p.setColor(QPalette::Mid, QColor(160, 160, 160));
    p.setColor(QPalette::Light, QColor(255, 255, 255));
    p.setColor(QPalette::Shadow, QColor(64, 64, 64));
    p.setColor(QPalette::Highlight, QColor(0, 0, 128));
    return p;
}

QRgb pixel(QWidget& w, int x, int y) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(x, y) | 0xFF000000u;
}

void sendWheel(QWidget& w, int delta) {
    QWheelEvent e(QPointF(10, 10), w.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &e);
}

// Records the keys its children pass on.
class KeySink : public QWidget {
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* e) override { keys << e->key(); }
};

TEST(VeTrackBarCtrl, PressAndDragPickTheValueUnderThePointer) {
    VeTrackBarCtrl slider;
    EXPECT_EQ(slider.size(), QSize(107, 21));
    QSignalSpy edited(&slider, &VeTrackBarCtrl::valueEdited);
    QSignalSpy committed(&slider, &VeTrackBarCtrl::valueCommitted);

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(53, 10));
    EXPECT_EQ(slider.value(), 49);
    QTest::mouseMove(&slider, QPoint(104, 10));
    EXPECT_EQ(slider.value(), 100);
    QTest::mouseMove(&slider, QPoint(400, 10));  // off the control: held at the end
    EXPECT_EQ(slider.value(), 100);
    QTest::mouseMove(&slider, QPoint(-30, 10));
    EXPECT_EQ(slider.value(), 0);
    QTest::mouseMove(&slider, QPoint(30, 10));
    EXPECT_EQ(committed.count(), 0);  // not before the release
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(slider.value(), 26);
    EXPECT_EQ(edited.count(), 4);  // 49, 100, 0, 26
    ASSERT_EQ(committed.count(), 1);
    EXPECT_EQ(committed.at(0).at(0).toInt(), 26);

    // A drag that comes back to where it started commits nothing.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(80, 10));
    QTest::mouseMove(&slider, QPoint(30, 10));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(committed.count(), 1);

    // A double click acts as a press.
    QTest::mouseDClick(&slider, Qt::LeftButton, {}, QPoint(104, 10));
    EXPECT_EQ(slider.value(), 100);
}

TEST(VeTrackBarCtrl, KeysAndWheelStepWithinTheRange) {
    KeySink parent;
    auto* slider = new VeTrackBarCtrl(&parent);
    slider->setRange(-5, 5);
    slider->setValue(4);
    QSignalSpy committed(slider, &VeTrackBarCtrl::valueCommitted);

    struct Step {
        Qt::Key key;
        int value;
    } steps[] = {
        {Qt::Key_Right, 5},   {Qt::Key_Up, 5},    {Qt::Key_Left, 4},
        {Qt::Key_Down, 3},    {Qt::Key_Home, -5}, {Qt::Key_Down, -5},
        {Qt::Key_PageUp, -4}, {Qt::Key_End, 5},   {Qt::Key_PageDown, 4},
    };
    for (const Step& s : steps) {
        QTest::keyClick(slider, s.key);
        EXPECT_EQ(slider->value(), s.value) << s.key;
    }
    // Each step that changed the value committed it; the two held at an end did not.
    EXPECT_EQ(committed.count(), 7);

    // Enter and Escape belong to the parent (a dialog's default button, a popup's close).
    QTest::keyClick(slider, Qt::Key_Return);
    QTest::keyClick(slider, Qt::Key_Escape);
    EXPECT_EQ(parent.keys, (QList<int>{Qt::Key_Return, Qt::Key_Escape}));

    sendWheel(*slider, 120);  // away from the user
    EXPECT_EQ(slider->value(), 5);
    sendWheel(*slider, -240);
    EXPECT_EQ(slider->value(), 3);
    sendWheel(*slider, -60);  // half a notch waits for the other half
    EXPECT_EQ(slider->value(), 3);
    sendWheel(*slider, -60);
    EXPECT_EQ(slider->value(), 2);
}

TEST(VeTrackBarCtrl, SetValueAndRangeHoldTheValueWithoutUserSignals) {
    VeTrackBarCtrl slider;
    QSignalSpy changed(&slider, &VeTrackBarCtrl::valueChanged);
    QSignalSpy edited(&slider, &VeTrackBarCtrl::valueEdited);
    slider.setValue(250);
    EXPECT_EQ(slider.value(), 100);
    slider.setRange(200, 10);  // put in order
    EXPECT_EQ(slider.minimum(), 10);
    EXPECT_EQ(slider.maximum(), 200);
    slider.setRange(0, 50);
    EXPECT_EQ(slider.value(), 50);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(edited.count(), 0);

    // A track of no length is one pixel; every press still picks a value.
    slider.setTrackLength(0);
    EXPECT_EQ(slider.trackLength(), 1);
    EXPECT_EQ(slider.width(), 7);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(3, 10));
    EXPECT_EQ(slider.value(), 0);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(slider.value(), 50);
    slider.setTrackLength(201);
    EXPECT_EQ(slider.width(), 207);
}

TEST(VeTrackBarCtrl, ThumbLightsUpUnderThePointer) {
    VeTrackBarCtrl slider;
    slider.setValue(50);  // thumb at x 50 … 56
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
    QTest::mouseMove(&slider, QPoint(20, 10));
    EXPECT_FALSE(slider.isHot());
    QTest::mouseMove(&slider, QPoint(53, 10));
    EXPECT_TRUE(slider.isHot());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&slider, &leave);
    EXPECT_FALSE(slider.isHot());
}

TEST(VeTrackBarCtrl, PaintsTheGrooveByStyle) {
    VeTrackBarCtrl slider;
    slider.setPalette(classicPalette());
    const QRgb face = qRgb(212, 208, 200);
    const QRgb k = qRgb(240, 240, 240);  // trunc(212 / 3) + 170
    // Groove 3 … 103 × 6 … 14; inside 4 … 102 × 7 … 13.
    slider.setTrackStyle(VeTrackBarCtrl::TrackStyle::Solid);
    slider.setValue(50);
    EXPECT_EQ(pixel(slider, 4, 10), k);
    EXPECT_EQ(pixel(slider, 49, 10), k);
    EXPECT_EQ(pixel(slider, 60, 10), face);
    EXPECT_EQ(pixel(slider, 30, 6), qRgb(128, 128, 128));   // sunken edge: shadow above
    EXPECT_EQ(pixel(slider, 70, 14), qRgb(255, 255, 255));  // light below
    for (QPoint corner : {QPoint(3, 6), QPoint(103, 6), QPoint(3, 14), QPoint(103, 14)})
        EXPECT_EQ(pixel(slider, corner.x(), corner.y()), face) << corner.x() << "," << corner.y();

    slider.setTrackStyle(VeTrackBarCtrl::TrackStyle::Gradient);
    slider.setValue(100);
    EXPECT_EQ(pixel(slider, 4, 10), face);  // the first band is the face colour
    EXPECT_EQ(qRed(pixel(slider, 99, 10)), 254);
    int previous = 0;
    for (int x = 4; x < 100; ++x) {
        EXPECT_GE(qBlue(pixel(slider, x, 10)), previous) << x;
        previous = qBlue(pixel(slider, x, 10));
    }

    // The whole groove is shaded top to bottom whatever the value. Its 7 rows are fewer than the
    // 255 bands: the first row is band 36 (the bands before it are thinner than a pixel), the last
    // row band 254.
    slider.setTrackStyle(VeTrackBarCtrl::TrackStyle::FullShaded);
    slider.setValue(0);
    EXPECT_EQ(pixel(slider, 80, 7), qRgb(215, 212, 205));
    EXPECT_EQ(pixel(slider, 80, 13), qRgb(239, 239, 239));

    slider.setCentreMark(true);
    EXPECT_EQ(pixel(slider, 53, 10), qRgb(64, 64, 64));  // x = L / 2 + 3
    EXPECT_NE(pixel(slider, 52, 10), qRgb(64, 64, 64));

    // The thumb's corners show the face.
    const QRect thumb = slider.thumbRect();
    EXPECT_EQ(thumb, QRect(0, 4, 7, 13));
    EXPECT_EQ(pixel(slider, 0, 4), face);
    EXPECT_EQ(pixel(slider, 6, 16), face);
    EXPECT_NE(pixel(slider, 3, 10), face);
}

}  // namespace
}  // namespace varnel
