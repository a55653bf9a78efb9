// What a user typed survives closing the program: notes typed into the list (one committed with Enter,
// one still open in the editor when the window closes), the sort order chosen from the header and the
// column widths are in the preference file after the program ends, and come back when it starts again.
#include <QFile>
#include <QTest>
#include <vector>

#include "WholeProgramFixture.h"
#include "widgets/ListClicks.h"
#include "app/MainFrame.h"
#include "view/TarnView.h"

namespace {

void OpenNoteEditor(CInfoListCtrl& list, int nRow)
{
    DoubleClickNoteCell(list, nRow);
    ASSERT_TRUE(list.IsNoteEditorOpen());
}

// Types text key by key; unlike QTest::keyClicks, characters beyond ASCII are typed too.
void Type(QWidget& widget, const QString& text)
{
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, &widget, Qt::Key_unknown, QString(c), {});
        QTest::sendKeyEvent(QTest::Release, &widget, Qt::Key_unknown, QString(c), {});
    }
}

std::vector<int> KeysInRowOrder(const CInfoListCtrl& list)
{
    std::vector<int> keys;
    for (int row = 0; row < list.GetItemCount(); ++row)
        keys.push_back(list.GetItemText(row, kNoColumn).toInt());
    return keys;
}

} // namespace

TEST_F(WholeProgramTest, NotesSortAndWidthsSurviveARestart)
{
    const QString committed = QStringLiteral("Gesang – weich, 2 dB weniger");
    const QString leftOpen = QStringLiteral("kick only");
    ASSERT_TRUE(StartConsole());
    ASSERT_TRUE(StartProgram());
    app->MainFrame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app->MainFrame()));
    CInfoListCtrl* pList = &View().List();

    // Name, twice: descending by name.
    ClickHeader(*pList, kNameColumn);
    ClickHeader(*pList, kNameColumn);
    ASSERT_TRUE(WaitFor([&] { return View().SortColumn() == kNameColumn; }));
    const std::vector<int> sortedKeys = KeysInRowOrder(*pList);
    ASSERT_GT(QString::compare(pList->GetItemText(0, kNameColumn), pList->GetItemText(58, kNameColumn), Qt::CaseInsensitive), 0)
        << "the list is not in descending name order";
    pList->SetColumnWidth(kNameColumn, 231);
    pList->SetColumnWidth(kNoteColumn, 187);

    OpenNoteEditor(*pList, RowOfKey(12));
    Type(pList->NoteEditor(), committed);
    QTest::keyClick(&pList->NoteEditor(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return !pList->IsNoteEditorOpen(); }));
    OpenNoteEditor(*pList, RowOfKey(40));
    Type(pList->NoteEditor(), leftOpen);
    QCoreApplication::processEvents();

    const QString profile = ProfilePath();
    ASSERT_FALSE(profile.isEmpty());
    StopProgram();

    QFile file(profile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << profile.toStdString();
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& line : {QStringLiteral("NoteNum=2"), QStringLiteral("Note0=12::") + committed,
                                QStringLiteral("Note1=40::") + leftOpen, QStringLiteral("SortCol=2"),
                                QStringLiteral("SortDesFlag=1"), QStringLiteral("NameWidth=231"),
                                QStringLiteral("NoteWidth=187")})
        EXPECT_TRUE(text.contains(line)) << "missing \"" << line.toStdString() << "\" in\n" << text.toStdString();

    ASSERT_TRUE(StartProgram());
    pList = &View().List();
    EXPECT_EQ(KeysInRowOrder(*pList), sortedKeys);
    EXPECT_EQ(View().SortColumn(), kNameColumn);
    EXPECT_EQ(pList->Header().GetItemFormat(kNameColumn) & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);
    EXPECT_EQ(pList->GetColumnWidth(kNameColumn), 231);
    EXPECT_EQ(pList->GetColumnWidth(kNoteColumn), 187);
    EXPECT_EQ(pList->GetItemText(RowOfKey(12), kNoteColumn), committed);
    EXPECT_EQ(pList->GetItemText(RowOfKey(40), kNoteColumn), leftOpen);
    EXPECT_TRUE(pList->GetItemText(RowOfKey(13), kNoteColumn).isEmpty());
    EXPECT_TRUE(boxes->Shown().empty());
}
