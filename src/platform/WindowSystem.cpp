#include "platform/WindowSystem.h"

#include <QGuiApplication>

namespace {
bool g_bCompositorPlacedForTests = false;
}

bool CanPlaceWindows()
{
    return !g_bCompositorPlacedForTests && !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void TreatWindowsAsCompositorPlaced(bool bPlaced)
{
    g_bCompositorPlacedForTests = bPlaced;
}
