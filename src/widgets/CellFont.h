#pragma once
#include <QFont>
#include <QString>

// A font of `face` whose cell (ascent plus descent, the line height without extra leading) is at most
// `cellHeight` pixels, the largest such size: the way a font is asked for by its cell height.
[[nodiscard]] QFont CreateCellHeightFont(const QString& face, int cellHeight);

// The font of header titles and drag pictures: "MS UI Gothic" with a 12-pixel cell when the system
// language is Japanese, else "Arial" with a 15-pixel cell.
[[nodiscard]] QFont CreateTitleFont();

// The list's own font: 12-point "MS UI Gothic" for Japanese, else 11-point "Arial".
[[nodiscard]] QFont CreateListOwnFont();

