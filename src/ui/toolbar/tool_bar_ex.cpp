#include "ui/toolbar/tool_bar_ex.h"

#include <vector>

#include <QAction>
#include <QActionEvent>
#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QImage>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTimerEvent>
#include <QToolButton>
#include <QWidgetAction>

namespace {

// The bar's geometry: the gripper's room, tight margins and separator width.
// One instance serves every bar; it lives as long as the application so that
// no widget outlives the style it was given.
class FlatBarStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
            case PM_ToolBarHandleExtent: return CToolBarEx::kGripperExtent;
            case PM_ToolBarItemMargin: return CToolBarEx::kItemMargin;
            case PM_ToolBarItemSpacing:
            case PM_ToolBarFrameWidth: return 0;
            case PM_ToolBarSeparatorExtent: return CToolBarEx::kSeparatorExtent;
            default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

QStyle* TheFlatBarStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new FlatBarStyle;
        style->setParent(qApp);
    }
    return style;
}

// The font of text labels under the images: the desktop's general font at
// a fixed small height.
QFont MakeLabelFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(6);
    return font;
}

// What QAction reports as its tool tip when none was set: the text without
// "..." and without mnemonic markers ("&&" stands for one '&').
QString DerivedToolTip(QString text) {
    text.remove(QStringLiteral("..."));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) text.remove(i, 1);
    }
    return text.trimmed();
}

bool SameColour(QRgb pixel, const QColor& colour) {
    return qRed(pixel) == colour.red() && qGreen(pixel) == colour.green() && qBlue(pixel) == colour.blue();
}

}  // namespace

void Draw3dRect(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight) {
    const int x = rect.x();
    const int y = rect.y();
    const int w = rect.width();
    const int h = rect.height();
    painter.fillRect(x, y, w - 1, 1, topLeft);
    painter.fillRect(x, y, 1, h - 1, topLeft);
    painter.fillRect(x + w - 1, y, 1, h, bottomRight);
    painter.fillRect(x, y + h - 1, w, 1, bottomRight);
}

CToolBarEx::CToolBarEx(QWidget* parent) : QToolBar(parent) { Init(); }

CToolBarEx::CToolBarEx(const QString& title, QWidget* parent) : QToolBar(title, parent) { Init(); }

CToolBarEx::~CToolBarEx() = default;

void CToolBarEx::Init() {
    setStyle(TheFlatBarStyle());
    setIconSize(QSize(32, 32));
    setMouseTracking(true);
    labelFont_ = MakeLabelFont();
    ReadColours();
    connect(this, &QToolBar::iconSizeChanged, this, [this] { SizeButtons(); });
    connect(this, &QToolBar::toolButtonStyleChanged, this, [this] { SizeButtons(); });
    connect(this, &QToolBar::topLevelChanged, this, [this] { update(); });
    connect(this, &QToolBar::orientationChanged, this, [this] { RepaintItems(); });
}

// Button face, highlight, shadow and the light tone between face and
// highlight, as the palette gives them now.
void CToolBarEx::ReadColours() {
    const QPalette& colours = palette();
    face_ = colours.color(QPalette::Active, QPalette::Button);
    highlight_ = colours.color(QPalette::Active, QPalette::Light);
    shadow_ = colours.color(QPalette::Active, QPalette::Dark);
    light3d_ = colours.color(QPalette::Active, QPalette::Midlight);
}

void CToolBarEx::actionEvent(QActionEvent* event) {
    QToolBar::actionEvent(event);
    switch (event->type()) {
        case QEvent::ActionAdded:
        case QEvent::ActionChanged: WatchItem(event->action()); break;
        case QEvent::ActionRemoved: DropHotButton(); break;
        default: break;
    }
}

// Takes over the painting of the widget QToolBar made for `action`, if it is
// one of its own buttons or separators; widgets added by the caller draw
// themselves.
void CToolBarEx::WatchItem(QAction* action) {
    if (qobject_cast<QWidgetAction*>(action) != nullptr) return;
    QWidget* item = widgetForAction(action);
    if (item == nullptr) return;
    item->installEventFilter(this);
    item->setMouseTracking(true);
    if (action->isSeparator()) {
        if (item->style() != TheFlatBarStyle()) item->setStyle(TheFlatBarStyle());
    } else if (auto* button = qobject_cast<QToolButton*>(item)) {
        SizeButton(button);
    }
}

QToolButton* CToolBarEx::ButtonFor(const QAction* action) const {
    if (action->isSeparator() || qobject_cast<const QWidgetAction*>(action) != nullptr) {
        return nullptr;
    }
    return qobject_cast<QToolButton*>(widgetForAction(const_cast<QAction*>(action)));
}

void CToolBarEx::SizeButtons() {
    for (QAction* action : actions()) {
        if (QToolButton* button = ButtonFor(action)) SizeButton(button);
    }
    RepaintItems();
}

// Image-only buttons are the image plus a fixed margin; labelled buttons take
// the size their text needs in the label font.
void CToolBarEx::SizeButton(QToolButton* button) const {
    if (HasLabels(button)) {
        button->setFont(labelFont_);
        button->setMinimumSize(0, 0);
        button->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        button->setFont(QFont());
        button->setFixedSize(iconSize() + QSize(kButtonExtraWidth, kButtonExtraHeight));
    }
}

bool CToolBarEx::HasLabels(const QToolButton* button) const {
    Qt::ToolButtonStyle buttonStyle = toolButtonStyle();
    if (buttonStyle == Qt::ToolButtonFollowStyle) {
        buttonStyle =
            static_cast<Qt::ToolButtonStyle>(style()->styleHint(QStyle::SH_ToolButtonStyle, nullptr, button));
    }
    return buttonStyle != Qt::ToolButtonIconOnly;
}

void CToolBarEx::RepaintItems() {
    update();
    for (QAction* action : actions()) {
        if (QWidget* item = widgetForAction(action)) item->update();
    }
}

bool CToolBarEx::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::PaletteChange:
            ReadColours();
            RepaintItems();
            break;
        case QEvent::Leave:
            // The pointer has left the bar (not just for one of its buttons):
            // drop the raised frame now. Where the pointer's position is not
            // followed outside the window (Wayland), the hover timer would
            // still find it on the button it last crossed.
            DropHotButton();
            hoverTimer_.stop();
            break;
        default:
            if (ConsumesPointerEvent(event)) return true;
            break;
    }
    return QToolBar::event(event);
}

bool CToolBarEx::eventFilter(QObject* watched, QEvent* event) {
    auto* item = qobject_cast<QWidget*>(watched);
    if (item == nullptr) return QToolBar::eventFilter(watched, event);
    auto* button = qobject_cast<QToolButton*>(item);
    switch (event->type()) {
        case QEvent::Paint:
            if (button != nullptr) {
                PaintButton(button);
            } else {
                PaintSeparator(item);
            }
            return true;
        case QEvent::ToolTip:
            // Only an explicitly given tool tip is shown; QAction would otherwise
            // offer the command's text.
            if (button != nullptr && button->defaultAction() != nullptr &&
                IsToolTipOwnText(button->defaultAction())) {
                return true;
            }
            break;
        default:
            if (ConsumesPointerEvent(event)) return true;
            break;
    }
    return QToolBar::eventFilter(watched, event);
}

// Pointer events of the bar and of its buttons alike: moves drive the hot
// tracking; a click with Shift is swallowed, so it presses nothing.
bool CToolBarEx::ConsumesPointerEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            TrackPointer(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: return IsShiftClick(event);
        default: return false;
    }
}

bool CToolBarEx::IsShiftClick(const QEvent* event) const {
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier);
}

bool CToolBarEx::IsToolTipOwnText(const QAction* action) const {
    return action->toolTip() == DerivedToolTip(action->text());
}

// Hot tracking follows the pointer only while the program's window is the
// active one and takes input: not behind another program, not under a modal
// dialog.
bool CToolBarEx::TrackingAllowed() const {
    const QWidget* topLevel = window();
    if (isWindow() && parentWidget() != nullptr) topLevel = parentWidget()->window();
    if (!topLevel->isEnabled()) return false;
    const QWidget* active = QApplication::activeWindow();
    if (active == nullptr) return false;
    if (QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != topLevel) {
        return false;
    }
    return active == topLevel || active == window();
}

void CToolBarEx::TrackPointer(const QPoint& globalPos) {
    if (!TrackingAllowed()) return;
    const int oldHot = hotButton_;
    hotButton_ = -1;
    const QList<QAction*> items = actions();
    for (int index = 0; index < items.size(); ++index) {
        const QToolButton* button = ButtonFor(items[index]);
        if (button == nullptr || !button->isVisible() || !button->isEnabled()) continue;
        if (button->rect().contains(button->mapFromGlobal(globalPos))) {
            if (index != oldHot) InvalidateButton(index);
            hotButton_ = index;
        } else if (index == oldHot) {
            InvalidateButton(index);
        }
    }
    hoverTimer_.start(kHoverIntervalMs, this);
}

void CToolBarEx::timerEvent(QTimerEvent* event) {
    if (event->timerId() != hoverTimer_.timerId()) {
        QToolBar::timerEvent(event);
        return;
    }
    CheckHover();
}

// Mouse moves stop coming once the pointer is off the bar, so the timer
// takes the frame off a button the pointer has left.
void CToolBarEx::CheckHover() {
    if (hotButton_ >= 0) {
        const bool pointerInBar = rect().contains(mapFromGlobal(QCursor::pos()));
        if (!pointerInBar || !TrackingAllowed()) DropHotButton();
    }
    if (hotButton_ < 0) hoverTimer_.stop();
}

void CToolBarEx::DropHotButton() {
    if (hotButton_ < 0) return;
    InvalidateButton(hotButton_);
    hotButton_ = -1;
}

void CToolBarEx::InvalidateButton(int index) const {
    const QList<QAction*> items = actions();
    if (index < 0 || index >= items.size()) return;
    if (QToolButton* button = ButtonFor(items[index])) button->update();
}

CToolBarEx::ButtonState CToolBarEx::StateOf(const QToolButton* button, int index) const {
    ButtonState state;
    state.enabled = button->isEnabled();
    state.hot = state.enabled && index == hotButton_;
    state.down = button->isChecked() || button->isDown();
    return state;
}

// Buttons are drawn on an image first: a disabled one is embossed from what
// was drawn.
void CToolBarEx::PaintButton(QToolButton* button) {
    const int index = static_cast<int>(actions().indexOf(button->defaultAction()));
    const ButtonState state = StateOf(button, index);
    const qreal ratio = button->devicePixelRatioF();
    QImage canvas(button->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    {
        QPainter painter(&canvas);
        DrawButton(painter, button, state);
    }
    if (!state.enabled) {
        QRect embossed = canvas.rect();
        if (state.down) embossed.adjust(1, 1, -1, -1);
        DrawDisabledButton(canvas, embossed);
    }
    QPainter(button).drawImage(0, 0, canvas);
}

void CToolBarEx::DrawButton(QPainter& painter, const QToolButton* button, const ButtonState& state) const {
    const QRect rect = button->rect();
    painter.fillRect(rect, !state.down || state.hot ? face_ : light3d_);
    if (!state.down) {
        if (state.hot) {
            Draw3dRect(painter, rect, highlight_, shadow_);
        } else if (state.enabled) {
            Draw3dRect(painter, rect, face_, face_);
        }
    } else {
        Draw3dRect(painter, rect, shadow_, highlight_);
        if (!state.hot) {
            Draw3dRect(painter, rect.adjusted(1, 1, -1, -1), face_, face_);
            FillHalftone(painter, rect.adjusted(2, 2, -2, -2), button->mapTo(this, QPoint()));
        }
    }

    const QSize image = iconSize();
    const bool labelled = HasLabels(button);
    const int shift = state.down ? 1 : 0;
    const int imageLeft = (rect.width() - image.width()) / 2 + shift;
    const int imageTop = (labelled ? kLabelImageTop : (rect.height() - image.height()) / 2) + shift;
    const QIcon::State iconState = button->isChecked() ? QIcon::On : QIcon::Off;
    button->icon().paint(&painter, QRect(QPoint(imageLeft, imageTop), image), Qt::AlignCenter, QIcon::Normal,
                         iconState);
    if (labelled) DrawLabel(painter, button, rect.translated(shift, shift), imageTop - shift);
}

void CToolBarEx::DrawLabel(QPainter& painter, const QToolButton* button, const QRect& rect,
                           int imageTop) const {
    const QRect area(QPoint(rect.left() + 3, rect.top() + imageTop + iconSize().height() + 1),
                     QPoint(rect.right() - 3, rect.bottom() - 3));
    painter.setFont(labelFont_);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, button->text());
}

// The halftone pattern of a checked button: highlight and face pixels in a
// checkerboard whose phase follows the bar, so neighbours line up.
void CToolBarEx::FillHalftone(QPainter& painter, const QRect& rect, const QPoint& origin) const {
    QImage tile(2, 2, QImage::Format_RGB32);
    tile.setPixel(0, 0, highlight_.rgb());
    tile.setPixel(1, 1, highlight_.rgb());
    tile.setPixel(1, 0, face_.rgb());
    tile.setPixel(0, 1, face_.rgb());
    QBrush pattern(tile);
    pattern.setTransform(QTransform::fromTranslate(-origin.x(), -origin.y()));
    painter.fillRect(rect, pattern);
}

void CToolBarEx::DrawDisabledButton(QImage& canvas, const QRect& rect) const {
    const QRect area = rect.intersected(canvas.rect());
    const auto offset = [&](int x, int y) {
        return static_cast<size_t>(y - area.top()) * area.width() + (x - area.left());
    };
    std::vector<bool> ink(static_cast<size_t>(area.width()) * area.height());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = canvas.pixel(x, y);
            ink[offset(x, y)] = !SameColour(pixel, face_) && !SameColour(pixel, highlight_);
        }
    }
    const auto paintInk = [&](int dx, int dy, const QColor& colour) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (ink[offset(x, y)] && area.contains(x + dx, y + dy)) {
                    canvas.setPixel(x + dx, y + dy, colour.rgb());
                }
            }
        }
    };
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) canvas.setPixel(x, y, face_.rgb());
    }
    paintInk(1, 1, highlight_);
    paintInk(0, 0, shadow_);
}

void CToolBarEx::PaintSeparator(QWidget* separator) {
    QPainter painter(separator);
    painter.fillRect(separator->rect(), face_);
    DrawSeparator(painter, separator->rect());
}

void CToolBarEx::DrawSeparator(QPainter& painter, const QRect& rect) const {
    if (orientation() == Qt::Horizontal) {
        if (rect.width() > kSeparatorExtent) return;
        const int middle = rect.left() + rect.width() / 2;
        Draw3dRect(painter, QRect(middle - 1, rect.top(), 2, rect.height()), shadow_, highlight_);
    } else {
        if (rect.height() > kSeparatorExtent) return;
        const int middle = rect.top() + rect.height() / 2;
        Draw3dRect(painter, QRect(rect.left(), middle - 1, rect.width(), 2), shadow_, highlight_);
    }
}

void CToolBarEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), face_);
    DrawBorders(painter, rect());
    DrawGripper(painter);
}

// A floating bar gets a raised edge of its own; docked, the window around it
// draws the edges.
void CToolBarEx::DrawBorders(QPainter& painter, const QRect& rect) const {
    if (isFloating()) Draw3dRect(painter, rect, highlight_, shadow_);
}

void CToolBarEx::DrawGripper(QPainter& painter) const {
    const bool canDock = isMovable() && qobject_cast<QMainWindow*>(parentWidget()) != nullptr;
    if (isFloating() || !canDock) return;
    const QRect inner = rect().adjusted(kGripperInset, kGripperInset, -kGripperInset, -kGripperInset);
    const bool horizontal = orientation() == Qt::Horizontal;
    QRect ridge = horizontal ? QRect(inner.left(), inner.top(), 3, inner.height())
                             : QRect(inner.left(), inner.top(), inner.width(), 3);
    const QPoint step = horizontal ? QPoint(3, 0) : QPoint(0, 3);
    for (int count = 0; count < 2; ++count) {
        Draw3dRect(painter, QStyle::visualRect(layoutDirection(), rect(), ridge), highlight_, shadow_);
        ridge.translate(step);
    }
}
