#include "widgets/CellFont.h"

#include "platform/SystemLanguage.h"

#include <QFontMetrics>

QFont CreateCellHeightFont(const QString& face, int cellHeight)
{
    QFont font(face);
    int size = cellHeight > 1 ? cellHeight : 1;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > cellHeight) {
        --size;
        font.setPixelSize(size);
    }
    return font;
}

QFont CreateTitleFont()
{
    return IsJapaneseSystem() ? CreateCellHeightFont(QStringLiteral("MS UI Gothic"), 12)
                              : CreateCellHeightFont(QStringLiteral("Arial"), 15);
}

QFont CreateListOwnFont()
{
    return IsJapaneseSystem() ? QFont(QStringLiteral("MS UI Gothic"), 12) : QFont(QStringLiteral("Arial"), 11);
}
