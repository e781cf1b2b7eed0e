#include "ui/toolbar/tool_bar_ex.h"

#include <memory>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QHelpEvent>
#include <QImage>
#include <QLayout>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimerEvent>
#include <QToolButton>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kIconColour = qRgb(0, 0, 255);

QIcon SolidIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor::fromRgb(kIconColour));
    return QIcon(pixmap);
}

void SendMouse(QWidget* target, QEvent::Type type, const QPoint& local, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, held, modifiers);
    QApplication::sendEvent(target, &event);
}

void MovePointerTo(QWidget* target, const QPoint& local = QPoint(5, 5)) {
    QCursor::setPos(target->mapToGlobal(local));
    SendMouse(target, QEvent::MouseMove, local, Qt::NoButton);
}

// The pointer goes somewhere no window of the test covers.
void MovePointerAway() { QCursor::setPos(QPoint(5000, 5000)); }

void Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    for (int round = 0; round < 50 && QApplication::activeWindow() != &window; ++round) {
        QApplication::processEvents();
    }
}

// Index of every item the fixture puts on the bar.
enum Item { kAdd, kWeb, kSearch, kSep1, kDelete, kSep2, kChecked, kDisabled };

class ToolBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QMainWindow>();
        bar_ = new CToolBarEx(QStringLiteral("Main"), window_.get());
        window_->addToolBar(bar_);
        for (const char* text : {"Add File(s)", "Add Web Site", "Add Search Project"}) {
            bar_->addAction(SolidIcon(), QString::fromLatin1(text));
        }
        bar_->addSeparator();
        bar_->addAction(SolidIcon(), QStringLiteral("Delete Entry"));
        bar_->addSeparator();
        QAction* checked = bar_->addAction(SolidIcon(), QStringLiteral("Checked"));
        checked->setCheckable(true);
        checked->setChecked(true);
        bar_->addAction(SolidIcon(), QStringLiteral("Disabled"))->setEnabled(false);
        window_->resize(640, 300);
        Activate(*window_);
        ASSERT_EQ(QApplication::activeWindow(), window_.get());
    }

    void TearDown() override { MovePointerAway(); }

    QAction* ActionAt(int index) const { return bar_->actions().at(index); }
    QWidget* ItemAt(int index) const { return bar_->widgetForAction(ActionAt(index)); }
    QToolButton* ButtonAt(int index) const { return qobject_cast<QToolButton*>(ItemAt(index)); }

    // The bar as it would appear on screen now.
    QImage Shot() const { return bar_->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // A pixel of the item `index`, given relative to the item's own top left.
    QRgb ItemPixel(const QImage& shot, int index, int x, int y) const {
        const QRect area = ItemAt(index)->geometry();
        const int px = x < 0 ? area.right() + 1 + x : area.left() + x;
        const int py = y < 0 ? area.bottom() + 1 + y : area.top() + y;
        return shot.pixel(px, py);
    }

    QRgb Colour(QPalette::ColorRole role) const { return bar_->palette().color(role).rgb(); }
    QRgb Face() const { return Colour(QPalette::Button); }
    QRgb Highlight() const { return Colour(QPalette::Light); }
    QRgb Shadow() const { return Colour(QPalette::Dark); }

    void ExpectRaised(const QImage& shot, int index) const {
        EXPECT_EQ(ItemPixel(shot, index, 0, 10), Highlight()) << "left edge of " << index;
        EXPECT_EQ(ItemPixel(shot, index, 10, 0), Highlight()) << "top edge of " << index;
        EXPECT_EQ(ItemPixel(shot, index, -1, 10), Shadow()) << "right edge of " << index;
        EXPECT_EQ(ItemPixel(shot, index, 10, -1), Shadow()) << "bottom edge of " << index;
    }

    void ExpectSunken(const QImage& shot, int index) const {
        EXPECT_EQ(ItemPixel(shot, index, 0, 10), Shadow()) << "left edge of " << index;
        EXPECT_EQ(ItemPixel(shot, index, 10, 0), Shadow()) << "top edge of " << index;
        EXPECT_EQ(ItemPixel(shot, index, -1, 10), Highlight()) << "right edge of " << index;
        EXPECT_EQ(ItemPixel(shot, index, 10, -1), Highlight()) << "bottom edge of " << index;
    }

    void ExpectFlat(const QImage& shot, int index) const {
        for (const QPoint& edge : {QPoint(0, 10), QPoint(10, 0), QPoint(-1, 10), QPoint(10, -1)}) {
            EXPECT_EQ(ItemPixel(shot, index, edge.x(), edge.y()), Face())
                << "edge " << edge.x() << "," << edge.y() << " of " << index;
        }
    }

    void ExpectGripper(const QImage& shot, bool horizontal) const {
        const int across = (horizontal ? shot.height() : shot.width()) / 2;
        const auto at = [&](int along) {
            return horizontal ? shot.pixel(along, across) : shot.pixel(across, along);
        };
        EXPECT_EQ(at(4), Highlight());
        EXPECT_EQ(at(5), Face());
        EXPECT_EQ(at(6), Shadow());
        EXPECT_EQ(at(7), Highlight());
        EXPECT_EQ(at(8), Face());
        EXPECT_EQ(at(9), Shadow());
    }

    std::unique_ptr<QMainWindow> window_;
    CToolBarEx* bar_ = nullptr;
};

TEST_F(ToolBarTest, OnlyTheButtonUnderThePointerIsRaised) {
    ExpectFlat(Shot(), kAdd);

    MovePointerTo(ButtonAt(kWeb));
    EXPECT_EQ(bar_->HotButton(), kWeb);
    const QImage shot = Shot();
    ExpectRaised(shot, kWeb);
    ExpectFlat(shot, kAdd);
    ExpectFlat(shot, kSearch);
    ExpectFlat(shot, kDelete);

    MovePointerTo(ButtonAt(kAdd));
    const QImage moved = Shot();
    ExpectRaised(moved, kAdd);
    ExpectFlat(moved, kWeb);
}

TEST_F(ToolBarTest, ImageIsCentredAndShiftedWhenDown) {
    const QImage shot = Shot();
    EXPECT_EQ(ItemAt(kAdd)->size(), QSize(39, 38));
    EXPECT_EQ(ItemPixel(shot, kAdd, 3, 3), kIconColour);
    EXPECT_EQ(ItemPixel(shot, kAdd, 34, 34), kIconColour);
    EXPECT_EQ(ItemPixel(shot, kAdd, 2, 3), Face());
    EXPECT_EQ(ItemPixel(shot, kAdd, 35, 34), Face());
    EXPECT_EQ(ItemPixel(shot, kChecked, 3, 10), Face()) << "checked image moves by one";
    EXPECT_EQ(ItemPixel(shot, kChecked, 4, 10), kIconColour);
}

TEST_F(ToolBarTest, LabelsGoUnderTheImageInTheLabelFont) {
    bar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar_->layout()->activate();
    window_->layout()->activate();
    const QImage shot = Shot();
    const QRect button = ItemAt(kAdd)->geometry();
    const int imageLeft = (button.width() - 32) / 2;
    const int imageTop = CToolBarEx::kLabelImageTop;
    EXPECT_EQ(ItemPixel(shot, kAdd, imageLeft, imageTop), kIconColour);
    EXPECT_EQ(ItemPixel(shot, kAdd, imageLeft + 31, imageTop + 31), kIconColour);
    EXPECT_EQ(ItemPixel(shot, kAdd, imageLeft, imageTop - 1), Face());

    int inked = 0;
    for (int y = imageTop + 33; y < button.height() - 3; ++y) {
        for (int x = 3; x < button.width() - 3; ++x) {
            if (ItemPixel(shot, kAdd, x, y) != Face()) ++inked;
        }
    }
    EXPECT_GT(inked, 0) << "the label is drawn below the image";
}

TEST_F(ToolBarTest, PointerLeavingTheBarDropsTheFrameOnTheNextTick) {
    MovePointerTo(ButtonAt(kAdd));
    ASSERT_NE(bar_->HoverTimerId(), 0);

    QTimerEvent stillInside(bar_->HoverTimerId());
    QApplication::sendEvent(bar_, &stillInside);
    EXPECT_EQ(bar_->HotButton(), kAdd);

    MovePointerAway();
    QTimerEvent tick(bar_->HoverTimerId());
    QApplication::sendEvent(bar_, &tick);
    EXPECT_EQ(bar_->HotButton(), -1);
    EXPECT_EQ(bar_->HoverTimerId(), 0);
    ExpectFlat(Shot(), kAdd);
}

// Where the pointer's position is not followed outside the window, only the
// bar's leave event tells that the pointer has gone.
TEST_F(ToolBarTest, ThePointerLeavingTheBarDropsTheFrameAtOnce) {
    MovePointerTo(ButtonAt(kAdd));
    ASSERT_EQ(bar_->HotButton(), kAdd);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(bar_, &leave);  // the pointer position still reads as on the button
    EXPECT_EQ(bar_->HotButton(), -1);
    EXPECT_EQ(bar_->HoverTimerId(), 0);
    ExpectFlat(Shot(), kAdd);
}

TEST_F(ToolBarTest, MovingOffAButtonWithinTheBarDropsItsFrameAtOnce) {
    MovePointerTo(ButtonAt(kAdd));
    MovePointerTo(ItemAt(kSep1), QPoint(2, 5));
    EXPECT_EQ(bar_->HotButton(), -1);
    ExpectFlat(Shot(), kAdd);
}

TEST_F(ToolBarTest, CheckedButtonIsSunkenWithCheckerboardAwayFromThePointer) {
    const QImage shot = Shot();
    ExpectSunken(shot, kChecked);
    EXPECT_EQ(ItemPixel(shot, kChecked, 1, 10), Face()) << "face frame inside the sunken one";
    const QRgb first = ItemPixel(shot, kChecked, 2, 2);
    const QRgb right = ItemPixel(shot, kChecked, 3, 2);
    const QRgb below = ItemPixel(shot, kChecked, 2, 3);
    const QRgb diagonal = ItemPixel(shot, kChecked, 3, 3);
    EXPECT_NE(first, right);
    EXPECT_EQ(right, below);
    EXPECT_EQ(first, diagonal);
    EXPECT_TRUE((first == Highlight() && right == Face()) || (first == Face() && right == Highlight()));

    MovePointerTo(ButtonAt(kChecked));
    const QImage hot = Shot();
    ExpectSunken(hot, kChecked);
    EXPECT_EQ(ItemPixel(hot, kChecked, 2, 2), Face());
    EXPECT_EQ(ItemPixel(hot, kChecked, 3, 2), Face());
}

TEST_F(ToolBarTest, SeparatorIsAnEtchedLineInItsMiddle) {
    const QImage shot = Shot();
    const QRect separator = ItemAt(kSep1)->geometry();
    ASSERT_EQ(separator.width(), CToolBarEx::kSeparatorExtent);
    const int middle = separator.left() + separator.width() / 2;
    const int row = separator.center().y();
    EXPECT_EQ(shot.pixel(middle - 1, row), Shadow());
    EXPECT_EQ(shot.pixel(middle, row), Highlight());
    EXPECT_EQ(shot.pixel(middle - 2, row), Face());
    EXPECT_EQ(shot.pixel(middle + 1, row), Face());
}

TEST_F(ToolBarTest, DockedBarShowsTwoRidgesAndButtonsStartAfterThem) {
    ExpectGripper(Shot(), true);
    EXPECT_GE(ItemAt(kAdd)->x(), CToolBarEx::kGripperInset + 6);

    window_->addToolBar(Qt::LeftToolBarArea, bar_);
    QApplication::processEvents();
    ASSERT_EQ(bar_->orientation(), Qt::Vertical);
    ExpectGripper(Shot(), false);
    EXPECT_GE(ItemAt(kAdd)->y(), CToolBarEx::kGripperInset + 6);
}

TEST_F(ToolBarTest, DockingOnEverySideKeepsTheFlatLook) {
    for (Qt::ToolBarArea area :
         {Qt::BottomToolBarArea, Qt::RightToolBarArea, Qt::LeftToolBarArea, Qt::TopToolBarArea}) {
        window_->addToolBar(area, bar_);
        QApplication::processEvents();
        EXPECT_EQ(window_->toolBarArea(bar_), area);
        MovePointerTo(ButtonAt(kSearch));
        const QImage shot = Shot();
        ExpectGripper(shot, bar_->orientation() == Qt::Horizontal);
        ExpectRaised(shot, kSearch);
        ExpectFlat(shot, kAdd);
    }
}

TEST_F(ToolBarTest, FloatingBarHasNoGripper) {
    // Drag the bar by its gripper well away from the window's edges.
    const QPoint grip(6, bar_->height() / 2);
    SendMouse(bar_, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    const QPoint away = grip + QPoint(200, 150);
    QMouseEvent move(QEvent::MouseMove, QPointF(away), QPointF(bar_->mapToGlobal(away)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar_, &move);
    SendMouse(bar_, QEvent::MouseButtonRelease, away, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(bar_->isFloating());

    const QImage shot = Shot();
    const int row = shot.height() / 2;
    for (int x = 4; x <= 9; ++x) EXPECT_EQ(shot.pixel(x, row), Face()) << x;
}

TEST_F(ToolBarTest, ShiftClickDoesNotPressAButton) {
    int triggered = 0;
    QObject::connect(ActionAt(kAdd), &QAction::triggered, [&triggered] { ++triggered; });
    QToolButton* button = ButtonAt(kAdd);

    SendMouse(button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_FALSE(button->isDown());
    SendMouse(button, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(triggered, 0);

    const QPoint grip(6, bar_->height() / 2);
    SendMouse(bar_, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::ShiftModifier);
    QMouseEvent drag(QEvent::MouseMove, QPointF(grip + QPoint(200, 150)),
                     QPointF(bar_->mapToGlobal(grip + QPoint(200, 150))), Qt::NoButton, Qt::LeftButton,
                     Qt::ShiftModifier);
    QApplication::sendEvent(bar_, &drag);
    SendMouse(bar_, QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_FALSE(bar_->isFloating()) << "Shift with a click does not take the gripper";

    SendMouse(button, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    EXPECT_TRUE(button->isDown());
    ExpectSunken(Shot(), kAdd);
    SendMouse(button, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton);
    EXPECT_EQ(triggered, 1);
}

TEST_F(ToolBarTest, DisabledButtonNeverLightsUpAndIsEmbossed) {
    MovePointerTo(ButtonAt(kDisabled));
    EXPECT_EQ(bar_->HotButton(), -1);
    const QImage shot = Shot();
    ExpectFlat(shot, kDisabled);
    EXPECT_EQ(ItemPixel(shot, kDisabled, 10, 10), Shadow()) << "the image turns to shadow";
    EXPECT_EQ(ItemPixel(shot, kDisabled, 35, 35), Highlight()) << "lit one pixel below right";
    EXPECT_EQ(ItemPixel(shot, kDisabled, 3, 35), Face());

    ActionAt(kDisabled)->setEnabled(true);
    MovePointerTo(ButtonAt(kDisabled));
    EXPECT_EQ(bar_->HotButton(), kDisabled);
    ActionAt(kDisabled)->setEnabled(false);
    const QImage disabledAgain = Shot();
    ExpectFlat(disabledAgain, kDisabled);
}

TEST_F(ToolBarTest, NoHotTrackingWhileAModalDialogIsOpen) {
    QDialog dialog(window_.get());
    dialog.setModal(true);
    Activate(dialog);
    ASSERT_NE(QApplication::activeWindow(), window_.get());

    MovePointerTo(ButtonAt(kAdd));
    EXPECT_EQ(bar_->HotButton(), -1);
    ExpectFlat(Shot(), kAdd);
    dialog.hide();
}

TEST_F(ToolBarTest, NoHotTrackingWhileTheWindowIsDisabled) {
    window_->setEnabled(false);
    MovePointerTo(ButtonAt(kAdd));
    EXPECT_EQ(bar_->HotButton(), -1);
    window_->setEnabled(true);
    MovePointerTo(ButtonAt(kAdd));
    EXPECT_EQ(bar_->HotButton(), kAdd);
}

TEST_F(ToolBarTest, AHotButtonGoesFlatWhenAModalDialogOpens) {
    MovePointerTo(ButtonAt(kAdd));
    ASSERT_EQ(bar_->HotButton(), kAdd);
    QDialog dialog(window_.get());
    dialog.setModal(true);
    Activate(dialog);

    QTimerEvent tick(bar_->HoverTimerId());
    QApplication::sendEvent(bar_, &tick);
    EXPECT_EQ(bar_->HotButton(), -1);
    ExpectFlat(Shot(), kAdd);
    dialog.hide();
}

TEST_F(ToolBarTest, PaletteChangeRepaintsInTheNewColours) {
    MovePointerTo(ButtonAt(kAdd));
    QPalette colours = bar_->palette();
    colours.setColor(QPalette::Button, QColor(200, 180, 120));
    colours.setColor(QPalette::Light, QColor(250, 240, 200));
    colours.setColor(QPalette::Dark, QColor(100, 80, 30));
    bar_->setPalette(colours);

    const QImage shot = Shot();
    EXPECT_EQ(Face(), qRgb(200, 180, 120));
    ExpectRaised(shot, kAdd);
    ExpectFlat(shot, kWeb);
    ExpectGripper(shot, true);
}

TEST_F(ToolBarTest, ButtonsShowNoToolTipUnlessOneWasGiven) {
    QToolButton* button = ButtonAt(kAdd);
    ActionAt(kAdd)->setText(QStringLiteral("&Add File(s)..."));
    QHelpEvent ask(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &ask);
    EXPECT_FALSE(QToolTip::isVisible());

    ActionAt(kAdd)->setToolTip(QStringLiteral("Adds files"));
    QHelpEvent askAgain(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(button, &askAgain);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Adds files"));
    QToolTip::hideText();
}

}  // namespace
