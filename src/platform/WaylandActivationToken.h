#pragma once
#include <QString>

// Asks the Wayland compositor of this session, on a connection of its own, for an activation token
// that no user input vouches for. A program started without a token passes this one to the instance
// whose window should come forward: compositors answer an activation with such a token by marking the
// window as demanding attention rather than by moving the focus. Empty when there is no Wayland
// session, the compositor hands out no tokens, or it does not answer within a second.
// Any thread; it blocks until the answer.
[[nodiscard]] QString RequestUnvouchedActivationToken();
