// VeCanvasInfoCtrl: the zoom field at the bottom left of a document window. It shows the zoom as a
// percentage, lets the user type one (a click in the text opens an editor), and carries the
// "Canvas Zoom" menu.
#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QMenu;
class QToolButton;

namespace varnel {

class VeCanvasInfoCtrl : public QWidget {
    Q_OBJECT

public:
    // Where the zoom text and the menu button sit.
    static constexpr QRect textArea() { return QRect(1, 2, 48, 13); }
    static constexpr QRect menuButtonArea() { return QRect(50, 1, 16, 15); }
    // Typed zooms are held to this range, in percent.
    static constexpr double kMinTypedPercent = 0.0001;
    static constexpr double kMaxTypedPercent = 1600.0;

    explicit VeCanvasInfoCtrl(QWidget* parent = nullptr);

    // A zoom listener: the shown zoom and the view's minimum zoom (which greys the small fixed
    // zooms in the menu).
    void setZoom(float zoom, float minZoom);
    QString zoomText() const { return text_; }

    QMenu* zoomMenu() const { return menu_; }
    QLineEdit* editor() const { return edit_; }
    // Shows the editor over the text with the whole text selected, as a click does.
    void beginEdit();
    bool isEditing() const;

signals:
    // The user committed a typed zoom (percent, already held to the range).
    void zoomTyped(double percent);
    // A command chosen from the zoom menu.
    void commandTriggered(int command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitEdit();
    void cancelEdit();
    void updateMenuState();

    QString text_;
    float minZoom_ = 0.0001f;
    QLineEdit* edit_ = nullptr;
    QToolButton* menuButton_ = nullptr;
    QMenu* menu_ = nullptr;
    bool finishing_ = false;
};

}  // namespace varnel
