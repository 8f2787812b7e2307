#include "gui/screen_fit.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace velmora {
namespace {

// Until the window manager has framed a window its frame is unknown: room for a title bar
// and thin borders, which most window managers draw no larger.
constexpr QMargins kFrameAllowance(4, 32, 4, 4);

QMargins FrameOf(const QWidget* window) {
    QRect inner = window->geometry();
    QRect outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

// One axis: start moved into [low, high - length], or to low when the length does not fit.
int FittedStart(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

} // namespace

QScreen* ScreenForNewWindow() {
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        return screen;
    return QGuiApplication::primaryScreen();
}

QScreen* ScreenForSavedPlace(const QRect& place) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(place))
            return screen;
    return ScreenForNewWindow();
}

QRect FittedPlace(QRect inner, const QMargins& frame, const QRect& available, QSize minimum) {
    QRect room = available.marginsRemoved(frame);
    int width = std::max(std::min(inner.width(), room.width()), minimum.width());
    int height = std::max(std::min(inner.height(), room.height()), minimum.height());
    int x = FittedStart(inner.x(), width, room.left(), room.left() + room.width());
    int y = FittedStart(inner.y(), height, room.top(), room.top() + room.height());
    return {x, y, width, height};
}

QMargins ExpectedFrame(const QWidget* window) {
    if (window->isVisible())
        return FrameOf(window);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible() && other->isWindow() &&
            other->windowType() != Qt::Popup && other->windowType() != Qt::ToolTip)
            return FrameOf(other);
    return kFrameAllowance;
}

void FitOnScreen(QWidget* window) {
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    bool overParent = parent && parent->isVisible();
    QScreen* screen = overParent ? parent->screen() : ScreenForNewWindow();
    if (!screen)
        return;
    QMargins frame = ExpectedFrame(window);
    QSize size = window->testAttribute(Qt::WA_Resized)
                     ? window->size()
                     : window->sizeHint().expandedTo(window->minimumSize());
    QRect inner({0, 0}, size);
    inner.moveCenter(overParent ? parent->frameGeometry().center()
                                : screen->availableGeometry().center());
    QRect fitted = FittedPlace(inner, frame, screen->availableGeometry(), window->minimumSize());
    // A window's position is that of its frame; its size is its inside.
    window->move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
    window->resize(fitted.size());
}

} // namespace velmora
