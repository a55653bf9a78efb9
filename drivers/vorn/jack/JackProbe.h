#pragma once
#include <string>

// What CJackChoice asks of the machine to choose a JACK library. CSystemJackProbe asks the real one;
// the tests give a table of answers. Each answer is asked for at most once, and only when the choice
// depends on it. Called on the thread that makes the choice.
class IJackProbe {
public:
    virtual ~IJackProbe() = default;
    // A JACK library this process has loaded already (linked, or chosen by another part of it), else "".
    [[nodiscard]] virtual std::string LoadedLibrary() = 0;
    // The library SONVALE_JACK_LIBRARY names, else "".
    [[nodiscard]] virtual std::string Override() = 0;
    [[nodiscard]] virtual bool FileExists(const std::string& path) = 0;
    // Whether a PipeWire daemon answers on this user's socket.
    [[nodiscard]] virtual bool PipeWireAnswers() = 0;
    // PipeWire's JACK library in the library folders, else "".
    [[nodiscard]] virtual std::string PipeWireLibrary() = 0;
    // Whether a JACK server answers through the system's JACK library (libjack.so.0), asked without
    // starting one.
    [[nodiscard]] virtual bool SystemServerAnswers() = 0;
};
