#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The console's side of the system-exclusive protocol: recognising the identity request and the data
// message, and building the identity reply and the completion reply. Pure: bytes in, bytes out.
class COstraProtocol {
public:
    static constexpr std::size_t VALUE_COUNT = 45; // nine parameter sets of five values
    static constexpr std::size_t NAME_FIELD = 40;
    static constexpr std::size_t DATA_MESSAGE_LENGTH = 137;

    static constexpr std::uint8_t STATUS_STORED = 0x7F;
    static constexpr std::uint8_t STATUS_INVALID = 0x7E;
    static constexpr std::uint8_t STATUS_FLASH_FAILED = 0x7D;

    enum class Kind { IdentityRequest, DataMessage, Foreign };

    // What a received message is: the identity request exactly, any other message of our manufacturer
    // (a data message, to be checked), or someone else's.
    [[nodiscard]] static Kind Classify(const std::uint8_t* pBytes, std::size_t count);

    struct Entry {
        std::string name;
        std::array<std::uint16_t, VALUE_COUNT> values{};
    };
    // Checks a data message in full: frame, tag, byte count 128, set count 9, every byte between F0 and
    // F7 below 80, name length at most 40, checksum and F7. True and the decoded entry when it is valid;
    // otherwise false and why, in a few words.
    [[nodiscard]] static bool CheckDataMessage(const std::uint8_t* pBytes, std::size_t count, Entry& entry,
                                               std::string& reason);

    // Whether a name fits the identity reply whole: at most 40 bytes, each of them 7-bit. False with why
    // otherwise, in a sentence.
    [[nodiscard]] static bool CheckName(const std::string& name, std::string& reason);
    // The 55-byte identity reply naming an entry (its first 40 bytes).
    [[nodiscard]] static std::vector<std::uint8_t> BuildIdentityReply(const std::string& name);
    // The 11-byte completion reply with one of the STATUS_ values.
    [[nodiscard]] static std::vector<std::uint8_t> BuildCompletionReply(std::uint8_t status);

    // The 7-bit checksum that makes the covered bytes add up to a multiple of 128.
    [[nodiscard]] static std::uint8_t Checksum(const std::uint8_t* pBytes, std::size_t count);
    // Hex bytes separated by spaces, for the log.
    [[nodiscard]] static std::string Hex(const std::uint8_t* pBytes, std::size_t count);
    // The meaning of a message in a few words, for the log.
    [[nodiscard]] static std::string Describe(const std::uint8_t* pBytes, std::size_t count);
};
