#pragma once

#include <QColor>
#include <QFont>

// Row height, font and text colour of the task table. One set for the whole
// process: the sticker fills it from the settings and its setters, the text
// delegate reads it whenever it paints.
struct TaskAppearance {
    int rowHeight = 0;
    QFont font;
    QColor textColor;

    // Created on first use, so the font starts from the application's.
    static TaskAppearance& shared()
    {
        static TaskAppearance instance;
        return instance;
    }
};
