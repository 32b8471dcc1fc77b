#pragma once

#include <QColor>
#include <QFont>

// Row height, font and text colour of the task table: the sticker fills it
// from the settings and its setters, the text delegate reads it whenever it
// paints.
struct TaskAppearance {
    int rowHeight = 0;
    QFont font;
    QColor textColor;
};
