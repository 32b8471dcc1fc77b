#include "todo/paper.h"

#include <QtMath>

namespace paper {

QMargins margins(QSize size)
{
    const auto across = [&](double pixels) { return qMax(9, qCeil(size.width() * pixels / 314)); };
    const auto down = [&](double pixels) { return qMax(9, qCeil(size.height() * pixels / 372)); };
    return QMargins(across(7), down(6), across(13), down(20));
}

}  // namespace paper
