#include "widgets/skinnedframe.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

SkinnedFrame::SkinnedFrame(QWidget* window, std::function<void(int x, int y)> storePlace)
    : window(window)
    , storePlace(std::move(storePlace))
{
}

void SkinnedFrame::setSkin(const QString& path)
{
    original.load(path);
    fit(window->size());
}

void SkinnedFrame::fit(const QSize& size)
{
    scaled = original.isNull() ? QPixmap() : original.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void SkinnedFrame::paint() const
{
    QPainter painter(window);
    painter.setOpacity(opacity);
    painter.drawPixmap(QRect(QPoint(0, 0), scaled.size()), scaled);
}

void SkinnedFrame::press(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        grab = event->globalPos() - window->frameGeometry().topLeft();
    event->accept();
}

bool SkinnedFrame::drag(QMouseEvent* event)
{
    event->accept();
    if (!(event->buttons() & Qt::LeftButton))
        return false;
    window->move(event->globalPos() - grab);
    return true;
}

// Every release stores the place, moved or not.
void SkinnedFrame::release()
{
    if (storePlace)
        storePlace(window->x(), window->y());
}
