#include "OstraOptions.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "OstraProtocol.h"

namespace {

constexpr struct {
    const char* name;
    OstraFault fault;
} FAULTS[] = {
    {"none", OstraFault::None},       {"silent", OstraFault::Silent}, {"delay", OstraFault::Delay},
    {"invalid", OstraFault::Invalid}, {"flash-fail", OstraFault::FlashFail}, {"swap", OstraFault::Swap},
    {"garbage", OstraFault::Garbage}, {"split", OstraFault::Split},
};

bool ParseUnsigned(const std::string& text, unsigned long max, unsigned long& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && value <= max;
}

bool ParseUnsigned64(const std::string& text, std::uint64_t& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

} // namespace

const char* COstraOptions::FaultName(OstraFault fault)
{
    for (const auto& f : FAULTS)
        if (f.fault == fault)
            return f.name;
    return "?";
}

std::string COstraOptions::Usage()
{
    return "Usage: ostra-emulator [options]\n"
           "An emulated console on the JACK graph: one MIDI port pair typed \"Tarn\" that answers the\n"
           "identity request and stores data messages in its flash. Every message received and sent is\n"
           "printed in hex with its meaning. Ends cleanly on SIGINT or SIGTERM.\n"
           "\n"
           "  --name NAME          JACK client name (default \"Ostra\")\n"
           "  --entry NAME         current entry until the flash holds one (default \"Preset\");\n"
           "                       at most 40 characters of 7-bit text (ASCII)\n"
           "  --flash FILE         flash memory file, written atomically (default: memory only)\n"
           "  --port-id N          identifier of the \"Tarn\" pair (default 1; a second pair gets N+1)\n"
           "  --second-pair TYPE   also offer a pair of this four-character type\n"
           "  --fault MODE         none, silent, delay, invalid (always 7E), flash-fail (always 7D),\n"
           "                       swap (the other kind of reply), garbage, split\n"
           "  --flash-fail-entry NAME\n"
           "                       the flash write of the entry named NAME fails (7D); every other\n"
           "                       entry is stored\n"
           "  --late-entry [MS:]NAME\n"
           "                       the reply to the data message of the entry named NAME comes MS (or\n"
           "                       --delay) ms late, while other messages are answered at once; may be\n"
           "                       given for several entries\n"
           "  --delay MS           reply delay for --fault delay and --late-entry (default 3000)\n"
           "  --split N            MIDI events per reply for --fault split (default 3)\n"
           "  --hostile SEED       a hostile console: for each message it decides, from a generator\n"
           "                       seeded with SEED, whether a write is stored, invalid or a failed\n"
           "                       flash write, and how it answers; one line per message in the log\n"
           "                       (msg N kind=... entry=\"...\" decision=... behaviour=...), one per\n"
           "                       answer sent (answer msg=N part=... at=MS, monotonic clock)\n"
           "  --hostile-only LIST  the hostile console behaves only in these ways (comma-separated):\n"
           "                       " + COstraHostile::Names() + "\n"
           "  --hostile-from N     number of the first message (default 1), to replay a run from there\n"
           "  --untagged           offer the pairs without their tags, as a bridged console does\n"
           "  --help               this text\n"
           "\n"
           "The server is the one JACK_DEFAULT_SERVER names; the emulator never starts one.\n";
}

bool COstraOptions::Parse(const std::vector<std::string>& args, std::string& error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            help = true;
            continue;
        }
        if (option == "--untagged") {
            untagged = true;
            continue;
        }
        static const std::string withValue[] = {"--name", "--entry", "--flash", "--port-id",
                                                "--second-pair", "--fault", "--delay", "--split",
                                                "--flash-fail-entry", "--late-entry",
                                                "--hostile", "--hostile-only", "--hostile-from"};
        if (std::find(std::begin(withValue), std::end(withValue), option) == std::end(withValue)) {
            error = "unknown option " + option;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "option " + option + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        unsigned long number = 0;
        if (option == "--name") {
            if (value.empty()) {
                error = "--name must not be empty";
                return false;
            }
            clientName = value;
        } else if (option == "--entry") {
            // The console sends this name in its identity reply; a byte of 80 or more would break
            // the message and the program would see a connection error instead of the name.
            std::string reason;
            if (!COstraProtocol::CheckName(value, reason)) {
                error = "--entry \"" + value + "\" cannot be sent: " + reason;
                return false;
            }
            entryName = value;
        } else if (option == "--flash-fail-entry") {
            if (value.empty()) {
                error = "--flash-fail-entry needs the name of an entry";
                return false;
            }
            flashFailEntry = value;
        } else if (option == "--late-entry") {
            // [MS:]NAME; without MS, --delay tells how late (given before or after).
            LateEntry late{value, 0};
            const std::size_t colon = value.find(':');
            if (colon != std::string::npos && colon > 0 && ParseUnsigned(value.substr(0, colon), 600000, number)) {
                late = {value.substr(colon + 1), static_cast<unsigned>(number)};
            }
            if (late.name.empty()) {
                error = "--late-entry needs the name of an entry, after milliseconds and ':' when given";
                return false;
            }
            lateEntries.push_back(late);
        } else if (option == "--hostile") {
            if (!ParseUnsigned64(value, hostileSeed)) {
                error = "--hostile needs a seed: a decimal number below 2^64";
                return false;
            }
            hostile = true;
        } else if (option == "--hostile-only") {
            hostileOnly.clear();
            for (std::size_t at = 0; at <= value.size();) {
                const std::size_t comma = std::min(value.find(',', at), value.size());
                COstraHostile::Behaviour behaviour{};
                if (!COstraHostile::FromName(value.substr(at, comma - at), behaviour)) {
                    error = "--hostile-only takes behaviours among " + COstraHostile::Names() + ", not \"" +
                            value.substr(at, comma - at) + "\"";
                    return false;
                }
                hostileOnly.push_back(behaviour);
                at = comma + 1;
            }
        } else if (option == "--hostile-from") {
            if (!ParseUnsigned64(value, hostileFrom) || hostileFrom == 0) {
                error = "--hostile-from needs a message number from 1";
                return false;
            }
        } else if (option == "--flash") {
            flashPath = value;
        } else if (option == "--port-id") {
            if (!ParseUnsigned(value, 0xFFFFFFFEul, number)) {
                error = "--port-id needs a number below 4294967295";
                return false;
            }
            portId = static_cast<std::uint32_t>(number);
        } else if (option == "--second-pair") {
            if (value.size() != 4 || value == "Tarn") {
                error = "--second-pair needs four characters other than Tarn";
                return false;
            }
            secondType = value;
        } else if (option == "--fault") {
            bool known = false;
            for (const auto& f : FAULTS) {
                if (value == f.name) {
                    fault = f.fault;
                    known = true;
                }
            }
            if (!known) {
                error = "unknown fault mode " + value;
                return false;
            }
        } else if (option == "--delay") {
            if (!ParseUnsigned(value, 600000, number)) {
                error = "--delay needs milliseconds, at most 600000";
                return false;
            }
            delayMs = static_cast<unsigned>(number);
        } else if (option == "--split") {
            if (!ParseUnsigned(value, 64, number) || number < 2) {
                error = "--split needs a count from 2 to 64";
                return false;
            }
            splitCount = static_cast<unsigned>(number);
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (!hostile && (!hostileOnly.empty() || hostileFrom != 1)) {
        error = "--hostile-only and --hostile-from need --hostile SEED";
        return false;
    }
    return true;
}
