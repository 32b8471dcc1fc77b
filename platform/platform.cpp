#include "platform/platform.h"

#include <QGuiApplication>
#include <QScreen>

#include <memory>

namespace {

Platform* installed = nullptr;

}  // namespace

Platform::~Platform() = default;

QList<QRect> Platform::screenAreas()
{
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    const auto screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        if (screen != QGuiApplication::primaryScreen())
            areas.append(screen->availableGeometry());
    }
    return areas;
}

Platform& Platform::instance()
{
    if (installed)
        return *installed;
    static const std::unique_ptr<Platform> system(createSystemPlatform());
    return *system;
}

void Platform::setInstance(Platform* platform)
{
    installed = platform;
}
