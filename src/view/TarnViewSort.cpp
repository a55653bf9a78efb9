// Sorting the list by a column.
#include "view/TarnView.h"

#include "app/TarnDoc.h"
#include "platform/TextCodec.h"
#include "widgets/ListConstants.h"

namespace {

// The number the "No." text starts with: its leading decimal digits, 0 when it has none. Like the
// 9-byte buffer the key text is read through, at most the first 8 bytes count.
std::uint32_t LeadingNumber(const QString& text)
{
    const std::string narrow = NarrowFromWide(text);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < narrow.size() && i < 8 && narrow[i] >= '0' && narrow[i] <= '9'; ++i)
        value = value * 10 + static_cast<std::uint32_t>(narrow[i] - '0');
    return value;
}

char16_t FoldAtoZ(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

// Code unit by code unit with only A to Z folded to lower case; a prefix compares lower.
int CompareFolded(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = FoldAtoZ(a[i].unicode());
        const char16_t cb = FoldAtoZ(b[i].unicode());
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

ResultCode CTarnView::SortByColumn(std::uint16_t nColumn)
{
    for (int row = 0; row < m_list.GetItemCount(); ++row) m_list.SetItemData(row, row);

    const bool descending = nColumn == m_nSortCol ? m_bNextDescending : false;
    m_bNextDescending = descending;
    const SortParam param{nColumn, descending};
    m_list.SortItems([this, param](qintptr a, qintptr b) { return CompareRows(a, b, param); });

    CTarnHeaderCtrl& header = m_list.Header();
    header.SetItemFormat(m_nSortCol, header.GetItemFormat(m_nSortCol) & ~(HDF_SORTUP | HDF_SORTDOWN));
    header.SetItemFormat(nColumn, header.GetItemFormat(nColumn) | (descending ? HDF_SORTDOWN : HDF_SORTUP));

    m_nSortCol = nColumn;
    m_bNextDescending = !descending;
    header.m_nSortColumn = static_cast<std::int16_t>(nColumn);
    header.viewport()->update();
    return RC_OK;
}

int CTarnView::CompareRows(qintptr a, qintptr b, SortParam param) const
{
    const QString textA = m_list.GetItemText(static_cast<int>(a), param.nColumn);
    const QString textB = m_list.GetItemText(static_cast<int>(b), param.nColumn);

    if (param.nColumn == kNoColumn) {
        const std::uint32_t numberA = LeadingNumber(textA);
        const std::uint32_t numberB = LeadingNumber(textB);
        if (numberA == numberB) return 0;
        const int ascending = numberA > numberB ? 1 : -1;
        return param.bDescending ? -ascending : ascending;
    }

    const int r = CompareFolded(textA, textB);
    if (r == 0) return 0;
    // Empty cells go after all others, whichever the direction.
    if (textA.isEmpty()) return 1;
    if (textB.isEmpty()) return -1;
    return param.bDescending ? -r : r;
}

ResultCode CTarnView::OnColumnClick(int nColumn)
{
    if (!m_pDoc) return RC_OK;
    // An open note edit ends before the rows move, so that its note is kept under its own entry.
    CommitOpenNoteEdit();
    (void)m_pDoc->DataController().ClearEditHistory();
    if (nColumn != 0) SortByColumn(static_cast<std::uint16_t>(nColumn));
    return RC_OK;
}
