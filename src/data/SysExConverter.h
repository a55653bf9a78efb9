#pragma once
#include "data/DataEntry.h"
#include "data/SysExFrames.h"
#include "platform/ResultCode.h"

#include <cstdint>
#include <span>

// Builds the two system-exclusive messages the program sends to the console (identity request, data
// message) and recognises the two replies it expects (completion reply, identity reply). Pure: no
// state, no input or output; all buffers belong to the caller. A length parameter is in-out: the
// buffer's capacity on entry, the number of bytes written on success.
class CSysExConverter {
public:
    // Reply kinds reported by ParseReply.
    static constexpr int kReplyNone = 0;
    static constexpr int kReplyIdentity = 1;
    static constexpr int kReplyCompletion = 2;

    static constexpr std::uint32_t kIdentityRequestLength = SysExFrames::kIdentityRequestLength;
    static constexpr std::uint32_t kDataMessageLength = SysExFrames::kDataMessageLength;
    static constexpr std::uint32_t kMaxNameLength = SysExFrames::kNameFieldLength; // name bytes a message carries

    virtual ~CSysExConverter() = default;

    // The 10-byte identity request. RC_BUFFER_TOO_SMALL when the capacity is below 10.
    [[nodiscard]] ResultCode BuildIdentityRequest(std::uint8_t* buffer, std::uint32_t& length) const;

    // The 137-byte data message for one entry: its nine parameter sets in set order and the first 40
    // bytes of its name (a null name is sent as an empty one). RC_BUFFER_TOO_SMALL when the capacity is
    // below 137; the bytes before the first one that did not fit may have been written.
    [[nodiscard]] ResultCode BuildDataMessage(std::uint8_t* buffer, std::span<const ParameterSet, kParameterSetCount> sets,
                                              const char* name, std::uint32_t& length) const;

    // Classifies one received message. kind = kReplyCompletion: the result is RC_OK (stored),
    // RC_REPLY_DATA_INVALID (status 7E) or RC_REPLY_FLASH_FAILED (status 7D). kind = kReplyIdentity: the
    // console's entry name is in nameBuffer, 0-terminated; the result is RC_OK. kind = kReplyNone:
    // neither; the result is RC_OK. Never reads at or past `count`; nameBuffer may have been written even
    // when the kind is not kReplyIdentity.
    [[nodiscard]] ResultCode ParseReply(const std::uint8_t* bytes, std::uint32_t count, char* nameBuffer,
                                        std::uint32_t capacity, int& kind) const;

    // Matched when the first 11 bytes are the completion reply with status 7F, 7E or 7D; the result
    // then reflects the status. RC_OK when not matched.
    [[nodiscard]] ResultCode CheckCompletionReply(const std::uint8_t* bytes, std::uint32_t count, bool& matched) const;

    // Valid when the first 55 bytes are an identity reply with a correct checksum and its name length
    // plus the terminating 0 fits into `capacity`; the name (at most 40 bytes) is then in nameBuffer.
    [[nodiscard]] ResultCode ParseIdentityReply(const std::uint8_t* bytes, std::uint32_t count, char* nameBuffer,
                                                std::uint32_t capacity, bool& valid) const;
};
