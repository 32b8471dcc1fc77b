#include "paintkit.h"

#include <QDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace kit {

QImage canvas(int width, int height)
{
    QImage img(width, height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

namespace {

// One box pass over `n` premultiplied pixels spaced `step` apart. Pixels
// outside the image count as transparent so shadows fade out at the edges.
void boxLine(QRgb *px, int n, int step, int r, std::vector<int> &tmp)
{
    tmp.assign(static_cast<size_t>(n) * 4, 0);
    for (int i = 0; i < n; ++i) {
        const QRgb c = px[i * step];
        tmp[i * 4 + 0] = qAlpha(c);
        tmp[i * 4 + 1] = qRed(c);
        tmp[i * 4 + 2] = qGreen(c);
        tmp[i * 4 + 3] = qBlue(c);
    }
    const int window = 2 * r + 1;
    int sum[4] = {0, 0, 0, 0};
    for (int i = 0; i <= std::min(r, n - 1); ++i)
        for (int k = 0; k < 4; ++k)
            sum[k] += tmp[i * 4 + k];
    for (int i = 0; i < n; ++i) {
        const int a = sum[0] / window;
        px[i * step] = qRgba(std::min(sum[1] / window, a), std::min(sum[2] / window, a),
                             std::min(sum[3] / window, a), a);
        const int in = i + r + 1;
        const int out = i - r;
        for (int k = 0; k < 4; ++k) {
            if (in < n)
                sum[k] += tmp[in * 4 + k];
            if (out >= 0)
                sum[k] -= tmp[out * 4 + k];
        }
    }
}

} // namespace

QImage blurred(const QImage &src, int radius)
{
    QImage img = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radius <= 0)
        return img;
    const int w = img.width();
    const int h = img.height();
    const int stride = img.bytesPerLine() / 4;
    auto *bits = reinterpret_cast<QRgb *>(img.bits());
    // Three passes of a box of this radius approximate a gaussian of
    // roughly the requested radius.
    const int r = std::max(1, radius / 2);
    std::vector<int> tmp;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            boxLine(bits + y * stride, w, 1, r, tmp);
        for (int x = 0; x < w; ++x)
            boxLine(bits + x, h, stride, r, tmp);
    }
    return img;
}

void softShadow(QPainter &p, const QPainterPath &path, QPointF offsetPx, int blurPx,
                const QColor &color)
{
    QPaintDevice *dev = p.device();
    QImage layer = canvas(dev->width(), dev->height());
    {
        QPainter q(&layer);
        prepare(q);
        q.setTransform(p.transform());
        q.fillPath(path, color);
    }
    layer = blurred(layer, blurPx);
    p.save();
    p.resetTransform();
    p.drawImage(offsetPx, layer);
    p.restore();
}

QLinearGradient vertical(const QRectF &r, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QPainterPath insetRoundRect(const QRectF &r, qreal inset, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addRoundedRect(r.adjusted(inset, inset, -inset, -inset), std::max<qreal>(0, rx - inset),
                        std::max<qreal>(0, ry - inset));
    return path;
}

bool save(const QImage &img, const QString &dir, const QString &name)
{
    const QString file = QDir(dir).filePath(name);
    if (!img.save(file, "PNG")) {
        QTextStream(stderr) << "cannot write " << file << '\n';
        return false;
    }
    QTextStream(stdout) << file << ' ' << img.width() << 'x' << img.height() << '\n';
    return true;
}

} // namespace kit
