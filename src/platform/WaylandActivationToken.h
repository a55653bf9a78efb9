#pragma once
#include <QString>

class QWindow;

// Asks the Wayland compositor of this session, on a connection of its own, for an activation token
// that no user input vouches for. A program started without a token passes this one to the instance
// whose window should come forward: compositors answer an activation with such a token by marking the
// window as demanding attention rather than by moving the focus. Empty when there is no Wayland
// session, the compositor hands out no tokens, or it does not answer within a second.
// Any thread; it blocks until the answer.
[[nodiscard]] QString RequestUnvouchedActivationToken();

// Asks the compositor, on Qt's own connection, to activate the shown window for the activation token a
// later start was given. The environment is never touched: other threads (the driver's, looking for a
// JACK server) read it at any time. False when the window system is not Wayland, the window is not
// shown, or the compositor has no activation protocol. User-interface thread only.
[[nodiscard]] bool ActivateWithToken(QWindow& window, const QString& strToken);
