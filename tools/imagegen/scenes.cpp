// Larger pictures: the chat window background and the archiving splash.

#include "drawings.h"
#include "paintkit.h"

#include <QFont>
#include <QFontMetricsF>
#include <QtMath>

namespace draw {

namespace {

QPainterPath bubble(QPointF topLeft, qreal w, qreal h)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(topLeft, QSizeF(w, h)), h * 0.35, h * 0.35);
    QPainterPath tail;
    tail.moveTo(topLeft + QPointF(w * 0.22, h - 0.5));
    tail.lineTo(topLeft + QPointF(w * 0.16, h + h * 0.45));
    tail.lineTo(topLeft + QPointF(w * 0.45, h - 0.5));
    tail.closeSubpath();
    return path.united(tail).simplified();
}

// Paper sheet with a folded top-right corner.
QPainterPath sheetPath(const QRectF &r, qreal fold)
{
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    return path;
}

void drawSheet(QPainter &p, const QRectF &r, qreal fold, bool withText)
{
    const QPainterPath sheet = sheetPath(r, fold);
    kit::softShadow(p, sheet, QPointF(1.5, 3), 6, QColor(0x10, 0x20, 0x40, 70));
    p.fillPath(sheet, kit::vertical(r, QColor(0xff, 0xff, 0xff), QColor(0xe6, 0xec, 0xf3)));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x7e, 0x8c, 0x9e), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(sheet);

    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.setBrush(kit::vertical(corner.boundingRect(), QColor(0xf4, 0xf7, 0xfb), QColor(0xc6, 0xd0, 0xdc)));
    p.setPen(QPen(QColor(0x7e, 0x8c, 0x9e), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(corner);

    if (!withText)
        return;
    // Heading bar then body lines of varying length.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x74, 0xd0));
    p.drawRoundedRect(QRectF(r.left() + 8, r.top() + 9, r.width() * 0.45, 4), 2, 2);
    const qreal lengths[] = {0.78, 0.70, 0.80, 0.62, 0.76, 0.50};
    p.setBrush(QColor(0xa8, 0xb4, 0xc4));
    qreal y = r.top() + 22;
    for (qreal len : lengths) {
        p.drawRoundedRect(QRectF(r.left() + 8, y, (r.width() - 16) * len, 2.6), 1.3, 1.3);
        y += 7.5;
    }
}

// Database drum: a stack of discs shaded like a metal cylinder.
void drawDrum(QPainter &p, const QRectF &r, int discs)
{
    const qreal capH = r.width() * 0.28;
    const qreal bodyTop = r.top() + capH / 2;
    const qreal bodyBottom = r.bottom() - capH / 2;

    QPainterPath outline;
    outline.moveTo(r.left(), bodyTop);
    outline.lineTo(r.left(), bodyBottom);
    outline.arcTo(QRectF(r.left(), bodyBottom - capH / 2, r.width(), capH), 180, 180);
    outline.lineTo(r.right(), bodyTop);
    outline.arcTo(QRectF(r.left(), r.top(), r.width(), capH), 0, 180);
    outline.closeSubpath();
    kit::softShadow(p, outline, QPointF(1.5, 3), 6, QColor(0x10, 0x20, 0x40, 80));

    QLinearGradient side(r.topLeft(), r.topRight());
    side.setColorAt(0.00, QColor(0x1a, 0x4d, 0x9a));
    side.setColorAt(0.30, QColor(0x5d, 0xa4, 0xf0));
    side.setColorAt(0.45, QColor(0x8c, 0xc4, 0xff));
    side.setColorAt(1.00, QColor(0x16, 0x46, 0x8c));
    p.fillPath(outline, side);

    // Seams between the discs, each a lower half-ellipse with a light lip.
    const qreal seg = (bodyBottom - bodyTop) / discs;
    for (int i = 1; i < discs; ++i) {
        const QRectF e(r.left(), bodyTop + seg * i - capH / 2, r.width(), capH);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x0c, 0x30, 0x6a, 200), 1.2));
        p.drawArc(e, 180 * 16, 180 * 16);
        p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
        p.drawArc(e.translated(0, 1.6), 180 * 16, 180 * 16);
    }

    const QRectF cap(r.left(), r.top(), r.width(), capH);
    QLinearGradient top(cap.topLeft(), cap.bottomRight());
    top.setColorAt(0, QColor(0xc8, 0xe4, 0xff));
    top.setColorAt(1, QColor(0x5a, 0x98, 0xe0));
    p.setBrush(top);
    p.setPen(QPen(QColor(0x0c, 0x30, 0x6a), 1.2));
    p.drawEllipse(cap);
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
}

void drawArrow(QPainter &p, QPointF from, QPointF to, qreal thick)
{
    const qreal head = thick * 2.1;
    const qreal len = to.x() - from.x();
    QPainterPath arrow;
    arrow.moveTo(from.x(), from.y() - thick / 2);
    arrow.lineTo(from.x() + len - head, from.y() - thick / 2);
    arrow.lineTo(from.x() + len - head, from.y() - head * 0.75);
    arrow.lineTo(to.x(), to.y());
    arrow.lineTo(from.x() + len - head, from.y() + head * 0.75);
    arrow.lineTo(from.x() + len - head, from.y() + thick / 2);
    arrow.lineTo(from.x(), from.y() + thick / 2);
    arrow.closeSubpath();
    kit::softShadow(p, arrow, QPointF(0.5, 1.5), 3, QColor(0x10, 0x20, 0x40, 70));
    p.setBrush(kit::vertical(arrow.boundingRect(), QColor(0x9a, 0xe6, 0x6c), QColor(0x2c, 0x97, 0x2a)));
    p.setPen(QPen(QColor(0x1c, 0x66, 0x1c), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(arrow);
}

QFont uiFont(qreal pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(qRound(pixelSize));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace

QImage chatBackground()
{
    const int w = 400, h = 300;
    QImage img = kit::canvas(w, h);
    QPainter p(&img);
    kit::prepare(p);
    const QRectF all(0, 0, w, h);

    QLinearGradient base(all.topLeft(), all.bottomRight());
    base.setColorAt(0, QColor(0xf3, 0xf7, 0xfb));
    base.setColorAt(1, QColor(0xe2, 0xea, 0xf3));
    p.fillRect(all, base);

    QRadialGradient glowA(QPointF(70, 50), 220);
    glowA.setColorAt(0, QColor(255, 255, 255, 150));
    glowA.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(all, glowA);
    QRadialGradient glowB(QPointF(360, 270), 230);
    glowB.setColorAt(0, QColor(0xc6, 0xda, 0xf0, 110));
    glowB.setColorAt(1, QColor(0xc6, 0xda, 0xf0, 0));
    p.fillRect(all, glowB);

    // Faint staggered pattern of small speech bubbles.
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row * 44 < h + 44; ++row) {
        for (int col = -1; col * 56 < w + 56; ++col) {
            const qreal x = col * 56 + (row % 2 ? 28 : 0) + 8;
            const qreal y = row * 44 + 8;
            const bool mirrored = (row + col) % 2 != 0;
            QPainterPath b = bubble(QPointF(0, 0), 18, 11);
            QTransform t;
            t.translate(x, y);
            if (mirrored) {
                t.translate(18, 0);
                t.scale(-1, 1);
            }
            p.setPen(QPen(QColor(0x50, 0x78, 0xa8, 20), 1.0));
            p.drawPath(t.map(b));
        }
    }
    return img;
}

QImage splash()
{
    const int w = 400, h = 200;
    const qreal messageTop = h - 40;
    QImage img = kit::canvas(w, h);
    QPainter p(&img);
    kit::prepare(p);

    const QRectF top(0, 0, w, messageTop);
    QLinearGradient base(top.topLeft(), top.bottomLeft());
    base.setColorAt(0, QColor(0xff, 0xff, 0xff));
    base.setColorAt(1, QColor(0xe6, 0xed, 0xf5));
    p.fillRect(top, base);
    QRadialGradient glow(QPointF(110, 70), 170);
    glow.setColorAt(0, QColor(0xd2, 0xe6, 0xff, 120));
    glow.setColorAt(1, QColor(0xd2, 0xe6, 0xff, 0));
    p.fillRect(top, glow);

    // Quiet strip for the status message.
    const QRectF message(0, messageTop, w, h - messageTop);
    p.fillRect(message, QColor(0xf7, 0xf9, 0xfc));
    p.fillRect(QRectF(0, messageTop, w, 1), QColor(0xc3, 0xcd, 0xda));
    p.fillRect(QRectF(0, messageTop + 1, w, 1), QColor(255, 255, 255));

    // Accent bar along the top edge.
    QLinearGradient accent(0, 0, w, 0);
    accent.setColorAt(0, QColor(0x1c, 0x60, 0xc6));
    accent.setColorAt(1, QColor(0x0b, 0x8c, 0x98));
    p.fillRect(QRectF(0, 0, w, 5), accent);

    // Documents going into the archive drum.
    p.save();
    p.translate(52, 75);
    p.rotate(-7);
    drawSheet(p, QRectF(-27, -36, 54, 70), 12, false);
    p.restore();
    drawSheet(p, QRectF(40.5, 36.5, 54, 70), 12, true);
    drawArrow(p, QPointF(104, 72), QPointF(136, 72), 9);
    drawDrum(p, QRectF(146.5, 34.5, 58, 84), 3);

    // Name and purpose.
    const qreal textLeft = 226;
    const qreal textWidth = w - textLeft - 14;
    QFont title = uiFont(24, true);
    while (QFontMetricsF(title).horizontalAdvance(QStringLiteral("OrvoWidgets")) > textWidth &&
           title.pixelSize() > 12)
        title.setPixelSize(title.pixelSize() - 1);
    p.setFont(title);
    p.setPen(QColor(0x1a, 0x2a, 0x46));
    p.drawText(QPointF(textLeft, 74), QStringLiteral("OrvoWidgets"));
    p.setFont(uiFont(13, false));
    p.setPen(QColor(0x55, 0x66, 0x7c));
    p.drawText(QPointF(textLeft + 1, 96), QStringLiteral("Document archive"));
    p.fillRect(QRectF(textLeft + 1, 106, 46, 3), accent);

    // Frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x7c, 0x8a, 0x9e), 1.0));
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return img;
}

} // namespace draw
