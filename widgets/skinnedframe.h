#pragma once

#include <QPixmap>
#include <QPoint>
#include <functional>

class QMouseEvent;
class QSize;
class QWidget;

// What the frameless skinned gadgets share: a picture stretched over the
// whole window and painted at an opacity, and a drag with the left button
// that moves the window, its place stored at every release.
class SkinnedFrame
{
public:
    // `storePlace` is given the window's position after each release.
    SkinnedFrame(QWidget* window, std::function<void(int x, int y)> storePlace);

    // No picture, or one that does not load, paints nothing.
    void setSkin(const QString& path);
    void setOpacity(double value) { opacity = value; }
    // At every resize: the picture is stretched to the new size.
    void fit(const QSize& size);
    // From the window's paint event.
    void paint() const;
    const QPixmap& skin() const { return scaled; }

    void press(QMouseEvent* event);
    // True when the left button is held and the window was moved.
    bool drag(QMouseEvent* event);
    void release();

private:
    QWidget* window;
    std::function<void(int, int)> storePlace;
    QPixmap original;
    QPixmap scaled;
    double opacity = 1.0;
    QPoint grab;
};
