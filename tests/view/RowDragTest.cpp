// Dragging the selected row onto the Update button, in the whole program over a scripted console.
#include "UpdateSession.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>

#include <array>
#include <functional>

#include "data/ConsoleMessages.h"
#include "data/FakeMIDIController.h"
#include "platform/PrivateMessage.h"
#include "view/TarnView.h"
#include "widgets/DragImageWindow.h"
#include "widgets/ListConstants.h"

namespace {

// Counts the drop messages that reach the view, letting them through.
class DropCounter : public QObject
{
public:
    int nDrops = 0;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        nDrops += pEvent->type() == static_cast<QEvent::Type>(WM_DROP_UPDATE) ? 1 : 0;
        return false;
    }
};

// Columns of the drag picture as [left, right) in picture coordinates where text pixels (light on the
// selection colour) lie in x range [from, to); {-1, -1} when none.
std::pair<int, int> TextSpan(const QImage& image, int from, int to)
{
    int first = -1, last = -1;
    for (int x = std::max(0, from); x < std::min(to, image.width()); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qRed(image.pixel(x, y)) > 120) {
                if (first < 0)
                    first = x;
                last = x + 1;
                break;
            }
    return {first, last};
}

class RowDrag : public testing::Test
{
protected:
    void SetUp() override
    {
        console->Respond(console_messages::kIdentity);
        session = std::make_unique<UpdateSession>(console, 5);
        ASSERT_TRUE(session->Start());
        ASSERT_TRUE(session->App().m_bConnected);
        session->View().installEventFilter(&drops);
    }
    void TearDown() override { session.reset(); }

    std::optional<Qt::CursorShape> Cursor() const
    {
        const QCursor* pCursor = QGuiApplication::overrideCursor();
        return pCursor ? std::optional(pCursor->shape()) : std::nullopt;
    }
    // Starts a drag of the selected row from its "Name" cell.
    QPoint BeginDrag()
    {
        QRect cell;
        EXPECT_TRUE(session->List().GetSubItemRect(session->List().GetSelectedItem(), 2, LVIR_BOUNDS, cell));
        const QPoint start = cell.center() + QPoint(0, QApplication::startDragDistance() / 2);
        session->Press(cell.center());
        session->Move(start + QPoint(QApplication::startDragDistance(), 0));
        return start + QPoint(QApplication::startDragDistance(), 0);
    }
    QPoint Elsewhere() { return session->UpdateButtonPoint() + QPoint(0, -60); }

    FakeMIDIController* console = new FakeMIDIController; // owned by the MIDI holder
    std::unique_ptr<UpdateSession> session;
    DropCounter drops;
};

TEST_F(RowDrag, CursorSaysWhereADropWouldUpdate)
{
    session->List().SelectItem(3);
    const QPoint start = BeginDrag();
    ASSERT_TRUE(session->List().IsDragging());
    EXPECT_EQ(Cursor(), Qt::ForbiddenCursor);
    // The picture sits under the pointer from the first moment, at the offset the row was grabbed at.
    const CDragImageWindow* pWindow = session->List().DragWindow();
    ASSERT_NE(pWindow, nullptr);
    EXPECT_TRUE(pWindow->isVisible());
    QRect row;
    ASSERT_TRUE(session->List().GetItemRect(3, row, LVIR_BOUNDS));
    EXPECT_EQ(pWindow->Hotspot(), start - row.topLeft());
    EXPECT_EQ(pWindow->GlobalPos(), session->List().viewport()->mapToGlobal(row.topLeft()));

    session->Move(session->UpdateButtonPoint());
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    EXPECT_EQ(pWindow->GlobalPos() + pWindow->Hotspot(), session->List().viewport()->mapToGlobal(session->UpdateButtonPoint()));
    EXPECT_EQ(session->List().GetSelectedItem(), 3) << "the drag selects no other row on its way";
    session->Move(Elsewhere());
    EXPECT_EQ(Cursor(), Qt::ForbiddenCursor);

    session->App().m_bConnected = false;
    session->Move(session->UpdateButtonPoint());
    EXPECT_EQ(Cursor(), Qt::ForbiddenCursor) << "no drop counts without a console";

    session->Release(session->UpdateButtonPoint());
    EXPECT_FALSE(session->List().IsDragging());
    EXPECT_FALSE(Cursor().has_value()) << "the cursor is given back";
    EXPECT_TRUE(session->shown.empty());
}

TEST_F(RowDrag, DropOnUpdateConfirmedPostsOneUpdateAndTheConsoleGetsTheEntry)
{
    session->List().SelectItem(session->RowOfKey(9));
    console->Respond(console_messages::WithByte(console_messages::kCompletion, 9, 0x7F));
    session->answers.push_back(MessageBoxAnswer::Ok);
    session->DragSelectedRowTo(session->UpdateButtonPoint());

    ASSERT_EQ(session->shown.size(), 1u);
    EXPECT_EQ(session->shown[0],
              (MessageBoxRequest{kCaption, kQuestion, MessageBoxIcon::Question, MessageBoxButtons::OkCancel}));
    EXPECT_EQ(session->List().GetSelectedItem(), session->RowOfKey(9)) << "the drop selects nothing";
    ASSERT_TRUE(UpdateSession::WaitFor([&] { return session->Count(kCompleted) == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(drops.nDrops, 1);
    ASSERT_EQ(console->sent.size(), 2u);
    EXPECT_EQ(console->sent[1], DataMessageOf(9));
}

TEST_F(RowDrag, CancelledOrMissedDropSendsNothing)
{
    session->List().SelectItem(4);
    session->answers.push_back(MessageBoxAnswer::Cancel);
    session->DragSelectedRowTo(session->UpdateButtonPoint());
    EXPECT_EQ(session->Count(kQuestion), 1);

    session->DragSelectedRowTo(Elsewhere());
    EXPECT_EQ(session->Count(kQuestion), 1) << "a drop elsewhere asks nothing";

    QCoreApplication::processEvents();
    EXPECT_EQ(drops.nDrops, 0);
    EXPECT_EQ(console->sent.size(), 1u);
}

TEST_F(RowDrag, ConsoleGoneDuringTheQuestionIgnoresTheAnswer)
{
    session->List().SelectItem(4);
    session->answers.push_back(MessageBoxAnswer::Ok);
    session->onBox = [&](const MessageBoxRequest& request) {
        if (request.text != kQuestion)
            return;
        console->openResult = RC_NO_USABLE_PORT;
        session->FireDeviceEvent();
    };
    session->DragSelectedRowTo(session->UpdateButtonPoint());

    EXPECT_EQ(session->Count(kConnectionError), 1);
    EXPECT_FALSE(session->App().m_bConnected);
    EXPECT_FALSE(session->View().UpdateButton().isEnabled());
    QCoreApplication::processEvents();
    EXPECT_EQ(drops.nDrops, 0);
    EXPECT_EQ(console->sent.size(), 1u);
}

// A box or a menu that comes up during a drag takes the mouse: the release is never seen by the list.
// The drag ends there, without a drop, and the picture and the cursor go with it.
TEST_F(RowDrag, ABoxOrAMenuDuringTheDragEndsItWithoutADrop)
{
    CInfoListCtrl& list = session->List();
    list.SelectItem(4);
    const auto interruptions = std::to_array<std::pair<const char*, std::function<std::unique_ptr<QWidget>()>>>({
        {"a modal box",
         [&] {
             auto pBox = std::make_unique<QMessageBox>(QMessageBox::Warning, kCaption, QStringLiteral("F1"),
                                                       QMessageBox::Ok, &session->View());
             pBox->open();
             return std::unique_ptr<QWidget>(std::move(pBox));
         }},
        {"a menu",
         [&] {
             auto pMenu = std::make_unique<QMenu>();
             pMenu->addAction(QStringLiteral("Update"));
             pMenu->popup(list.mapToGlobal(QPoint(10, 10)));
             return std::unique_ptr<QWidget>(std::move(pMenu));
         }},
    });
    for (const auto& [pszWhat, open] : interruptions) {
        SCOPED_TRACE(pszWhat);
        BeginDrag();
        session->Move(session->UpdateButtonPoint());
        ASSERT_TRUE(list.IsDragging());
        const CDragImageWindow* pPicture = list.DragWindow();
        ASSERT_NE(pPicture, nullptr);
        std::unique_ptr<QWidget> pWindow = open();
        ASSERT_TRUE(UpdateSession::WaitFor([&] { return pWindow->isVisible(); }));

        EXPECT_FALSE(list.IsDragging());
        EXPECT_FALSE(pPicture->isVisible()) << "the picture went with the drag";
        EXPECT_FALSE(Cursor().has_value()) << "the cursor is given back";
        pWindow->close();
        pWindow.reset();
        // The button comes up over the Update button once the window is gone: nothing is asked.
        session->Release(session->UpdateButtonPoint());
        session->Move(session->UpdateButtonPoint() + QPoint(1, 0));
        EXPECT_FALSE(Cursor().has_value());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(session->Count(kQuestion), 0);
    EXPECT_EQ(drops.nDrops, 0);
    EXPECT_EQ(console->sent.size(), 1u) << "only the start-up's question for the current entry";
}

TEST_F(RowDrag, PictureOfTheMarkedRowShowsTheMarkerThenTheNumber)
{
    CInfoListCtrl& list = session->List();
    const int marked = session->RowOfKey(0);
    ASSERT_GE(marked, 0);
    std::int16_t nMarked = -1;
    ASSERT_EQ(list.FindCurrentDataMark(nMarked), RC_OK);
    ASSERT_EQ(nMarked, marked) << "start-up marked the console's entry";
    list.SelectItem(marked);

    std::unique_ptr<QPixmap> pPicture = list.CreateRowDragImage(nullptr);
    ASSERT_NE(pPicture, nullptr);
    const QImage picture = pPicture->toImage();
    QRect row, cell, icon;
    ASSERT_TRUE(list.GetItemRect(marked, row, LVIR_BOUNDS));
    EXPECT_EQ(picture.size(), row.size());
    ASSERT_TRUE(list.GetSubItemRect(marked, kNoColumn, LVIR_BOUNDS, cell));
    ASSERT_TRUE(list.GetSubItemRect(marked, kNoColumn, LVIR_ICON, icon));

    // The marker in its selected look at the picture's left end, opaque where the marker is.
    const QImage marker = list.GetImage(1)->toImage();
    int nOpaque = 0;
    for (int y = 0; y < std::min(marker.height(), picture.height()); ++y)
        for (int x = 0; x < marker.width(); ++x)
            if (qAlpha(marker.pixel(x, y)) == 255) {
                ++nOpaque;
                EXPECT_EQ(picture.pixel(x, y), marker.pixel(x, y)) << x << "," << y;
            }
    EXPECT_GT(nOpaque, 0);
    // The number after it.
    const int cellLeft = cell.left() - row.left();
    const auto [first, last] = TextSpan(picture, cellLeft + icon.width(), cellLeft + cell.width());
    ASSERT_GE(first, 0) << "the number is drawn";
    EXPECT_GE(first, cellLeft + icon.width() + 9);
    EXPECT_LE(last, cellLeft + cell.width() - 5);
}

TEST_F(RowDrag, PictureOfAnotherRowKeepsTheCellInsets)
{
    CInfoListCtrl& list = session->List();
    const int r = session->RowOfKey(0) == 3 ? 4 : 3;
    list.SelectItem(r);
    // Scrolled sideways, the cells keep their places within the row.
    list.SetColumnWidth(4, 900);
    list.horizontalScrollBar()->setValue(40);

    std::unique_ptr<QPixmap> pPicture = list.CreateRowDragImage(nullptr);
    ASSERT_NE(pPicture, nullptr);
    const QImage picture = pPicture->toImage();
    QRect row, no, name;
    ASSERT_TRUE(list.GetItemRect(r, row, LVIR_BOUNDS));
    ASSERT_TRUE(list.GetSubItemRect(r, kNoColumn, LVIR_BOUNDS, no));
    ASSERT_TRUE(list.GetSubItemRect(r, 2, LVIR_BOUNDS, name));
    EXPECT_EQ(picture.pixel(picture.width() - 1, 0), QColor(23, 54, 100).rgb());

    const int noRight = no.left() - row.left() + no.width();
    const auto [noFirst, noLast] = TextSpan(picture, no.left() - row.left(), noRight);
    ASSERT_GE(noFirst, 0);
    EXPECT_LE(noLast, noRight - 5);
    EXPECT_GE(noLast, noRight - 5 - 2) << "right-aligned 5 pixels from the cell's edge";

    const int nameLeft = name.left() - row.left();
    const auto [nameFirst, nameLast] = TextSpan(picture, nameLeft, nameLeft + name.width());
    ASSERT_GE(nameFirst, 0);
    EXPECT_GE(nameFirst, nameLeft + 7);
    EXPECT_LE(nameFirst, nameLeft + 7 + 2) << "7 pixels into the cell";
}

TEST_F(RowDrag, NoPictureMeansImageErrorAndNoDrag)
{
    CInfoListCtrl& list = session->List();
    list.SelectItem(-1);
    EXPECT_EQ(list.CreateRowDragImage(nullptr), nullptr);
    EXPECT_FALSE(list.OnBeginDrag());
    EXPECT_FALSE(list.IsDragging());
    ASSERT_EQ(session->shown.size(), 1u);
    EXPECT_EQ(session->shown[0],
              (MessageBoxRequest{QStringLiteral("Tarn"), QStringLiteral("ImageError"), MessageBoxIcon::Warning,
                                 MessageBoxButtons::Ok}));
}

} // namespace
