#pragma once
#include <string>

#include "JackProbe.h"

// Which JACK library a process uses, decided from what the machine answers, in this order:
//   a library this process has loaded already: that one, so that one process never initialises two;
//   SONVALE_JACK_LIBRARY: the library it names (when the file is missing, none);
//   a JACK server answering through the system's library: the system's library;
//   else PipeWire answering for this user with its JACK library installed: PipeWire's library;
//   else the system's library, which finds no server until one starts.
// The server is asked only when PipeWire could stand in for it, so a machine without PipeWire pays
// nothing for the choice.
class CJackChoice {
public:
    enum class Library { Loaded, Named, System, PipeWire, None };
    enum class Reason {
        LoadedAlready,          // Loaded
        Named,                  // Named
        NamedMissing,           // None: the named file does not exist
        ServerAnswered,         // System: a server answered, PipeWire runs as well
        NoPipeWire,             // System: no PipeWire answers for this user
        PipeWireWithoutLibrary, // System: PipeWire answers, but its JACK library is not installed
        PipeWireAnswered,       // PipeWire: no JACK server answered through the system's library
    };
    struct Result {
        Library library = Library::None;
        Reason reason = Reason::NoPipeWire;
        std::string path; // the library's file; "" for the system's library (libjack.so.0)
        bool operator==(const Result&) const = default;
    };

    [[nodiscard]] static Result Decide(IJackProbe& probe);
    // How the library was chosen, in the user's words.
    [[nodiscard]] static std::string Explain(const Result& result);
    // A short key for the reason (JSON).
    [[nodiscard]] static const char* Key(Reason reason);
};
