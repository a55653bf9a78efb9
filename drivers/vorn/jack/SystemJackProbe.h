#pragma once
#include <string>

#include "JackProbe.h"

// The machine's answers for CJackChoice. The system's library stays open after its server was asked
// (or after an open library was found), so that CJackLibrary binds the very handle; what it does not
// take is closed again with the probe.
//
// Asking the system's library for a server opens a client without starting a server. When none
// answers, jackd2's libjack (1.9.21) takes back what it set up for the attempt: no thread, no shared
// memory and no client remain. It is not closed, though: closing it would drop the objects it made when
// it was loaded (LeakSanitizer counts them) and the thread keys it holds, so it stays mapped and idle
// beside PipeWire's. Only the chosen library is ever initialised.
class CSystemJackProbe : public IJackProbe {
public:
    CSystemJackProbe() = default;
    CSystemJackProbe(const CSystemJackProbe&) = delete;
    CSystemJackProbe& operator=(const CSystemJackProbe&) = delete;
    ~CSystemJackProbe() override;

    [[nodiscard]] std::string LoadedLibrary() override;
    [[nodiscard]] std::string Override() override;
    [[nodiscard]] bool FileExists(const std::string& path) override;
    [[nodiscard]] bool PipeWireAnswers() override;
    [[nodiscard]] std::string PipeWireLibrary() override;
    [[nodiscard]] bool SystemServerAnswers() override;

    // The handle of the library asked so far (loaded already, or the system's), else null; the caller
    // owns it from then on.
    [[nodiscard]] void* TakeHandle();

    // Where PipeWire's clients look for its socket: PIPEWIRE_REMOTE (a path, or a name in the runtime
    // folder, "pipewire-0" without it) in PIPEWIRE_RUNTIME_DIR, else XDG_RUNTIME_DIR. "" when no folder
    // is set.
    [[nodiscard]] static std::string PipeWireSocket();
    // The file a library handle was loaded from.
    [[nodiscard]] static std::string PathOf(void* handle);

private:
    // Closes the library asked so far, if any.
    void Release();

    void* m_pHandle = nullptr;
};
