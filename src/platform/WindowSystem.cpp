#include "platform/WindowSystem.h"

#include <QGuiApplication>

bool CanPlaceWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
