// Tray icon and the 32x32 menu/toolbar icons. All icons share one look:
// vertical gradient fill, a darker one-pixel outline, a light top edge and
// a small soft drop shadow.

#include "drawings.h"
#include "paintkit.h"

#include <QFont>
#include <QtMath>

#include <functional>

namespace draw {

namespace {

struct Tone {
    QColor top;
    QColor bottom;
    QColor line;
};

const Tone kBlue{QColor(0x7e, 0xbd, 0xff), QColor(0x1c, 0x60, 0xc6), QColor(0x13, 0x44, 0x8f)};
const Tone kGreen{QColor(0x9a, 0xe6, 0x6c), QColor(0x2c, 0x97, 0x2a), QColor(0x1c, 0x66, 0x1c)};
const Tone kRed{QColor(0xff, 0x8c, 0x7a), QColor(0xd0, 0x2a, 0x1d), QColor(0x8f, 0x17, 0x0f)};
const Tone kSteel{QColor(0xee, 0xf2, 0xf6), QColor(0x8a, 0x96, 0xa5), QColor(0x47, 0x52, 0x60)};
const Tone kPaper{QColor(0xff, 0xff, 0xff), QColor(0xdf, 0xe5, 0xed), QColor(0x7a, 0x87, 0x98)};
const Tone kNotePaper{QColor(0xff, 0xf7, 0xb8), QColor(0xf7, 0xd9, 0x55), QColor(0xa0, 0x80, 0x16)};

QImage icon(const std::function<void(QPainter &)> &body, int size = 32)
{
    QImage img = kit::canvas(size, size);
    QPainter p(&img);
    kit::prepare(p);
    body(p);
    return img;
}

void shape(QPainter &p, const QPainterPath &path, const Tone &tone, bool shadow = true)
{
    if (shadow)
        kit::softShadow(p, path, QPointF(0, 1), 2, QColor(0, 0, 0, 85));
    p.fillPath(path, kit::vertical(path.boundingRect(), tone.top, tone.bottom));
    // A copy of the outline nudged down and clipped inside reads as a lit top edge.
    p.save();
    p.setClipPath(path);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 120), 1.2));
    p.drawPath(path.translated(0, 1));
    p.restore();
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(tone.line, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.restore();
}

// Glassy highlight over the upper half of a round icon.
void roundGloss(QPainter &p, const QRectF &circle)
{
    p.save();
    QPainterPath clip;
    clip.addEllipse(circle.adjusted(1, 1, -1, -1));
    p.setClipPath(clip);
    const QRectF hl(circle.left() + circle.width() * 0.14, circle.top() + 1.2,
                    circle.width() * 0.72, circle.height() * 0.50);
    p.setPen(Qt::NoPen);
    p.setBrush(kit::vertical(hl, QColor(255, 255, 255, 150), QColor(255, 255, 255, 10)));
    p.drawEllipse(hl);
    p.restore();
}

// Erases a thin gap around an overlay so it separates from what is under it.
void punch(QPainter &p, const QPainterPath &path, qreal gap)
{
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    p.setPen(QPen(Qt::black, gap * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::black);
    p.drawPath(path);
    p.restore();
}

QPainterPath circle(QPointF c, qreal r)
{
    QPainterPath path;
    path.addEllipse(c, r, r);
    return path;
}

QPainterPath roundRect(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath gearPath(QPointF c, qreal rTip, qreal rRoot, int teeth, qreal rHole)
{
    const qreal step = 2 * M_PI / teeth;
    auto at = [c](qreal a, qreal r) { return c + QPointF(qCos(a) * r, qSin(a) * r); };
    QPolygonF poly;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * step - M_PI / 2;
        poly << at(a - 0.24 * step, rRoot) << at(a - 0.15 * step, rTip)
             << at(a + 0.15 * step, rTip) << at(a + 0.24 * step, rRoot);
        for (int k = 1; k < 4; ++k)
            poly << at(a + 0.24 * step + k * 0.52 * step / 4, rRoot);
    }
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path.subtracted(circle(c, rHole));
}

QPainterPath plusPath(QPointF c, qreal len, qreal thick)
{
    QPainterPath a = roundRect(QRectF(c.x() - thick / 2, c.y() - len / 2, thick, len), 1.8);
    QPainterPath b = roundRect(QRectF(c.x() - len / 2, c.y() - thick / 2, len, thick), 1.8);
    return a.united(b).simplified();
}

// Note sheet shared by the four note icons: yellow, top strip, folded corner.
void noteSheet(QPainter &p)
{
    QPainterPath sheet;
    sheet.moveTo(5.5, 3.5);
    sheet.lineTo(26.5, 3.5);
    sheet.lineTo(26.5, 21.5);
    sheet.lineTo(19.5, 28.5);
    sheet.lineTo(5.5, 28.5);
    sheet.closeSubpath();
    shape(p, sheet, kNotePaper);

    p.save();
    p.setClipPath(sheet);
    p.fillRect(QRectF(5.5, 3.5, 21, 4), QColor(0xd8, 0xae, 0x28, 120));
    p.fillRect(QRectF(5.5, 7.5, 21, 1), QColor(0xa0, 0x80, 0x16, 90));
    p.restore();

    p.setPen(QPen(QColor(0xa8, 0x8a, 0x30, 150), 1.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(9, 12.5), QPointF(23, 12.5));
    p.drawLine(QPointF(9, 16.5), QPointF(23, 16.5));
    p.drawLine(QPointF(9, 20.5), QPointF(19, 20.5));
    p.drawLine(QPointF(9, 24.5), QPointF(16, 24.5));

    QPainterPath fold;
    fold.moveTo(26.5, 21.5);
    fold.lineTo(20.5, 22.5);
    fold.lineTo(19.5, 28.5);
    fold.closeSubpath();
    p.setPen(QPen(kNotePaper.line, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kit::vertical(fold.boundingRect(), QColor(0xfb, 0xe6, 0x8a), QColor(0xd9, 0xb2, 0x32)));
    p.drawPath(fold);
}

// A bold arrow pointing left: a broad head and a short shaft, corners
// rounded so that it stays crisp when shown at half size.
QPainterPath leftArrowPath()
{
    QPainterPath head;
    head.moveTo(3.0, 15.5);
    head.lineTo(16.0, 3.5);
    head.lineTo(16.0, 27.5);
    head.closeSubpath();
    QPainterPath shaft = roundRect(QRectF(13.0, 10.0, 16.0, 11.0), 2.5);
    QPainterPathStroker rounder;
    rounder.setWidth(2.4);
    rounder.setJoinStyle(Qt::RoundJoin);
    const QPainterPath whole = head.united(shaft).simplified();
    return whole.united(rounder.createStroke(whole)).simplified();
}

QImage arrow(bool right)
{
    return icon([right](QPainter &p) {
        QPainterPath path = leftArrowPath();
        if (right) {
            QTransform mirror;
            mirror.translate(32, 0);
            mirror.scale(-1, 1);
            path = mirror.map(path);
        }
        shape(p, path, kBlue);
        // Glassy band over the upper half, as on the round icons.
        p.save();
        p.setClipPath(path);
        const QRectF hl(0, 3, 32, 12.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kit::vertical(hl, QColor(255, 255, 255, 130), QColor(255, 255, 255, 15)));
        p.drawRect(hl);
        p.restore();
    });
}

} // namespace

QImage trayIcon(int size)
{
    return icon(
        [size](QPainter &p) {
            // Drawn on a 64-unit grid, scaled to the size asked for.
            p.scale(size / 64.0, size / 64.0);
            const QPointF c(32, 31.5);
            const QPainterPath rim = circle(c, 29.5);
            kit::softShadow(p, rim, QPointF(0, 1.5), 3, QColor(0, 0, 0, 110));
            p.fillPath(rim, kit::vertical(rim.boundingRect(), QColor(0x4f, 0xa2, 0xff),
                                          QColor(0x0b, 0x48, 0xaa)));
            p.setPen(QPen(QColor(0x08, 0x33, 0x7a), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawPath(rim);

            // Dial, slightly recessed into the rim.
            const QPainterPath dial = circle(c, 22.5);
            QRadialGradient face(c + QPointF(-4, -6), 30);
            face.setColorAt(0, QColor(0xff, 0xff, 0xff));
            face.setColorAt(1, QColor(0xdc, 0xe5, 0xf0));
            p.fillPath(dial, face);
            p.setPen(QPen(QBrush(kit::vertical(dial.boundingRect(), QColor(0x02, 0x18, 0x48, 150),
                                               QColor(255, 255, 255, 160))),
                          1.8));
            p.drawPath(dial);

            // Hour marks: four bold ones, the rest as dots.
            for (int i = 0; i < 12; ++i) {
                p.save();
                p.translate(c);
                p.rotate(i * 30);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0x1a, 0x27, 0x40));
                if (i % 3 == 0)
                    p.drawRoundedRect(QRectF(-1.6, -20.5, 3.2, 6), 1, 1);
                else
                    p.drawEllipse(QPointF(0, -18.5), 1.3, 1.3);
                p.restore();
            }

            auto hand = [&](qreal angleDeg, qreal length, qreal width) {
                const qreal a = qDegreesToRadians(angleDeg - 90);
                const QPointF tip = c + QPointF(qCos(a) * length, qSin(a) * length);
                const QPointF tail = c - QPointF(qCos(a) * 3, qSin(a) * 3);
                p.setPen(QPen(QColor(0x1a, 0x27, 0x40), width, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(tail, tip);
            };
            hand(-60, 11.5, 4.6);  // ten o'clock
            hand(60, 16.5, 3.4);   // two o'clock
            p.setPen(QPen(QColor(0x8c, 0x1e, 0x10), 1.0));
            p.setBrush(QColor(0xe8, 0x45, 0x2c));
            p.drawEllipse(c, 3.3, 3.3);

            roundGloss(p, rim.boundingRect());
        },
        size);
}

QImage iconSetup()
{
    return icon([](QPainter &p) {
        const QPointF c(16, 15.5);
        shape(p, gearPath(c, 14, 10.6, 8, 4.2), kSteel);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x47, 0x52, 0x60, 110), 1.0));
        p.drawEllipse(c, 7.2, 7.2);
        p.setPen(QPen(QColor(255, 255, 255, 120), 1.0));
        p.drawEllipse(c + QPointF(0, 1), 7.2, 7.2);
    });
}

QImage iconChat()
{
    return icon([](QPainter &p) {
        QPainterPath back = roundRect(QRectF(1.5, 2.5, 20, 14), 5);
        QPolygonF backTail;
        backTail << QPointF(5.5, 14) << QPointF(4.5, 21.5) << QPointF(11.5, 15.5);
        QPainterPath bt;
        bt.addPolygon(backTail);
        back = back.united(bt).simplified();
        shape(p, back, kBlue);

        QPainterPath front = roundRect(QRectF(9.5, 10.5, 21, 15), 5);
        QPolygonF frontTail;
        frontTail << QPointF(20.5, 24) << QPointF(27.5, 29.5) << QPointF(25.5, 23);
        QPainterPath ft;
        ft.addPolygon(frontTail);
        front = front.united(ft).simplified();
        punch(p, front, 1.2);
        shape(p, front, kGreen);

        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(15 + i * 5, 18), 1.6, 1.6);
    });
}

QImage iconCalendar()
{
    return icon([](QPainter &p) {
        const QPainterPath page = roundRect(QRectF(3.5, 5.5, 25, 23), 2.5);
        shape(p, page, kPaper);

        p.save();
        p.setClipPath(page);
        const QRectF head(3.5, 5.5, 25, 6.5);
        p.fillRect(head, kit::vertical(head, kRed.top, kRed.bottom));
        p.fillRect(QRectF(3.5, 12, 25, 1), kRed.line);
        p.restore();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kRed.line, 1.0));
        p.drawPath(page);

        // Day grid with today picked out.
        p.setPen(Qt::NoPen);
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 4; ++col) {
                const QRectF cell(6 + col * 5.5, 15 + row * 4.5, 3.5, 3);
                const bool today = row == 1 && col == 2;
                p.setBrush(today ? QColor(0x1c, 0x60, 0xc6) : QColor(0xa9, 0xb4, 0xc3));
                p.drawRoundedRect(cell, 0.6, 0.6);
            }
        }

        // Binder rings.
        for (qreal x : {9.5, 20.5}) {
            const QPainterPath ring = roundRect(QRectF(x, 2.5, 3, 6.5), 1.5);
            shape(p, ring, kSteel, false);
        }
    });
}

QImage iconHelp()
{
    return icon([](QPainter &p) {
        const QPainterPath disc = circle(QPointF(16, 15.5), 13.5);
        shape(p, disc, kBlue);

        // Question mark built from a hook and a dot.
        QPainterPath hook;
        hook.moveTo(11.6, 12.2);
        hook.cubicTo(11.6, 8.8, 14.0, 7.4, 16.2, 7.4);
        hook.cubicTo(18.8, 7.4, 20.6, 9.1, 20.6, 11.4);
        hook.cubicTo(20.6, 14.6, 16.2, 14.9, 16.2, 18.2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x0a, 0x30, 0x70, 110), 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(hook.translated(0, 0.8));
        p.setPen(QPen(Qt::white, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x0a, 0x30, 0x70, 110));
        p.drawEllipse(QPointF(16.2, 23.2), 2.1, 2.1);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16.2, 22.4), 2.1, 2.1);

        roundGloss(p, disc.boundingRect());
    });
}

QImage iconExit()
{
    return icon([](QPainter &p) {
        const QPointF c(16, 15.5);
        const QPainterPath disc = circle(c, 13.5);
        shape(p, disc, kRed);

        const QRectF arc(c.x() - 6.8, c.y() - 6.3, 13.6, 13.6);
        auto symbol = [&](const QColor &color, qreal dy) {
            p.setPen(QPen(color, 2.8, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(arc.translated(0, dy), 125 * 16, 290 * 16);
            p.drawLine(QPointF(c.x(), 7.6 + dy), QPointF(c.x(), 15.2 + dy));
        };
        symbol(QColor(0x70, 0x08, 0x00, 110), 0.8);
        symbol(Qt::white, 0);

        roundGloss(p, disc.boundingRect());
    });
}

QImage iconSave()
{
    return icon([](QPainter &p) {
        QPainterPath body;
        body.moveTo(5.5, 3.5);
        body.lineTo(24.5, 3.5);
        body.lineTo(28.5, 7.5);
        body.lineTo(28.5, 26.5);
        body.quadTo(28.5, 28.5, 26.5, 28.5);
        body.lineTo(5.5, 28.5);
        body.quadTo(3.5, 28.5, 3.5, 26.5);
        body.lineTo(3.5, 5.5);
        body.quadTo(3.5, 3.5, 5.5, 3.5);
        body.closeSubpath();
        shape(p, body, kBlue);

        // Metal shutter with its window.
        QPainterPath shutter;
        shutter.addRect(QRectF(9.5, 3.5, 13, 8));
        shape(p, shutter, kSteel, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x38, 0x46));
        p.drawRect(QRectF(17, 5, 3, 5));

        // Label.
        QPainterPath label = roundRect(QRectF(7.5, 15.5, 17, 13), 1);
        shape(p, label, kPaper, false);
        p.setPen(QPen(QColor(0x9d, 0xb0, 0xc8), 1.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(10, 19.5), QPointF(22, 19.5));
        p.drawLine(QPointF(10, 22.5), QPointF(22, 22.5));
        p.drawLine(QPointF(10, 25.5), QPointF(18, 25.5));
    });
}

QImage iconNew()
{
    return icon([](QPainter &p) { shape(p, plusPath(QPointF(16, 15.5), 25, 8.5), kGreen); });
}

QImage iconDelete()
{
    return icon([](QPainter &p) {
        QTransform t;
        t.translate(16, 15.5);
        t.rotate(45);
        t.translate(-16, -15.5);
        shape(p, t.map(plusPath(QPointF(16, 15.5), 29, 7.5)), kRed);
    });
}

QImage iconView()
{
    return icon([](QPainter &p) {
        QPainterPath eye;
        eye.moveTo(1.5, 15.5);
        eye.cubicTo(6, 7.5, 11, 5.5, 16, 5.5);
        eye.cubicTo(21, 5.5, 26, 7.5, 30.5, 15.5);
        eye.cubicTo(26, 23.5, 21, 25.5, 16, 25.5);
        eye.cubicTo(11, 25.5, 6, 23.5, 1.5, 15.5);
        eye.closeSubpath();
        shape(p, eye, kPaper);

        p.save();
        p.setClipPath(eye);
        const QPointF c(16, 15.5);
        QRadialGradient iris(c + QPointF(-1.5, -2), 8.5);
        iris.setColorAt(0.0, QColor(0x8f, 0xd0, 0xff));
        iris.setColorAt(0.6, QColor(0x2a, 0x78, 0xd6));
        iris.setColorAt(1.0, QColor(0x12, 0x40, 0x8a));
        p.setPen(QPen(kBlue.line, 1.0));
        p.setBrush(iris);
        p.drawEllipse(c, 7.2, 7.2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x0c, 0x12, 0x1e));
        p.drawEllipse(c, 3.2, 3.2);
        p.setBrush(QColor(255, 255, 255, 230));
        p.drawEllipse(QPointF(13.6, 13.0), 1.8, 1.8);
        // Eyelid shadow along the top.
        p.fillRect(QRectF(0, 5, 32, 4), kit::vertical(QRectF(0, 5, 32, 4), QColor(0x20, 0x30, 0x50, 60),
                                                       QColor(0x20, 0x30, 0x50, 0)));
        p.restore();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kPaper.line, 1.0));
        p.drawPath(eye);
    });
}

QImage iconNote()
{
    return icon([](QPainter &p) { noteSheet(p); });
}

QImage iconNewNote()
{
    return icon([](QPainter &p) {
        noteSheet(p);
        const QPointF c(23.5, 23.5);
        const QPainterPath badge = circle(c, 7);
        punch(p, badge, 1.2);
        shape(p, badge, kGreen);
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(-3.6, 0), c + QPointF(3.6, 0));
        p.drawLine(c + QPointF(0, -3.6), c + QPointF(0, 3.6));
    });
}

QImage iconEditNote()
{
    return icon([](QPainter &p) {
        noteSheet(p);

        // The pencil is drawn along +x from its point, then turned 45 degrees.
        QTransform t;
        t.translate(13.5, 29.0);
        t.rotate(-45);
        const qreal h = 2.7;
        QPainterPath wood;
        wood.moveTo(0, 0);
        wood.lineTo(5.5, -h);
        wood.lineTo(5.5, h);
        wood.closeSubpath();
        QPainterPath lead;
        lead.moveTo(0, 0);
        lead.lineTo(2.0, -h * 0.36);
        lead.lineTo(2.0, h * 0.36);
        lead.closeSubpath();
        QPainterPath body;
        body.addRect(QRectF(5.5, -h, 12, 2 * h));
        QPainterPath band;
        band.addRect(QRectF(17.5, -h, 2.5, 2 * h));
        QPainterPath eraser;
        eraser.addRoundedRect(QRectF(19.5, -h, 3.5, 2 * h), 1.2, 1.2);

        const QPainterPath whole = t.map(wood.united(body).united(band).united(eraser));
        punch(p, whole, 1.2);
        kit::softShadow(p, whole, QPointF(0.5, 1), 2, QColor(0, 0, 0, 90));

        p.save();
        p.setTransform(t, true);
        const QRectF across(0, -h, 1, 2 * h);
        auto fillAcross = [&](const QPainterPath &part, QColor a, QColor b, QColor line) {
            p.setBrush(kit::vertical(across, a, b));
            p.setPen(QPen(line, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(part);
        };
        fillAcross(eraser, QColor(0xff, 0xb0, 0xc0), QColor(0xd8, 0x5a, 0x78), QColor(0x90, 0x2c, 0x44));
        fillAcross(body, QColor(0xff, 0xcf, 0x5a), QColor(0xe0, 0x7a, 0x10), QColor(0x94, 0x4c, 0x06));
        fillAcross(band, kSteel.top, kSteel.bottom, kSteel.line);
        fillAcross(wood, QColor(0xfa, 0xde, 0xb4), QColor(0xd4, 0xa8, 0x72), QColor(0x8a, 0x60, 0x30));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2a, 0x2a, 0x30));
        p.drawPath(lead);
        p.restore();
    });
}

QImage iconViewNote()
{
    return icon([](QPainter &p) {
        noteSheet(p);

        const QPointF c(20.5, 19.5);
        const qreal r = 6.2;
        const QPointF h0 = c + QPointF(r * 0.72, r * 0.72);
        const QPointF h1(29.5, 28.5);
        QPainterPath halo = circle(c, r + 1.2);
        QPainterPathStroker stroker;
        stroker.setWidth(4.2);
        stroker.setCapStyle(Qt::RoundCap);
        QPainterPath handleLine;
        handleLine.moveTo(h0);
        handleLine.lineTo(h1);
        halo = halo.united(stroker.createStroke(handleLine));
        punch(p, halo, 1.2);
        kit::softShadow(p, halo, QPointF(0.5, 1), 2, QColor(0, 0, 0, 90));

        p.setPen(QPen(QColor(0x2a, 0x30, 0x3a), 3.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(h0, h1);
        p.setPen(QPen(QColor(0x6a, 0x74, 0x82), 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(h0 + QPointF(0.6, -0.6), h1 + QPointF(-0.2, -0.9));

        QRadialGradient glass(c + QPointF(-2, -2), r * 1.4);
        glass.setColorAt(0, QColor(0xe8, 0xf6, 0xff, 235));
        glass.setColorAt(1, QColor(0x9c, 0xcc, 0xf2, 220));
        p.setBrush(glass);
        p.setPen(QPen(QBrush(kit::vertical(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r),
                                           kSteel.bottom, kSteel.line)),
                      2.0));
        p.drawEllipse(c, r, r);
        p.setPen(QPen(QColor(255, 255, 255, 220), 1.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.x() - r + 2.2, c.y() - r + 2.2, 2 * r - 4.4, 2 * r - 4.4), 100 * 16,
                  70 * 16);
    });
}

QImage iconArrowLeft()
{
    return arrow(false);
}

QImage iconArrowRight()
{
    return arrow(true);
}

} // namespace draw
