#pragma once

#include <QApplication>
#include <QWidget>

// The first top-level window of class `className`: the gadgets keep no pointers to one another for tests.
inline QWidget* topLevel(const char* className)
{
    const auto windows = QApplication::topLevelWidgets();
    const auto found = std::find_if(windows.begin(), windows.end(), [&](QWidget* w) { return w->inherits(className); });
    return found == windows.end() ? nullptr : *found;
}
