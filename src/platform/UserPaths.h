#pragma once
#include <QString>

// Where per-user files live on this platform.

// The logged-on user's name: the account of the real user id, else $USER, else $LOGNAME; empty when
// none of them can be had.
[[nodiscard]] QString CurrentUserName();

// The per-user configuration folder, without a trailing separator: $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config when $HOME is an absolute path, else "/home/<user name>/.config".
[[nodiscard]] QString UserConfigFolder();

// The per-user runtime folder that holds the single-instance lock and socket: $XDG_RUNTIME_DIR when it
// is set, else the folder Qt provides for the session (created with owner-only access).
[[nodiscard]] QString UserRuntimeFolder();
