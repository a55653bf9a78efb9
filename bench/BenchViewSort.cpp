// Sorting the main view's list of the 59 factory entries by each column (offscreen), the way a title
// click does: each run reverses the previous order of that column.
#include "app/TarnDoc.h"
#include "platform/FontSubstitutions.h"
#include "platform/SystemLanguage.h"
#include "prefs/Preference.h"
#include "prefs/Win32PrefHandler.h"
#include "view/TarnView.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_SortViewByColumn(benchmark::State& state)
{
    QTemporaryDir dir;
    auto store = std::make_unique<CWin32PrefHandler>();
    store->SetProfilePath(dir.filePath(QStringLiteral("Tarn.ini")));
    if (!dir.isValid() || store->Load() != RC_OK) {
        state.SkipWithError("no preference file in a temporary folder");
        return;
    }
    g_Preference.Reset(std::move(store));
    {
        CTarnDoc doc;
        CTarnView view(doc);
        view.resize(800, 500);
        view.show();
        view.OnInitialUpdate();
        const auto column = static_cast<std::uint16_t>(state.range(0));
        for (auto _ : state) view.SortByColumn(column);
        state.counters["rows"] = view.List().GetItemCount();
    }
    g_Preference.Reset();
}
BENCHMARK(BM_SortViewByColumn)->DenseRange(1, 5)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    SetSystemDefaultLangIDOverride(LANG_ENGLISH);
    QApplication app(argc, argv);
    RegisterFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
