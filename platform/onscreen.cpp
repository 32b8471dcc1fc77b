#include "platform/onscreen.h"

#include "platform/platform.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

#include <limits>

namespace onscreen {

int areaIndexFor(const QRect& frame, const QList<QRect>& areas)
{
    int best = -1;
    qint64 bestOverlap = 0;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int i = 0; i < areas.size(); ++i) {
        const QRect overlap = areas[i].intersected(frame);
        const qint64 shared = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        const QPoint centre = frame.center();
        const QRect& a = areas[i];
        const qint64 dx = centre.x() < a.left() ? a.left() - centre.x() : qMax(0, centre.x() - a.right());
        const qint64 dy = centre.y() < a.top() ? a.top() - centre.y() : qMax(0, centre.y() - a.bottom());
        const qint64 distance = dx * dx + dy * dy;
        if (shared > bestOverlap || (bestOverlap == 0 && shared == 0 && distance < bestDistance)) {
            best = i;
            bestOverlap = shared;
            bestDistance = distance;
        }
    }
    return best;
}

QRect fitted(const QRect& frame, const QRect& area, const QSize& minimum, bool shrink)
{
    QRect result = frame;
    if (shrink) {
        result.setWidth(qMax(qMin(frame.width(), area.width()), minimum.width()));
        result.setHeight(qMax(qMin(frame.height(), area.height()), minimum.height()));
    }
    // Right and bottom first, so that a window larger than the area ends up
    // with its top-left corner inside it.
    if (result.right() > area.right())
        result.moveRight(area.right());
    if (result.bottom() > area.bottom())
        result.moveBottom(area.bottom());
    if (result.left() < area.left())
        result.moveLeft(area.left());
    if (result.top() < area.top())
        result.moveTop(area.top());
    return result;
}

namespace {

class Keeper : public QObject
{
public:
    Keeper(QWidget* window, Fit fit)
        : QObject(window)
        , window(window)
        , fit(fit)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            sinceShown.start();
            apply();
            break;
        case QEvent::Resize:
            if (window->isVisible())
                apply();
            break;
        case QEvent::Move:
            // A window manager frames a window only once it is mapped, and
            // moves it doing so: the frame is known from then on. Later
            // moves are the user's own.
            if (window->isVisible() && sinceShown.isValid() && sinceShown.elapsed() < 1000)
                apply();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void apply()
    {
        const QList<QRect> areas = Platform::instance().screenAreas();
        const QRect frame = window->frameGeometry();
        const int index = areaIndexFor(frame, areas);
        if (index < 0)
            return;
        // The frame around the window's own area, as far as it is known.
        const QSize border = frame.size() - window->size();
        const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize()) + border;
        const QRect target = fitted(frame, areas[index], smallest, fit == Fit::MoveAndShrink);
        if (target.size() != frame.size())
            window->resize(target.size() - border);
        if (target.topLeft() != frame.topLeft())
            window->move(target.topLeft());
    }

    QWidget* window;
    Fit fit;
    QElapsedTimer sinceShown;
};

}  // namespace

void keep(QWidget* window, Fit fit)
{
    new Keeper(window, fit);
}

}  // namespace onscreen
