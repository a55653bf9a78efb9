// libFuzzer target: any bytes as the preference file. Load must neither crash nor hang, and what it
// read must come back unchanged after Save and a second Load, without the broken-file question.
#include "platform/MessageBoxService.h"
#include "prefs/Win32PrefHandler.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Snapshot
{
    std::vector<CWin32PrefHandler::NoteRecord> notes;
    std::uint16_t nSortColumn = 0;
    bool bDescending = false;
    std::int32_t bounds[4] = {};
    std::uint16_t widths[5] = {};
    bool bZoomed = false;
    bool bDefaulted = false;
};

void Require(bool bCondition)
{
    if (!bCondition)
        std::abort();
}

Snapshot Take(CWin32PrefHandler& store)
{
    Snapshot s;
    for (const auto& note : store.Notes())
        if (!note.strText.empty())
            s.notes.push_back(note);
    Require(store.GetSort(s.nSortColumn, s.bDescending) == RC_OK);
    Require(store.GetWindowBounds(s.bounds[0], s.bounds[1], s.bounds[2], s.bounds[3]) == RC_OK);
    Require(store.GetNoWidth(s.widths[0]) == RC_OK && store.GetNameWidth(s.widths[1]) == RC_OK
            && store.GetAuthorWidth(s.widths[2]) == RC_OK && store.GetDescriptionWidth(s.widths[3]) == RC_OK
            && store.GetNoteWidth(s.widths[4]) == RC_OK);
    Require(store.GetZoomed(s.bZoomed) == RC_OK && store.GetPlacementDefaulted(s.bDefaulted) == RC_OK);
    Require(s.widths[0] >= 57 && s.widths[1] >= 10 && s.widths[2] >= 10 && s.widths[3] >= 10 && s.widths[4] >= 10);
    return s;
}

bool SameNotes(const std::vector<CWin32PrefHandler::NoteRecord>& a, const std::vector<CWin32PrefHandler::NoteRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].nKey != b[i].nKey || a[i].strText != b[i].strText)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath("Tarn.ini");

    // The broken-file question is answered by the input's last byte, so both answers are explored.
    int nQuestions = 0;
    const MessageBoxAnswer answer =
        size > 0 && (data[size - 1] & 1) ? MessageBoxAnswer::Ok : MessageBoxAnswer::Cancel;
    CMessageBoxService::SetResponder([&](const MessageBoxRequest&) {
        ++nQuestions;
        return answer;
    });

    {
        QFile file(path);
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Require(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size));
    }

    CWin32PrefHandler first;
    first.SetProfilePath(path);
    Require(first.Load() == RC_OK);
    const Snapshot before = Take(first);
    Require(first.Save() == RC_OK);

    nQuestions = 0;
    CWin32PrefHandler second;
    second.SetProfilePath(path);
    Require(second.Load() == RC_OK);
    const Snapshot after = Take(second);
    Require(nQuestions == 0);
    Require(SameNotes(before.notes, after.notes));
    Require(before.nSortColumn == after.nSortColumn && before.bDescending == after.bDescending);
    Require(before.bZoomed == after.bZoomed);
    for (int i = 0; i < 5; ++i)
        Require(before.widths[i] == after.widths[i]);

    CMessageBoxService::SetResponder({});
    return 0;
}
