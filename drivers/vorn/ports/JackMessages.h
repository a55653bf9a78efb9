#pragma once
#include "WeakJack.h"

#include <string>

// Where libjack's own error and information lines go. libjack prints them on the process's standard
// error by default: without a server, a dozen lines ("Cannot connect to server socket", ...) that a
// user of the program cannot act on, while the program says the same in its own words. The driver
// keeps them quiet; with the environment variable VORN_JACK_VERBOSE set (to anything but "" or "0")
// they go to standard error, each line prefixed with "vorn-jack: libjack: ".
//
// libjack keeps one such setting per process, so this is the driver's choice for the whole process.
// The driver module is never unloaded, so the functions libjack is given stay valid.
class CJackMessages {
public:
    // Sets libjack's error and information functions as VORN_JACK_VERBOSE says now. Called before every
    // client the driver opens; any thread.
    static void Route();
    [[nodiscard]] static bool Verbose();
    // Routes the messages, then opens a JACK client of this name without starting a server. Null when
    // it cannot be had; `noServer` then tells whether no server answered at all.
    [[nodiscard]] static jack_client_t* OpenClient(const std::string& name, bool& noServer);
};
