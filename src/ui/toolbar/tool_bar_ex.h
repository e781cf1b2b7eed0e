#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QToolBar>

class QAction;
class QImage;
class QPainter;
class QToolButton;

// The main window's toolbar, drawn flat: a button shows no frame until the
// pointer rests on it, then it is drawn raised; pressed or checked buttons are
// sunken. Docked bars carry a two-ridge gripper at their leading edge,
// separators are etched lines and disabled buttons are embossed.
//
// It is used like QToolBar (addAction, addSeparator); the bar paints its
// buttons and separators itself and leaves everything else to QToolBar.
class CToolBarEx : public QToolBar {
    Q_OBJECT

public:
    explicit CToolBarEx(QWidget* parent = nullptr);
    explicit CToolBarEx(const QString& title, QWidget* parent = nullptr);
    ~CToolBarEx() override;

    // Index (in actions()) of the button drawn raised under the pointer, -1 for none.
    int HotButton() const { return hotButton_; }
    // Identifier of the timer that drops the raised frame once the pointer
    // has left the bar; 0 while it does not run.
    int HoverTimerId() const { return hoverTimer_.timerId(); }

    // Room the bar keeps at its leading edge for the two-ridge gripper.
    static constexpr int kGripperExtent = 8;
    // Distance from the bar's edges to the gripper's ridges.
    static constexpr int kGripperInset = 4;
    // Room between the bar's edges and its items.
    static constexpr int kItemMargin = 2;
    // With text labels, the image sits this far below the button's top.
    static constexpr int kLabelImageTop = 3;
    // A button is its image plus this much room around it.
    static constexpr int kButtonExtraWidth = 7;
    static constexpr int kButtonExtraHeight = 6;
    // Separators wider than this hold room for controls and draw no line.
    static constexpr int kSeparatorExtent = 8;
    // How often the bar checks whether the pointer has left it.
    static constexpr int kHoverIntervalMs = 250;

protected:
    // Embosses what `rect` of `canvas` shows: the button-face and highlight
    // pixels become background, the rest a shadow with a highlight offset.
    virtual void DrawDisabledButton(QImage& canvas, const QRect& rect) const;
    // An etched line across the middle of a separator.
    virtual void DrawSeparator(QPainter& painter, const QRect& rect) const;
    // The two ridges at the leading edge of a docked bar.
    virtual void DrawGripper(QPainter& painter) const;
    virtual void DrawBorders(QPainter& painter, const QRect& rect) const;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    struct ButtonState {
        bool enabled = false;
        bool hot = false;
        bool down = false;
    };

    void Init();
    void ReadColours();
    void WatchItem(QAction* action);
    void SizeButtons();
    void SizeButton(QToolButton* button) const;
    void RepaintItems();

    QToolButton* ButtonFor(const QAction* action) const;
    ButtonState StateOf(const QToolButton* button, int index) const;

    bool TrackingAllowed() const;
    void TrackPointer(const QPoint& globalPos);
    void CheckHover();
    void DropHotButton();
    void InvalidateButton(int index) const;

    void PaintButton(QToolButton* button);
    void DrawButton(QPainter& painter, const QToolButton* button, const ButtonState& state) const;
    void DrawLabel(QPainter& painter, const QToolButton* button, const QRect& rect, int imageTop) const;
    void FillHalftone(QPainter& painter, const QRect& rect, const QPoint& origin) const;
    void PaintSeparator(QWidget* separator);

    bool HasLabels(const QToolButton* button) const;
    bool ConsumesPointerEvent(QEvent* event);
    bool IsShiftClick(const QEvent* event) const;
    bool IsToolTipOwnText(const QAction* action) const;

    QFont labelFont_;
    QColor face_;
    QColor highlight_;
    QColor shadow_;
    QColor light3d_;
    int hotButton_ = -1;
    QBasicTimer hoverTimer_;
};

// Draws the 3D frame the bar is made of: `topLeft` on the top and left
// edges, `bottomRight` on the right and bottom ones (corners as they fall).
void Draw3dRect(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight);
