#include "JackChoice.h"

CJackChoice::Result CJackChoice::Decide(IJackProbe& probe)
{
    if (std::string loaded = probe.LoadedLibrary(); !loaded.empty())
        return {Library::Loaded, Reason::LoadedAlready, std::move(loaded)};
    if (std::string named = probe.Override(); !named.empty()) {
        if (!probe.FileExists(named))
            return {Library::None, Reason::NamedMissing, std::move(named)};
        return {Library::Named, Reason::Named, std::move(named)};
    }
    if (!probe.PipeWireAnswers())
        return {Library::System, Reason::NoPipeWire, ""};
    std::string pipeWire = probe.PipeWireLibrary();
    if (pipeWire.empty())
        return {Library::System, Reason::PipeWireWithoutLibrary, ""};
    if (probe.SystemServerAnswers())
        return {Library::System, Reason::ServerAnswered, ""};
    return {Library::PipeWire, Reason::PipeWireAnswered, std::move(pipeWire)};
}

std::string CJackChoice::Explain(const Result& result)
{
    switch (result.reason) {
    case Reason::LoadedAlready: return "the JACK library this process had loaded already";
    case Reason::Named: return "SONVALE_JACK_LIBRARY names it";
    case Reason::NamedMissing:
        return "SONVALE_JACK_LIBRARY names " + result.path + ", which does not exist; no JACK library was loaded";
    case Reason::ServerAnswered: return "a JACK server answered through the system's JACK library, ahead of PipeWire";
    case Reason::NoPipeWire: return "the system's JACK library; no PipeWire daemon answers for this user";
    case Reason::PipeWireWithoutLibrary:
        return "the system's JACK library; PipeWire runs for this user, but its JACK library is not installed "
               "(package pipewire-jack)";
    case Reason::PipeWireAnswered:
        return "no JACK server answered through the system's JACK library; PipeWire answers for this user";
    }
    return {};
}

const char* CJackChoice::Key(Reason reason)
{
    switch (reason) {
    case Reason::LoadedAlready: return "loaded";
    case Reason::Named: return "named";
    case Reason::NamedMissing: return "named-missing";
    case Reason::ServerAnswered: return "server-answered";
    case Reason::NoPipeWire: return "no-pipewire";
    case Reason::PipeWireWithoutLibrary: return "pipewire-without-library";
    case Reason::PipeWireAnswered: return "pipewire";
    }
    return "";
}
