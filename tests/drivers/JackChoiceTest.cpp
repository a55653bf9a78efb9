// Which JACK library a process chooses, for every combination of what the machine answers, against a
// fake machine that records what it was asked; and how the chosen library's implementation is named.
#include <gtest/gtest.h>

#include <string>

#include "JackChoice.h"
#include "JackLibrary.h"

namespace {

using Library = CJackChoice::Library;
using Reason = CJackChoice::Reason;

const std::string kPipeWireLibrary = "/usr/lib/x86_64-linux-gnu/pipewire-0.3/jack/libjack.so.0";

struct Machine { // in this order in the table below
    std::string loaded;       // a JACK library the process has loaded already
    std::string named;        // SONVALE_JACK_LIBRARY
    bool namedExists = false;
    bool pipeWire = false;    // PipeWire's socket answers
    bool pipeWireLibrary = false;
    bool server = false;      // a server answers through the system's library
};

class CFakeProbe : public IJackProbe {
public:
    explicit CFakeProbe(Machine machine) : m_machine(std::move(machine)) {}
    std::string LoadedLibrary() override { return Ask("loaded"), m_machine.loaded; }
    std::string Override() override { return Ask("named"), m_machine.named; }
    bool FileExists(const std::string& path) override { return Ask("exists " + path), m_machine.namedExists; }
    bool PipeWireAnswers() override { return Ask("pipewire"), m_machine.pipeWire; }
    std::string PipeWireLibrary() override
    {
        return Ask("pipewire-library"), m_machine.pipeWireLibrary ? kPipeWireLibrary : std::string();
    }
    bool SystemServerAnswers() override { return Ask("server"), m_machine.server; }
    std::string m_asked;

private:
    void Ask(const std::string& what) { m_asked += (m_asked.empty() ? "" : ", ") + what; }
    Machine m_machine;
};

struct Row {
    const char* what;
    Machine machine;
    CJackChoice::Result expected;
    const char* asked; // in order; the server is asked only when PipeWire could stand in for it
};

TEST(JackChoice, EachMachineGetsItsLibraryAskingOnlyWhatDecides)
{
    const Row rows[] = {
        {"jackd alone", {"", "", false, false, false, true}, {Library::System, Reason::NoPipeWire, ""}, "loaded, named, pipewire"},
        {"nothing runs", {"", "", false, false, false, false}, {Library::System, Reason::NoPipeWire, ""}, "loaded, named, pipewire"},
        {"jackd and PipeWire", {"", "", false, true, true, true},
         {Library::System, Reason::ServerAnswered, ""}, "loaded, named, pipewire, pipewire-library, server"},
        {"PipeWire alone", {"", "", false, true, true, false},
         {Library::PipeWire, Reason::PipeWireAnswered, kPipeWireLibrary},
         "loaded, named, pipewire, pipewire-library, server"},
        {"PipeWire without its JACK library", {"", "", false, true, false, false},
         {Library::System, Reason::PipeWireWithoutLibrary, ""}, "loaded, named, pipewire, pipewire-library"},
        {"PipeWire's library installed, PipeWire not running", {"", "", false, false, true, true},
         {Library::System, Reason::NoPipeWire, ""}, "loaded, named, pipewire"},
        {"named library", {"", "/opt/jack/libjack.so.0", true, true, true, false},
         {Library::Named, Reason::Named, "/opt/jack/libjack.so.0"}, "loaded, named, exists /opt/jack/libjack.so.0"},
        {"named file missing", {"", "/nowhere/libjack.so.0", false, true, true, true},
         {Library::None, Reason::NamedMissing, "/nowhere/libjack.so.0"}, "loaded, named, exists /nowhere/libjack.so.0"},
        {"loaded already", {kPipeWireLibrary, "/opt/jack/libjack.so.0", true, false, false, true},
         {Library::Loaded, Reason::LoadedAlready, kPipeWireLibrary}, "loaded"},
    };
    for (const Row& row : rows) {
        CFakeProbe probe(row.machine);
        EXPECT_EQ(CJackChoice::Decide(probe), row.expected) << row.what;
        EXPECT_EQ(probe.m_asked, row.asked) << row.what;
    }
}

TEST(JackChoice, TheUserLearnsWhatToInstallOrUnset)
{
    EXPECT_NE(CJackChoice::Explain({Library::System, Reason::PipeWireWithoutLibrary, ""}).find("pipewire-jack"),
              std::string::npos);
    EXPECT_EQ(CJackChoice::Explain({Library::None, Reason::NamedMissing, "/nowhere/libjack.so.0"}),
              "SONVALE_JACK_LIBRARY names /nowhere/libjack.so.0, which does not exist; no JACK library was loaded");
}

TEST(JackChoice, TheImplementationIsNamedFromTheLibrarysVersion)
{
    EXPECT_EQ(CJackLibrary::ImplementationOf("3.0.0.0 (using PipeWire 0.3.65)", nullptr), "PipeWire 0.3.65");
    EXPECT_EQ(CJackLibrary::ImplementationOf("1.9.21", nullptr), "jackd, server default");
    EXPECT_EQ(CJackLibrary::ImplementationOf("1.9.21", ""), "jackd, server default");
    EXPECT_EQ(CJackLibrary::ImplementationOf("1.9.21", "studio"), "jackd, server studio");
}

} // namespace
