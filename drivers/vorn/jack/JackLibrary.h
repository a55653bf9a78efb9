#pragma once
#include <string>
#include <string_view>

#include "JackChoice.h"
#include "JackTable.h"

// The JACK library of this process: chosen once, on the first JACK call of any thread (CJackChoice
// says in what order), loaded, and its functions put in the table every jack_* call goes through
// (WeakJack.h). The driver module and the programs that link this library each hold one of these; the
// first to choose loads the library and the others find it loaded, so one process uses one library.
// It is never unloaded: JACK's own threads may call into it until the process ends.
class CJackLibrary {
public:
    CJackLibrary(const CJackLibrary&) = delete;
    CJackLibrary& operator=(const CJackLibrary&) = delete;

    // The library of this process, chosen and loaded on the first call; any thread.
    [[nodiscard]] static const CJackLibrary& Process();

    [[nodiscard]] const JackTable& Table() const { return m_table; }
    [[nodiscard]] const CJackChoice::Result& Choice() const { return m_choice; }
    // Whether a library is loaded and its table filled.
    [[nodiscard]] bool Loaded() const { return m_pHandle != nullptr; }
    // The file of the loaded library, else "".
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // Why no library is loaded, else "".
    [[nodiscard]] const std::string& Problem() const { return m_problem; }
    // The implementation and server the library reaches: "PipeWire 0.3.65", "jackd, server default".
    [[nodiscard]] std::string Implementation() const;
    // The implementation a JACK library names in its version string.
    [[nodiscard]] static std::string ImplementationOf(std::string_view versionString, const char* serverName);

private:
    CJackLibrary();
    void Bind(void* pHandle);

    JackTable m_table;
    CJackChoice::Result m_choice;
    void* m_pHandle = nullptr;
    std::string m_path;
    std::string m_problem;
};
