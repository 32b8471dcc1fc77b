#pragma once

#include <QMargins>
#include <QSize>

namespace paper {

// Every sticker skin draws its paper 5, 4, 11 and 16 of its 314 x 372
// pixels in from the left, top, right and bottom (a shadow below and to the
// right), with the lower right corner rolled up 46 pixels. The window's
// contents keep to the paper: off it, they would stand on the bare desktop.
QMargins margins(QSize size);

}  // namespace paper
