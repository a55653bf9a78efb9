#pragma once
#include <QColor>

#include <array>
#include <cstdint>

// Header item format word: alignment in the low four bits (0 = left), sort direction flags above.
inline constexpr int HDF_LEFT = 0x0000;
inline constexpr int HDF_RIGHT = 0x0001;
inline constexpr int HDF_CENTER = 0x0002;
inline constexpr int HDF_JUSTIFYMASK = 0x000F;
inline constexpr int HDF_SORTDOWN = 0x0200;
inline constexpr int HDF_SORTUP = 0x0400;

// Which rectangle of a row or cell the list reports.
inline constexpr int LVIR_BOUNDS = 0;
inline constexpr int LVIR_ICON = 1;
inline constexpr int LVIR_LABEL = 2;

// Columns of the information list.
inline constexpr int kColumnCount = 6;
inline constexpr int kNoColumn = 1;
inline constexpr int kNameColumn = 2;
inline constexpr int kNoteColumn = 5;
// Default widths by column, also the widths a divider double-click restores.
inline constexpr std::array<int, kColumnCount> kDefaultColumnWidths{0, 45, 45, 65, 90, 55};
// A column's contents fit its default width when their widest text is narrower than this much less.
inline constexpr int kFitsDefaultMargin = 12;
// The "No." column cannot be dragged narrower than this.
inline constexpr int kMinNoColumnWidth = 37;

// Colours of the list's grid and selection.
inline const QColor kRowLineColour(31, 31, 31);
inline const QColor kColumnLineColour(51, 51, 51);
inline const QColor kSelectionColour(23, 54, 100);
// The dotted focus rectangle around the current row, light on the black rows and the selection colour.
inline const QColor kFocusMarkColour(224, 224, 224);
