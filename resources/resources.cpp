#include "resources/resources.h"

#include <QtGlobal>

void orvoInitResources()
{
    // Resources of a static library are only registered when asked for.
    Q_INIT_RESOURCE(db);
    Q_INIT_RESOURCE(img);
}
