#include "platform/WaylandActivationToken.h"

#include <poll.h>
#include <wayland-client.h>

#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <cstring>

#include "xdg-activation-v1-client-protocol.h"

namespace {

constexpr int kAnswerTimeoutMs = 1000;

struct TokenRequest
{
    xdg_activation_v1* pActivation = nullptr;
    QString strToken;
    bool bDone = false;
};

void OnGlobal(void* pData, wl_registry* pRegistry, uint32_t nName, const char* pszInterface, uint32_t)
{
    auto* pRequest = static_cast<TokenRequest*>(pData);
    if (std::strcmp(pszInterface, xdg_activation_v1_interface.name) == 0 && !pRequest->pActivation)
        pRequest->pActivation =
            static_cast<xdg_activation_v1*>(wl_registry_bind(pRegistry, nName, &xdg_activation_v1_interface, 1));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

void OnTokenDone(void* pData, xdg_activation_token_v1*, const char* pszToken)
{
    auto* pRequest = static_cast<TokenRequest*>(pData);
    pRequest->strToken = QString::fromUtf8(pszToken);
    pRequest->bDone = true;
}

// Dispatches until the token came, the connection failed or the time ran out.
void WaitForToken(wl_display* pDisplay, const TokenRequest& request)
{
    pollfd fd{wl_display_get_fd(pDisplay), POLLIN, 0};
    while (!request.bDone) {
        if (wl_display_flush(pDisplay) < 0 || poll(&fd, 1, kAnswerTimeoutMs) <= 0 ||
            wl_display_dispatch(pDisplay) < 0)
            return;
    }
}

} // namespace

QString RequestUnvouchedActivationToken()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    wl_display* pDisplay = wl_display_connect(nullptr);
    if (!pDisplay)
        return {};
    TokenRequest request;
    static constexpr wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};
    wl_registry* pRegistry = wl_display_get_registry(pDisplay);
    wl_registry_add_listener(pRegistry, &kRegistryListener, &request);
    if (wl_display_roundtrip(pDisplay) >= 0 && request.pActivation) {
        static constexpr xdg_activation_token_v1_listener kTokenListener{OnTokenDone};
        xdg_activation_token_v1* pToken = xdg_activation_v1_get_activation_token(request.pActivation);
        xdg_activation_token_v1_add_listener(pToken, &kTokenListener, &request);
        xdg_activation_token_v1_commit(pToken);
        WaitForToken(pDisplay, request);
        xdg_activation_token_v1_destroy(pToken);
        xdg_activation_v1_destroy(request.pActivation);
    }
    wl_registry_destroy(pRegistry);
    wl_display_disconnect(pDisplay);
    return request.strToken;
}

bool ActivateWithToken(QWindow& window, const QString& strToken)
{
    QPlatformNativeInterface* pNative = QGuiApplication::platformNativeInterface();
    if (strToken.isEmpty() || !pNative || !QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    auto* pDisplay = static_cast<wl_display*>(pNative->nativeResourceForIntegration("wl_display"));
    auto* pSurface = static_cast<wl_surface*>(pNative->nativeResourceForWindow("surface", &window));
    if (!pDisplay || !pSurface)
        return false;
    // The surface lives on Qt's connection, so the request goes there too, on a queue of its own that
    // Qt's event reader never dispatches.
    wl_event_queue* pQueue = wl_display_create_queue(pDisplay);
    auto* pOwnDisplay = static_cast<wl_display*>(wl_proxy_create_wrapper(pDisplay));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(pOwnDisplay), pQueue);
    TokenRequest request;
    static constexpr wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};
    wl_registry* pRegistry = wl_display_get_registry(pOwnDisplay);
    wl_registry_add_listener(pRegistry, &kRegistryListener, &request);
    bool bSent = false;
    if (wl_display_roundtrip_queue(pDisplay, pQueue) >= 0 && request.pActivation) {
        xdg_activation_v1_activate(request.pActivation, strToken.toUtf8().constData(), pSurface);
        xdg_activation_v1_destroy(request.pActivation);
        bSent = wl_display_flush(pDisplay) >= 0;
    }
    wl_registry_destroy(pRegistry);
    wl_proxy_wrapper_destroy(pOwnDisplay);
    wl_event_queue_destroy(pQueue);
    return bSent;
}
