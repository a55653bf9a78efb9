#pragma once
#include <QImage>

#include <vector>

// Draws the program's bitmaps from their pixel descriptions. Every picture is 24-bit and opaque; the
// pictures that are drawn with a transparent colour carry that colour in the pixels that must not show.
struct GeneratedBitmap {
    int id;            // resource number the program loads it by
    const char* name;  // file name under res/bitmaps/
    QImage image;
};

[[nodiscard]] std::vector<GeneratedBitmap> PaintAllBitmaps();
