#pragma once

#include <QSizePolicy>

class QWidget;

// A size policy without stretch, keeping the widget's own height-for-width.
void setPolicy(QWidget* widget, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical);
