#pragma once
#include <cstdint>

// The 32-bit result of every operation of the program's own classes. Each family compares against its
// own success value: RC_OK for local operations (data, conversion, preferences, views) and
// RC_EXCHANGE_OK for exchanges with the console (the MIDI controller, WriteEntry, QueryCurrentDataName).
using ResultCode = std::uint32_t;

inline constexpr ResultCode RC_OK = 0x00010000;          // local operation succeeded
inline constexpr ResultCode RC_EXCHANGE_OK = 0x00020000; // exchange with the console succeeded

// The update result before the worker stored one.
inline constexpr ResultCode RC_UPDATE_NO_RESULT = 0x80000000;
// The update's outcome when the console answered but its answer may be the late one to an earlier write
// (the exchange's "cannot tell"): the entry may or may not be stored.
inline constexpr ResultCode RC_UPDATE_UNPROVEN = 0x80000001;

// Local operations.
inline constexpr ResultCode RC_NOTHING_TO_REDO = 0x80010002;       // RedoEdit without a redo point
inline constexpr ResultCode RC_NOTE_EDITOR_CLOSED = 0x80010003;    // list note-edit text operation, editor not open
inline constexpr ResultCode RC_BAD_PARAMETER_SET = 0x80010004;     // parameter-set index 9 or more
inline constexpr ResultCode RC_NO_SUCH_KEY = 0x80010005;           // no entry or note with this key
inline constexpr ResultCode RC_BUFFER_TOO_SMALL = 0x80010006;      // a builder's or Receive's buffer too small
inline constexpr ResultCode RC_REPLY_DATA_INVALID = 0x80010008;    // completion reply with status 7E
inline constexpr ResultCode RC_OUT_OF_MEMORY = 0x80010009;         // memory exhausted
inline constexpr ResultCode RC_NO_TERMINATOR = 0x8001000A;         // no terminating row in the first 10000 rows
inline constexpr ResultCode RC_REPLY_FLASH_FAILED = 0x8001000B;    // completion reply with status 7D

// Exchanges with the console.
inline constexpr ResultCode RC_DRIVER_UNAVAILABLE = 0x80020001;    // Open: no driver object or device list
inline constexpr ResultCode RC_OBSERVER_REFUSED = 0x80020003;      // Open: driver refused the driver-wide observer
inline constexpr ResultCode RC_NO_USABLE_PORT = 0x80020006;        // Open: no usable port on any device
inline constexpr ResultCode RC_SEND_FAILED = 0x80020007;           // no port, refused/unconfirmed send, no or wrong reply
inline constexpr ResultCode RC_RECEIVE_FAILED = 0x80020008;        // no reply in time, receive error, no identity reply
inline constexpr ResultCode RC_DATA_INVALID = 0x80020009;          // the console reports the data invalid
inline constexpr ResultCode RC_FLASH_WRITE_FAILED = 0x8002000A;    // the console failed to write its flash memory

// Preference path set-up at start-up.
inline constexpr ResultCode RC_MODULE_PATH_UNREADABLE = 0x80030001; // the program's own path cannot be read
inline constexpr ResultCode RC_PATH_NO_MEMORY = 0x80030002;         // no memory for the profile-file name
inline constexpr ResultCode RC_FOLDER_NOT_CREATED = 0x80030003;     // a preference folder cannot be created
