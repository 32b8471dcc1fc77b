#include "platform/platform.h"

#include <memory>

namespace {

Platform* installed = nullptr;

}  // namespace

Platform::~Platform() = default;

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
