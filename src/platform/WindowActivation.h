#pragma once

class QWidget;
struct StartupTokens;

// Brings a shown window forward for the user who started the program once more, with the startup
// token that start was given: on Wayland the compositor activates the window for an activation token
// (xdg-activation); on X11 the window manager is asked to activate it with the time the launch began,
// which the startup id carries. Without a token for the window system in use the window asks for
// attention instead, since a window manager keeps a window that asks without one from taking the focus.
// User-interface thread only.
void BringWindowForward(QWidget& window, const StartupTokens& tokens);
