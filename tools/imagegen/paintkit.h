#pragma once

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

// Small drawing toolkit shared by all the image painters.
namespace kit {

// Transparent ARGB32 premultiplied image.
QImage canvas(int width, int height);

// Painter with antialiasing and smooth pixmap transforms switched on.
void prepare(QPainter &p);

// Approximate gaussian blur (three box passes). Radius is in pixels.
QImage blurred(const QImage &src, int radius);

// Paints a blurred silhouette of `path` (given in the painter's current
// coordinates) under whatever is drawn next. The offset is in device pixels,
// so shadows stay round even under a non-uniform painter scale.
void softShadow(QPainter &p, const QPainterPath &path, QPointF offsetPx,
                int blurPx, const QColor &color);

QLinearGradient vertical(const QRectF &r, const QColor &top, const QColor &bottom);

QColor withAlpha(QColor c, int alpha);

// Rounded rectangle inset by half a pen width, so a stroke of that width
// stays entirely inside `r`.
QPainterPath insetRoundRect(const QRectF &r, qreal inset, qreal rx, qreal ry);

bool save(const QImage &img, const QString &dir, const QString &name);

} // namespace kit
