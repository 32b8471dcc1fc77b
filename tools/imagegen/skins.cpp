// Clock faces and sticky-note papers.

#include "drawings.h"
#include "paintkit.h"

#include <QtMath>

#include <functional>
#include <random>

namespace draw {

namespace {

// ---------------------------------------------------------------- clock ---

// The clock window is about 360x90 and stretches its 300x300 skin without
// keeping the aspect ratio. Painting in that window's coordinates and
// scaling down makes corners, bevels and grain come out undistorted once the
// bitmap is stretched back.
constexpr int kSkinPx = 300;
constexpr qreal kClockW = 360;
constexpr qreal kClockH = 90;
const QRectF kFace(3.5, 1.5, kClockW - 7, kClockH - 3);
constexpr qreal kFaceRadius = 13;

QPainterPath facePath(qreal inset = 0)
{
    return kit::insetRoundRect(kFace, inset, kFaceRadius, kFaceRadius);
}

QImage paintClock(const std::function<void(QPainter &)> &body)
{
    QImage img = kit::canvas(kSkinPx, kSkinPx);
    QPainter p(&img);
    kit::prepare(p);
    p.scale(kSkinPx / kClockW, kSkinPx / kClockH);
    body(p);
    return img;
}

// Curved highlight across the upper part of the face, as on a glass cover.
void gloss(QPainter &p, const QColor &tint, int alphaTop, int alphaBottom)
{
    const QRectF r = kFace.adjusted(2, 2, -2, -2);
    QPainterPath shine;
    shine.moveTo(r.left(), r.top());
    shine.lineTo(r.right(), r.top());
    shine.lineTo(r.right(), r.top() + r.height() * 0.30);
    shine.cubicTo(r.left() + r.width() * 0.70, r.top() + r.height() * 0.46,
                  r.left() + r.width() * 0.35, r.top() + r.height() * 0.50,
                  r.left(), r.top() + r.height() * 0.52);
    shine.closeSubpath();
    const QPainterPath clipped = shine.intersected(facePath(2));
    p.fillPath(clipped, kit::vertical(QRectF(r.left(), r.top(), r.width(), r.height() * 0.52),
                                      kit::withAlpha(tint, alphaTop),
                                      kit::withAlpha(tint, alphaBottom)));
}

// Dark outer rim plus a thin inner light edge that fades downwards.
void bevel(QPainter &p, const QColor &rim, const QColor &lightTop, const QColor &lightBottom,
           qreal rimWidth = 1.4)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(rim, rimWidth));
    p.drawPath(facePath(rimWidth / 2));
    const qreal in = rimWidth + 0.6;
    p.setPen(QPen(QBrush(kit::vertical(kFace, lightTop, lightBottom)), 1.0));
    p.drawPath(facePath(in));
    p.restore();
}

void clipToFace(QPainter &p)
{
    p.setClipPath(facePath(0.5));
}

// ---------------------------------------------------------------- notes ---

// The note window is about 314x372; same trick as for the clock.
constexpr qreal kNoteW = 314;
constexpr qreal kNoteH = 372;
const QRectF kPaper(5, 4, kNoteW - 16, kNoteH - 20);
constexpr qreal kCurl = 46;
constexpr qreal kBandH = kNoteH * 0.09;

// Paper outline with the bottom-right corner rolled up.
QPainterPath paperPath()
{
    const QRectF &r = kPaper;
    const qreal rr = 2.5;
    const qreal x1 = r.right();
    const qreal y1 = r.bottom();
    QPainterPath path;
    path.moveTo(r.left() + rr, r.top());
    path.lineTo(x1 - rr, r.top());
    path.quadTo(x1, r.top(), x1, r.top() + rr);
    path.lineTo(x1, y1 - kCurl);
    path.quadTo(x1 - kCurl * 0.18, y1 - kCurl * 0.18, x1 - kCurl, y1);
    path.lineTo(r.left() + rr, y1);
    path.quadTo(r.left(), y1, r.left(), y1 - rr);
    path.lineTo(r.left(), r.top() + rr);
    path.quadTo(r.left(), r.top(), r.left() + rr, r.top());
    path.closeSubpath();
    return path;
}

// Underside of the rolled corner, lying on top of the paper.
QPainterPath curlPath()
{
    const qreal x1 = kPaper.right();
    const qreal y1 = kPaper.bottom();
    const qreal c = kCurl;
    QPainterPath path;
    path.moveTo(x1, y1 - c);
    path.cubicTo(x1 - c * 0.35, y1 - c * 0.70, x1 - c * 0.62, y1 - c * 0.80,
                 x1 - c * 0.80, y1 - c * 0.80);
    path.cubicTo(x1 - c * 0.80, y1 - c * 0.62, x1 - c * 0.70, y1 - c * 0.35, x1 - c, y1);
    path.quadTo(x1 - c * 0.18, y1 - c * 0.18, x1, y1 - c);
    path.closeSubpath();
    return path;
}

} // namespace

QImage clockGraphite()
{
    return paintClock([](QPainter &p) {
        QLinearGradient base(kFace.topLeft(), kFace.bottomLeft());
        base.setColorAt(0.00, QColor(0x3d, 0x43, 0x4c));
        base.setColorAt(0.45, QColor(0x22, 0x26, 0x2c));
        base.setColorAt(0.55, QColor(0x16, 0x18, 0x1c));
        base.setColorAt(1.00, QColor(0x0a, 0x0b, 0x0d));
        p.fillPath(facePath(), base);

        p.save();
        clipToFace(p);
        // Faint cold reflection along the lower edge.
        QLinearGradient glow(0, kFace.bottom(), 0, kFace.top() + kFace.height() * 0.55);
        glow.setColorAt(0, QColor(0x6a, 0x88, 0xb8, 70));
        glow.setColorAt(1, QColor(0x6a, 0x88, 0xb8, 0));
        p.fillRect(kFace, glow);
        gloss(p, QColor(0xb8, 0xc8, 0xe2), 58, 10);
        p.restore();

        bevel(p, QColor(0, 0, 0, 235), QColor(0xc8, 0xd6, 0xec, 85), QColor(0x90, 0xa8, 0xd0, 25));
    });
}

// Brushed steel, dark enough that the clock's light text and the white
// load bars stand out on it.
QImage clockSilver()
{
    return paintClock([](QPainter &p) {
        QLinearGradient base(kFace.topLeft(), kFace.bottomLeft());
        base.setColorAt(0.00, QColor(0x52, 0x5a, 0x64));
        base.setColorAt(0.22, QColor(0x46, 0x4d, 0x56));
        base.setColorAt(0.50, QColor(0x3c, 0x42, 0x4a));
        base.setColorAt(0.56, QColor(0x35, 0x3a, 0x41));
        base.setColorAt(0.85, QColor(0x42, 0x48, 0x50));
        base.setColorAt(1.00, QColor(0x2c, 0x31, 0x37));
        p.fillPath(facePath(), base);

        p.save();
        clipToFace(p);
        // Brushing: many faint horizontal scratches of random length.
        std::mt19937 rng(1771);
        std::uniform_real_distribution<qreal> ux(-60, kClockW);
        std::uniform_real_distribution<qreal> uy(kFace.top(), kFace.bottom());
        std::uniform_real_distribution<qreal> ulen(30, 280);
        std::uniform_real_distribution<qreal> uwidth(0.3, 0.9);
        std::uniform_int_distribution<int> ualpha(6, 22);
        std::bernoulli_distribution light(0.5);
        for (int i = 0; i < 1400; ++i) {
            const qreal x = ux(rng);
            const qreal y = uy(rng);
            const QColor c = light(rng) ? QColor(255, 255, 255, ualpha(rng) / 2)
                                        : QColor(0x10, 0x14, 0x18, ualpha(rng));
            p.setPen(QPen(c, uwidth(rng), Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(x, y), QPointF(x + ulen(rng), y));
        }
        // Broad soft sheen, as light catching the brushed metal.
        QLinearGradient sheen(kFace.topLeft(), kFace.topRight());
        sheen.setColorAt(0.00, QColor(255, 255, 255, 0));
        sheen.setColorAt(0.30, QColor(255, 255, 255, 22));
        sheen.setColorAt(0.45, QColor(255, 255, 255, 0));
        sheen.setColorAt(0.70, QColor(255, 255, 255, 12));
        sheen.setColorAt(1.00, QColor(255, 255, 255, 0));
        p.fillRect(kFace, sheen);
        p.restore();

        bevel(p, QColor(0x1c, 0x20, 0x25), QColor(0xd8, 0xde, 0xe6, 200), QColor(0xd8, 0xde, 0xe6, 40));
        // Slight dark inner edge along the bottom for depth.
        p.save();
        clipToFace(p);
        QLinearGradient shade(0, kFace.bottom(), 0, kFace.bottom() - 8);
        shade.setColorAt(0, QColor(0x30, 0x38, 0x42, 60));
        shade.setColorAt(1, QColor(0x30, 0x38, 0x42, 0));
        p.fillRect(kFace, shade);
        p.restore();
    });
}

QImage clockNavy()
{
    return paintClock([](QPainter &p) {
        QLinearGradient base(kFace.topLeft(), kFace.bottomRight());
        base.setColorAt(0.00, QColor(0x0b, 0x1a, 0x4c));
        base.setColorAt(0.50, QColor(0x0c, 0x38, 0x6e));
        base.setColorAt(1.00, QColor(0x08, 0x76, 0x82));
        p.fillPath(facePath(), base);

        p.save();
        clipToFace(p);
        // Teal bloom at the right end; radial gradients are drawn in a
        // squashed frame so the bloom is an ellipse matching the face.
        p.save();
        p.translate(kFace.right() - 30, kFace.bottom() - 10);
        p.scale(3.0, 1.0);
        QRadialGradient bloom(QPointF(0, 0), 60);
        bloom.setColorAt(0, QColor(0x2e, 0xd1, 0xc8, 90));
        bloom.setColorAt(1, QColor(0x2e, 0xd1, 0xc8, 0));
        p.fillRect(QRectF(-80, -80, 160, 160), bloom);
        p.restore();
        QLinearGradient depth(kFace.topLeft(), kFace.bottomLeft());
        depth.setColorAt(0.0, QColor(0, 0, 0, 0));
        depth.setColorAt(1.0, QColor(0, 0x08, 0x20, 80));
        p.fillRect(kFace, depth);
        gloss(p, QColor(0xbf, 0xe6, 0xff), 60, 8);
        p.restore();

        bevel(p, QColor(0x03, 0x0a, 0x22, 240), QColor(0x9c, 0xe4, 0xff, 110),
              QColor(0x6c, 0xd8, 0xe8, 30));
    });
}

// Walnut: a dark wood, so that the clock's light text stands out on it.
QImage clockWood()
{
    return paintClock([](QPainter &p) {
        QLinearGradient base(kFace.topLeft(), kFace.bottomLeft());
        base.setColorAt(0.0, QColor(0x7a, 0x4c, 0x22));
        base.setColorAt(0.5, QColor(0x64, 0x3c, 0x1a));
        base.setColorAt(1.0, QColor(0x4a, 0x2a, 0x10));
        p.fillPath(facePath(), base);

        p.save();
        clipToFace(p);
        // Grain: long wavy fibres that swerve around a knot.
        const QPointF knot(262, 52);
        std::mt19937 rng(4242);
        std::uniform_real_distribution<qreal> uy(-12, kClockH + 12);
        std::uniform_real_distribution<qreal> amp(1.0, 3.5);
        std::uniform_real_distribution<qreal> freq(0.008, 0.02);
        std::uniform_real_distribution<qreal> phase(0, 2 * M_PI);
        std::uniform_real_distribution<qreal> width(0.3, 1.5);
        std::uniform_int_distribution<int> darkAlpha(25, 70);
        std::uniform_int_distribution<int> lightAlpha(12, 32);
        std::bernoulli_distribution dark(0.65);
        for (int i = 0; i < 90; ++i) {
            const qreal y0 = uy(rng);
            const qreal a1 = amp(rng), f1 = freq(rng), ph1 = phase(rng);
            const qreal a2 = amp(rng) * 0.3, f2 = freq(rng) * 4, ph2 = phase(rng);
            QPainterPath fibre;
            for (qreal x = -10; x <= kClockW + 10; x += 3) {
                qreal y = y0 + a1 * qSin(x * f1 + ph1) + a2 * qSin(x * f2 + ph2);
                // Fibres bend away from the knot, more so the closer they pass.
                const qreal dy = y0 - knot.y();
                const qreal dx = x - knot.x();
                const qreal pull = qExp(-(dx * dx) / (2 * 30 * 30)) * qExp(-(dy * dy) / (2 * 16 * 16));
                y += (dy >= 0 ? 1 : -1) * 14 * pull;
                if (x == -10)
                    fibre.moveTo(x, y);
                else
                    fibre.lineTo(x, y);
            }
            const QColor c = dark(rng) ? QColor(0x2e, 0x16, 0x06, darkAlpha(rng))
                                       : QColor(0xd8, 0xa0, 0x60, lightAlpha(rng));
            p.setPen(QPen(c, width(rng), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(fibre);
        }
        // The knot itself, a few concentric darker rings.
        for (int i = 4; i >= 0; --i) {
            p.setPen(QPen(QColor(0x4a, 0x26, 0x0a, 40 + i * 8), 0.8));
            p.setBrush(i == 0 ? QBrush(QColor(0x5a, 0x30, 0x10, 150)) : QBrush(Qt::NoBrush));
            p.drawEllipse(knot, 4.0 + i * 3.2, 1.6 + i * 1.5);
        }
        // Amber varnish: warm on top, deeper towards the bottom.
        QLinearGradient varnish(kFace.topLeft(), kFace.bottomLeft());
        varnish.setColorAt(0, QColor(0xff, 0xc4, 0x70, 24));
        varnish.setColorAt(1, QColor(0x30, 0x14, 0x02, 70));
        p.fillRect(kFace, varnish);
        gloss(p, QColor(0xff, 0xf0, 0xd8), 26, 3);
        p.restore();

        bevel(p, QColor(0x3e, 0x20, 0x08), QColor(0xff, 0xdc, 0xa8, 120), QColor(0xff, 0xc8, 0x80, 20),
              1.8);
    });
}

QImage clockFrost()
{
    return paintClock([](QPainter &p) {
        // Smoked glass: the desktop shows through a little, and even a
        // white desktop leaves the face dark enough for the light text.
        QLinearGradient base(kFace.topLeft(), kFace.bottomLeft());
        base.setColorAt(0, QColor(0x34, 0x40, 0x50, 222));
        base.setColorAt(1, QColor(0x1e, 0x28, 0x36, 214));
        p.fillPath(facePath(), base);

        p.save();
        clipToFace(p);
        // Frost grain.
        std::mt19937 rng(99);
        std::uniform_real_distribution<qreal> ux(kFace.left(), kFace.right());
        std::uniform_real_distribution<qreal> uy(kFace.top(), kFace.bottom());
        std::uniform_int_distribution<int> ualpha(14, 40);
        std::bernoulli_distribution light(0.6);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 5000; ++i) {
            p.setBrush(light(rng) ? QColor(255, 255, 255, ualpha(rng) / 3)
                                  : QColor(0x90, 0xa4, 0xbc, ualpha(rng) / 3));
            p.drawEllipse(QPointF(ux(rng), uy(rng)), 0.5, 0.25);
        }
        gloss(p, QColor(255, 255, 255), 30, 4);
        p.restore();

        // Hairline shadow outside the white rim keeps the edge visible on
        // light desktops.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x20, 0x30, 0x48, 70), 0.8));
        p.drawPath(facePath(0.4));
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.6));
        p.drawPath(facePath(1.6));
        p.setPen(QPen(QColor(255, 255, 255, 60), 0.8));
        p.drawPath(facePath(3.2));
    });
}

QImage sticker(const QColor &paper)
{
    QImage img = kit::canvas(kSkinPx, kSkinPx);
    QPainter p(&img);
    kit::prepare(p);
    p.scale(kSkinPx / kNoteW, kSkinPx / kNoteH);

    const QPainterPath sheet = paperPath();
    const QPainterPath curl = curlPath();
    const qreal x1 = kPaper.right();
    const qreal y1 = kPaper.bottom();

    // Shadow of the sheet, and a wider one where the corner lifts off.
    kit::softShadow(p, sheet, QPointF(1.5, 3), 6, QColor(0, 0, 0, 70));
    QPainterPath lifted;
    lifted.moveTo(x1 - kCurl * 1.6, y1);
    lifted.lineTo(x1, y1 - kCurl * 1.6);
    lifted.lineTo(x1, y1);
    lifted.closeSubpath();
    kit::softShadow(p, lifted, QPointF(2.5, 3.5), 8, QColor(0, 0, 0, 55));

    // Paper with a gentle vertical gradient and light from the top left.
    p.fillPath(sheet, kit::vertical(kPaper, paper.lighter(103), paper.darker(106)));
    p.save();
    p.setClipPath(sheet);
    QRadialGradient light(kPaper.topLeft() + QPointF(60, 80), 320);
    light.setColorAt(0, QColor(255, 255, 255, 60));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(kPaper, light);

    // Paper fibres.
    std::mt19937 rng(7);
    std::uniform_real_distribution<qreal> ux(kPaper.left(), kPaper.right());
    std::uniform_real_distribution<qreal> uy(kPaper.top(), kPaper.bottom());
    std::uniform_int_distribution<int> ualpha(4, 12);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 2500; ++i) {
        p.setBrush(QColor(0x60, 0x50, 0x30, ualpha(rng)));
        p.drawEllipse(QPointF(ux(rng), uy(rng)), 0.7, 0.7);
    }

    // Adhesive strip along the top.
    const QRectF band(kPaper.left(), kPaper.top(), kPaper.width(), kBandH);
    const QColor bandColor = paper.darker(111);
    p.fillRect(band, kit::vertical(band, bandColor.lighter(104), bandColor.darker(103)));
    // Fine horizontal ridges of the glue layer.
    for (qreal y = band.top() + 3; y < band.bottom() - 2; y += 3) {
        p.fillRect(QRectF(band.left(), y, band.width(), 0.8), QColor(255, 255, 255, 26));
    }
    p.fillRect(QRectF(band.left(), band.bottom() - 0.8, band.width(), 0.8),
               kit::withAlpha(paper.darker(135), 110));
    QLinearGradient under(0, band.bottom(), 0, band.bottom() + 6);
    under.setColorAt(0, QColor(0x40, 0x30, 0x10, 28));
    under.setColorAt(1, QColor(0x40, 0x30, 0x10, 0));
    p.fillRect(QRectF(band.left(), band.bottom(), band.width(), 6), under);
    p.fillRect(QRectF(band.left(), band.bottom() + 0.2, band.width(), 0.8),
               QColor(255, 255, 255, 70));
    p.restore();

    // Rolled corner: soft contact shadow on the paper, then the underside.
    p.save();
    p.setClipPath(sheet);
    kit::softShadow(p, curl, QPointF(-1, -1), 5, QColor(0x30, 0x20, 0x00, 95));
    p.restore();
    {
        const QPointF fold(x1 - kCurl * 0.4, y1 - kCurl * 0.4);
        const QPointF tip(x1 - kCurl * 0.8, y1 - kCurl * 0.8);
        QLinearGradient g(fold, tip);
        g.setColorAt(0.0, paper.darker(122));
        g.setColorAt(0.35, paper.lighter(106));
        g.setColorAt(0.70, paper.darker(104));
        g.setColorAt(1.0, paper.darker(112));
        p.fillPath(curl, g);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kit::withAlpha(paper.darker(150), 120), 0.7));
        p.drawPath(curl);
    }

    // Thin edge so the sheet reads on any desktop colour.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kit::withAlpha(paper.darker(140), 130), 0.8));
    p.drawPath(sheet);
    return img;
}

} // namespace draw
