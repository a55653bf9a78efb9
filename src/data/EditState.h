#pragma once
#include <cstdint>
#include <string>

// One state of the in-place note editor, kept by the note-edit history: the editor's selection and its
// text (narrow, as the notes are stored).
struct EditState {
    // Opaque to the history. The view packs the selection start into the low 16 bits and the selection
    // length into the high 16 bits (see MakeSelection).
    std::uint32_t selection = 0;
    std::string text;

    [[nodiscard]] static constexpr std::uint32_t MakeSelection(std::uint16_t start, std::uint16_t length)
    {
        return static_cast<std::uint32_t>(start) | (static_cast<std::uint32_t>(length) << 16);
    }
    [[nodiscard]] constexpr std::uint16_t SelectionStart() const { return static_cast<std::uint16_t>(selection & 0xFFFF); }
    [[nodiscard]] constexpr std::uint16_t SelectionLength() const { return static_cast<std::uint16_t>(selection >> 16); }

    friend bool operator==(const EditState&, const EditState&) = default;
};
