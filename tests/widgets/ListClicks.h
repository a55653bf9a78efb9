#pragma once
// Mouse gestures on the information list as a user makes them.
#include <QTest>

#include "widgets/InfoListCtrl.h"
#include "widgets/ListConstants.h"
#include "widgets/TarnHeaderCtrl.h"

// A click on the middle of a column's title.
inline void ClickHeader(CInfoListCtrl& list, int nColumn)
{
    CTarnHeaderCtrl& header = list.Header();
    const QPoint centre(header.sectionViewportPosition(nColumn) + header.sectionSize(nColumn) / 2, header.height() / 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, centre);
}

// Brings the row into sight and double-clicks its Note cell, which opens the note editor there.
inline void DoubleClickNoteCell(CInfoListCtrl& list, int nRow)
{
    list.scrollToItem(list.topLevelItem(nRow));
    QRect cell;
    if (!list.GetSubItemRect(nRow, kNoteColumn, LVIR_BOUNDS, cell))
        return;
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
}
