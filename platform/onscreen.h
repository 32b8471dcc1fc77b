#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

// Keeps the gadgets' windows where the user can see and reach them: a
// stored position may belong to a monitor that is gone, and a window that
// grows may grow past the screen's edge.
namespace onscreen {

// Which of `areas` a window whose frame is `frame` belongs to: the one it
// overlaps most, else the nearest; -1 when there are none.
int areaIndexFor(const QRect& frame, const QList<QRect>& areas);

// `frame` moved into `area`, and shrunk towards `minimum` as far as needed
// when `shrink` is set. What still does not fit keeps its top-left corner in
// the area, where a title bar and a menu stay within reach.
QRect fitted(const QRect& frame, const QRect& area, const QSize& minimum = QSize(), bool shrink = false);

enum class Fit { Move, MoveAndShrink };

// From now on, each time `window` is shown or resized it is moved (and, with
// MoveAndShrink, shrunk) into the available area of a screen that exists.
// Only the window changes; nothing is stored.
void keep(QWidget* window, Fit fit = Fit::Move);

}  // namespace onscreen
