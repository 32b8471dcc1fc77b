#pragma once

#include <QColor>
#include <QImage>

namespace draw {

// Clock faces: 300x300 bitmaps that the clock stretches to its wide window.
QImage clockGraphite();
QImage clockSilver();
QImage clockNavy();
QImage clockWood();
QImage clockFrost();

// Sticky-note backgrounds: 300x300, stretched to the note window.
QImage sticker(const QColor &paper);

// The program's own icon: 64x64 in the tray, other sizes for the desktop.
QImage trayIcon(int size = 64);

// 32x32 menu and toolbar icons.
QImage iconSetup();
QImage iconChat();
QImage iconCalendar();
QImage iconHelp();
QImage iconExit();
QImage iconSave();
QImage iconNew();
QImage iconDelete();
QImage iconView();
QImage iconNote();
QImage iconNewNote();
QImage iconEditNote();
QImage iconViewNote();
// The calendar's month arrows.
QImage iconArrowLeft();
QImage iconArrowRight();

QImage chatBackground();
QImage splash();

} // namespace draw
