#include "platform/WindowActivation.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdlib>

#include "platform/SingleInstance.h"
#include "platform/WaylandActivationToken.h"
#include "platform/WindowSystem.h"

namespace {

// The launch time a startup id ends with ("..._TIME12345"), 0 when it has none.
xcb_timestamp_t LaunchTime(const QString& startupId)
{
    const qsizetype at = startupId.lastIndexOf(QLatin1String("_TIME"));
    bool bOk = false;
    const uint time = at < 0 ? 0 : startupId.mid(at + 5).toUInt(&bOk);
    return bOk ? time : 0;
}

// Asks the window manager to activate the window on behalf of the user's launch at launchTime.
bool RequestX11Activation(QWidget& window, xcb_timestamp_t launchTime)
{
    auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* pConnection = pX11 ? pX11->connection() : nullptr;
    if (!pConnection || launchTime == 0)
        return false;
    const xcb_screen_t* pScreen = xcb_setup_roots_iterator(xcb_get_setup(pConnection)).data;
    static constexpr char kAtomName[] = "_NET_ACTIVE_WINDOW";
    xcb_intern_atom_reply_t* pAtom = xcb_intern_atom_reply(
        pConnection, xcb_intern_atom(pConnection, 0, sizeof kAtomName - 1, kAtomName), nullptr);
    if (!pScreen || !pAtom)
        return false;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window.winId());
    message.type = pAtom->atom;
    message.data.data32[0] = 1; // the request comes from an application
    message.data.data32[1] = launchTime;
    std::free(pAtom);
    xcb_send_event(pConnection, 0, pScreen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(pConnection);
    return true;
}

} // namespace

void BringWindowForward(QWidget& window, const StartupTokens& tokens)
{
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    if (!CanPlaceWindows()) {
        if (tokens.strActivationToken.isEmpty()) {
            QApplication::alert(&window);
            return;
        }
        // Handed to the compositor directly: the environment, where Qt's plugin would look for it, is
        // read by other threads meanwhile.
        if (!window.windowHandle() || !ActivateWithToken(*window.windowHandle(), tokens.strActivationToken))
            QApplication::alert(&window);
        return;
    }
    window.raise();
    if (!RequestX11Activation(window, LaunchTime(tokens.strStartupId))) {
        window.activateWindow();
        QApplication::alert(&window);
    }
}
