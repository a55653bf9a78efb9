#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "OstraHostile.h"

// How the emulated console behaves when it answers.
enum class OstraFault {
    None,      // answers as a console does
    Silent,    // never answers
    Delay,     // answers after --delay milliseconds
    Invalid,   // answers every data message with 7E
    FlashFail, // answers every data message with 7D
    Swap,      // answers with the other kind of reply
    Garbage,   // answers with a message that means nothing
    Split,     // sends each reply split over --split MIDI events
};

// The emulator's command line.
struct COstraOptions {
    std::string clientName = "Ostra";
    std::string entryName = "Preset";
    std::string flashPath; // empty: the flash lives in memory only
    std::uint32_t portId = 1;
    std::string secondType; // empty: one pair only
    std::string flashFailEntry; // the flash write of the entry of this name fails; empty: none does
    // Entries whose data messages are answered late, with how late (milliseconds).
    struct LateEntry {
        std::string name;
        unsigned delayMs = 0;
    };
    std::vector<LateEntry> lateEntries;
    OstraFault fault = OstraFault::None;
    unsigned delayMs = 3000;
    unsigned splitCount = 3;
    // The hostile console: each message's decision and answer chosen from this seed (see COstraHostile),
    // from these behaviours only when given, the first message numbered hostileFrom.
    bool hostile = false;
    std::uint64_t hostileSeed = 0;
    std::vector<COstraHostile::Behaviour> hostileOnly;
    std::uint64_t hostileFrom = 1;
    bool untagged = false; // offer the pairs without port metadata, as a bridged console does
    bool help = false;

    // Parses argv; false with a message in error when an option is unknown or its value is bad.
    [[nodiscard]] bool Parse(const std::vector<std::string>& args, std::string& error);
    [[nodiscard]] static std::string Usage();
    [[nodiscard]] static const char* FaultName(OstraFault fault);
};
