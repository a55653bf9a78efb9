#pragma once
#include <QImage>

// The program's desktop icon at one size (square, with transparency): the band's grey gradient as a
// rounded tile, three list rows with the current-data marker on the second, and the Update picture's
// blue arrow pointing down into the console.
[[nodiscard]] QImage PaintAppIcon(int size);
