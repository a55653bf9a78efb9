#pragma once
#include <QColor>
#include <QIcon>
#include <QPixmap>

// Resource numbers of the program's bitmaps (24-bit pictures under res/bitmaps).
inline constexpr int IDB_UPDATE_PICTURE = 136;   // arrow above the Update button, 35 x 20
inline constexpr int IDB_UPDATE_NORMAL = 138;    // Update button faces, 156 x 47
inline constexpr int IDB_UPDATE_PRESSED = 139;
inline constexpr int IDB_UPDATE_DISABLED = 140;
inline constexpr int IDB_HEADER_BACK = 141;      // header strips, 1 x 22
inline constexpr int IDB_HEADER_SORTED = 142;
inline constexpr int IDB_HEADER_DIVIDER = 143;
inline constexpr int IDB_BAND = 144;             // band under the list, 1 x 105
inline constexpr int IDB_HEADER_PRESSED = 145;
inline constexpr int IDB_MARKER_SELECTED = 146;  // current-data marker on a selected row, 17 x 21
inline constexpr int IDB_MARKER = 147;           // current-data marker, 17 x 21
inline constexpr int IDB_SORT_UP = 148;          // sort triangles, 9 x 5, magenta is transparent
inline constexpr int IDB_SORT_DOWN = 149;

// The bitmap with this resource number; a null pixmap when there is none.
[[nodiscard]] QPixmap LoadBitmap(int id);

// The bitmap with every pixel of the colour `transparent` masked out.
[[nodiscard]] QPixmap LoadBitmap(int id, QColor transparent);

// Icon 128, the program's own icon at every size it is drawn at (the one the desktop entry installs):
// the main window's and every other window's icon, and the picture of the About box.
inline constexpr int IDR_MAINFRAME = 128;
[[nodiscard]] QIcon LoadProgramIcon();
