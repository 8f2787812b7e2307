// Windows open wholly on one screen: a saved place from another screen layout or scale
// factor, or a dialog larger than a small screen, is moved and if need be shrunk until the
// window and its frame fit the screen's available area.
#pragma once

#include <QMargins>
#include <QRect>

class QScreen;
class QWidget;

namespace velmora {

// The screen a window without a parent opens on: the one holding the pointer, else the
// primary one.
QScreen* ScreenForNewWindow();

// The screen of the saved rectangle when one holds it whole, else the pointer's.
QScreen* ScreenForSavedPlace(const QRect& place);

// inner (the window without its frame, as move and resize take it) moved, and shrunk as
// far as minimum allows, so that inner with frame about it lies inside available.
QRect FittedPlace(QRect inner, const QMargins& frame, const QRect& available, QSize minimum);

// The frame the window manager puts about a window: a shown window's own, else that of
// another shown window of the program, else an allowance for a title bar and borders.
QMargins ExpectedFrame(const QWidget* window);

// Sizes and places a top-level window that is about to be shown inside the available area
// of its parent's screen, or of ScreenForNewWindow() for a window without a parent.
void FitOnScreen(QWidget* window);

} // namespace velmora
