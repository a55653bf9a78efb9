// Painting the information list with 59 rows (offscreen), and reordering its rows through a compare
// function over the item data.
#include "platform/FontSubstitutions.h"
#include "widgets/Bitmaps.h"
#include "widgets/InfoListCtrl.h"
#include "widgets/ListConstants.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 59;

void Fill(CInfoListCtrl& list)
{
    const int widths[kColumnCount] = {0, 45, 110, 90, 160, 120};
    const char* titles[kColumnCount] = {"", "No.", "Name", "Author", "Description", "Note"};
    for (int c = 0; c < kColumnCount; ++c)
        list.InsertColumn(c, QString::fromLatin1(titles[c]), c == kNoColumn ? HDF_RIGHT : HDF_LEFT, widths[c]);
    for (int i = 0; i < kRows; ++i) {
        list.InsertItem(i, QString(), -1, i);
        list.SetItemText(i, 1, QString::number(i));
        list.SetItemText(i, 2, QStringLiteral("Preset %1").arg(i));
        list.SetItemText(i, 3, i % 3 ? QStringLiteral("Studio team") : QStringLiteral("Factory"));
        list.SetItemText(i, 4, QStringLiteral("Compressor setting for vocal take %1").arg(i));
        list.SetItemText(i, 5, i % 4 ? QString() : QStringLiteral("keep"));
    }
    list.SetImageList({LoadBitmap(IDB_MARKER), LoadBitmap(IDB_MARKER_SELECTED)});
    list.SetBkColor(Qt::black);
    list.SetTextBkColor(Qt::black);
    list.SetTextColor(Qt::white);
    list.SetCustomDrawHandler([](ListCustomDraw& cd) {
        cd.bPlatformHighlight = false;
        cd.clrTextBk = cd.bSelected ? kSelectionColour : QColor(Qt::black);
    });
    list.SetCurrentDataMark(4);
    list.SelectItem(6);
    list.Header().m_nSortColumn = 2;
    list.Header().SetItemFormat(2, HDF_LEFT | HDF_SORTUP);
}

// One full paint of list and header, as a window of 620 x 1300 showing every row.
void BM_PaintList(benchmark::State& state)
{
    CInfoListCtrl list;
    Fill(list);
    list.resize(620, 22 + kRows * 21 + 4);
    list.show();
    QApplication::processEvents();
    QImage target(list.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        list.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_PaintList)->Unit(benchmark::kMicrosecond);

// Sorting by each text column, alternating directions, with a compare function that reads the cells.
void BM_SortList(benchmark::State& state)
{
    CInfoListCtrl list;
    Fill(list);
    const int column = static_cast<int>(state.range(0));
    bool descending = false;
    for (auto _ : state) {
        for (int i = 0; i < list.GetItemCount(); ++i) list.SetItemData(i, i);
        list.SortItems([&](qintptr a, qintptr b) {
            const int r = QString::compare(list.GetItemText(static_cast<int>(a), column),
                                           list.GetItemText(static_cast<int>(b), column), Qt::CaseInsensitive);
            return descending ? -r : r;
        });
        descending = !descending;
    }
}
BENCHMARK(BM_SortList)->DenseRange(1, 5)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
