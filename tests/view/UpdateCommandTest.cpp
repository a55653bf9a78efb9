// The Update command in the whole program over a scripted console: what is sent, what the user is told,
// and what "Current Data :" and the marker show afterwards.
#include "UpdateSession.h"

#include <QEvent>
#include <QTest>
#include <QTimer>

#include "app/MainFrame.h"
#include "app/ProgressDlg.h"
#include "app/UpdateState.h"
#include "data/ConsoleMessages.h"
#include "data/FakeMIDIController.h"
#include "data/SysExConverter.h"
#include "platform/PrivateMessage.h"
#include "platform/TextCodec.h"
#include "view/TarnView.h"
#include "view/UpdateThread.h"
#include "widgets/ListConstants.h"

namespace {

using console_messages::Bytes;

// An identity reply naming `name` (at most 40 bytes).
Bytes IdentityReply(const std::string& name)
{
    Bytes bytes = {
        0xF0, 0x7D, 0x00, 0x3E,       // start, manufacturer, class data, 3E
        0x00, 0x2E,                   // byte count 46
        0x13, 0x53, 0x44, 0x49, 0x44, // 13, "SDID"
        static_cast<std::uint8_t>(name.size()),
    };
    for (std::size_t i = 0; i < 40; ++i) // the name field, zero-filled after the name
        bytes.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0x00);
    bytes.push_back(0x00);                             // pad
    bytes.push_back(console_messages::Checksum(bytes, 7, bytes.size()));
    bytes.push_back(0xF7);
    return bytes;
}

// A completion reply with this status: 7F stored, 7E invalid, 7D flash write failed.
Bytes Completion(std::uint8_t status)
{
    return console_messages::WithByte(console_messages::kCompletion, 9, status);
}

class UpdateCommand : public testing::Test
{
protected:
    void SetUp() override
    {
        session = std::make_unique<UpdateSession>(console, 5);
    }
    void TearDown() override { session.reset(); }

    // Starts the program with the console holding `current`.
    void StartHolding(const std::string& current)
    {
        console->Respond(IdentityReply(current));
        ASSERT_TRUE(session->Start());
        ASSERT_TRUE(session->App().m_bConnected);
    }

    std::int16_t Marked()
    {
        std::int16_t nRow = -1;
        (void)session->List().FindCurrentDataMark(nRow);
        return nRow;
    }
    QString Label() { return session->View().CurrentDataValue().text(); }
    QString Cell(int row, int column) { return session->List().GetItemText(row, column); }

    FakeMIDIController* console = new FakeMIDIController; // owned by the MIDI holder
    std::unique_ptr<UpdateSession> session;
};

TEST_F(UpdateCommand, StartUpShowsAndMarksTheEntryTheConsoleHolds)
{
    StartHolding("Preset");
    const int row = session->RowOfKey(0);
    EXPECT_EQ(Label(), QStringLiteral("Preset"));
    EXPECT_EQ(Marked(), row);
    EXPECT_TRUE(session->View().UpdateButton().isEnabled());
    ASSERT_EQ(console->sent.size(), 1u);
    EXPECT_EQ(console->sent[0], console_messages::kIdentityRequest);
}

TEST_F(UpdateCommand, NameNoRowHasIsShownWithoutAMarker)
{
    StartHolding("Made on the console");
    EXPECT_EQ(Label(), QStringLiteral("Made on the console"));
    EXPECT_EQ(Marked(), -1);
}

TEST_F(UpdateCommand, StoredEntryIsReportedOnceMarkedAndNamed)
{
    StartHolding("Preset");
    const int row = session->RowOfKey(12);
    ASSERT_GE(row, 0);
    session->List().SelectItem(row);
    console->Respond(Completion(0x7F));
    session->ClickUpdate();

    ASSERT_EQ(session->shown.size(), 1u);
    EXPECT_EQ(session->shown[0], (MessageBoxRequest{kCaption, kCompleted, MessageBoxIcon::Information,
                                                    MessageBoxButtons::Ok}));
    ASSERT_EQ(console->sent.size(), 2u) << "the console is not asked again after it confirmed the entry";
    EXPECT_EQ(console->sent[1], DataMessageOf(12));
    EXPECT_EQ(console->sendTimeouts[1], 3000);
    EXPECT_EQ(console->receiveTimeouts[1], 10000);
    EXPECT_EQ(Marked(), row);
    EXPECT_EQ(Label(), Cell(row, 2));
    EXPECT_EQ(g_nUpdateResult.load(), RC_EXCHANGE_OK);
    EXPECT_FALSE(g_bUpdateRunning.load());
    EXPECT_TRUE(session->App().m_bConnected);
}

struct RefusalCase {
    const char* name;
    std::uint8_t status;
    QString text;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class UpdateRefused : public UpdateCommand, public testing::WithParamInterface<RefusalCase>
{
};

TEST_P(UpdateRefused, ShowsTheConsolesErrorThenRereadsItsCurrentData)
{
    StartHolding("Preset");
    session->List().SelectItem(session->RowOfKey(20));
    console->Respond(Completion(GetParam().status));
    // The console now reports an entry of its own making.
    console->Respond(IdentityReply("Left as it was"));
    session->ClickUpdate();

    ASSERT_EQ(session->shown.size(), 1u);
    EXPECT_EQ(session->shown[0],
              (MessageBoxRequest{kCaption, GetParam().text, MessageBoxIcon::Error, MessageBoxButtons::Ok}));
    ASSERT_EQ(console->sent.size(), 3u);
    EXPECT_EQ(console->sent[2], console_messages::kIdentityRequest);
    EXPECT_EQ(Label(), QStringLiteral("Left as it was"));
    EXPECT_EQ(Marked(), -1);
    EXPECT_TRUE(session->App().m_bConnected);
    EXPECT_TRUE(session->View().UpdateButton().isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Console, UpdateRefused,
                         testing::Values(RefusalCase{"Invalid", 0x7E, kInvalid},
                                         RefusalCase{"FlashWriteFailed", 0x7D, kFlashFailed}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LostCase {
    const char* name;
    std::optional<Bytes> reply;
};

void PrintTo(const LostCase& c, std::ostream* os) { *os << c.name; }

class UpdateLost : public UpdateCommand, public testing::WithParamInterface<LostCase>
{
};

TEST_P(UpdateLost, TakesTheConnectionErrorPathAndDisablesUpdate)
{
    StartHolding("Preset");
    session->List().SelectItem(session->RowOfKey(3));
    console->script.push_back({GetParam().reply, 0});
    session->ClickUpdate();

    ASSERT_EQ(session->shown.size(), 1u);
    EXPECT_EQ(session->shown[0],
              (MessageBoxRequest{kCaption, kConnectionError, MessageBoxIcon::Warning, MessageBoxButtons::Ok}));
    EXPECT_FALSE(session->App().m_bConnected);
    EXPECT_FALSE(session->View().UpdateButton().isEnabled());
    EXPECT_EQ(Marked(), -1);
    EXPECT_EQ(Label(), QString());
    EXPECT_EQ(console->sent.size(), 2u) << "no current-data query once the connection is marked closed";
}

INSTANTIATE_TEST_SUITE_P(Console, UpdateLost,
                         testing::Values(LostCase{"NoReply", std::nullopt},
                                         LostCase{"IdentityInsteadOfCompletion", IdentityReply("Preset")},
                                         LostCase{"Garbage", Bytes{0xF0, 0x01, 0x02, 0xF7}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateCommand, AnswerThatMayBeALateOneGetsItsOwnBoxAndUpdateWorksAgainAtOnce)
{
    StartHolding("Preset");
    const int row = session->RowOfKey(7);
    session->List().SelectItem(row);
    // A refusal while an earlier write's answer is still owed: it may be that write's answer.
    console->replyUnproven = true;
    console->Respond(Completion(0x7E));
    console->Respond(IdentityReply("Preset"));
    session->ClickUpdate();

    ASSERT_EQ(session->shown.size(), 1u);
    EXPECT_EQ(session->shown[0],
              (MessageBoxRequest{kCaption, kUnproven, MessageBoxIcon::Warning, MessageBoxButtons::Ok}));
    EXPECT_TRUE(session->App().m_bConnected);
    EXPECT_TRUE(session->View().UpdateButton().isEnabled());
    EXPECT_EQ(Label(), QStringLiteral("Preset"));

    console->replyUnproven = false;
    console->Respond(Completion(0x7F));
    session->ClickUpdate();
    ASSERT_EQ(session->shown.size(), 2u);
    EXPECT_EQ(session->shown[1].text, kCompleted);
    EXPECT_EQ(console->sent.back(), DataMessageOf(7));
    EXPECT_EQ(Marked(), row);
}

TEST_F(UpdateCommand, ThirdRowAfterSortingByNameWritesTheKeyShownInIt)
{
    StartHolding("Preset");
    session->View().OnColumnClick(2);
    session->List().SelectItem(2);
    const int nKey = Cell(2, kNoColumn).toInt();
    ASSERT_NE(session->List().GetItemData(2), 2) << "the sort moved the rows";
    console->Respond(Completion(0x7F));
    // Ctrl+U and the menu reach the view through the frame's Update command.
    session->App().MainFrame()->UpdateMenuStates();
    session->App().MainFrame()->Action(ID_FILE_UPDATE)->trigger();

    ASSERT_EQ(console->sent.size(), 2u);
    EXPECT_EQ(console->sent[1], DataMessageOf(nKey));
    EXPECT_EQ(Marked(), 2);
    EXPECT_EQ(Label(), Cell(2, 2));
}

TEST_F(UpdateCommand, WhileDisconnectedNothingIsSentAndTheViewShowsNoConsole)
{
    StartHolding("Preset");
    ASSERT_TRUE(session->View().UpdateButton().isEnabled());
    // The connection is gone but the button has not been refreshed yet.
    session->App().m_bConnected = false;
    session->ClickUpdate();

    EXPECT_TRUE(session->shown.empty());
    EXPECT_EQ(console->sent.size(), 1u);
    EXPECT_EQ(g_ProgressDlg.Window(), nullptr);
    EXPECT_FALSE(session->View().UpdateButton().isEnabled());
    EXPECT_EQ(Marked(), -1);
    EXPECT_EQ(Label(), QString());
}

TEST_F(UpdateCommand, DeviceEventDuringTheCompletionBoxIsActedOnAfterIt)
{
    StartHolding("Preset");
    session->List().SelectItem(session->RowOfKey(5));
    console->Respond(Completion(0x7F));
    session->onBox = [&](const MessageBoxRequest& request) {
        if (request.text != kCompleted)
            return;
        // The console goes away while the user reads the box.
        console->openResult = RC_NO_USABLE_PORT;
        session->FireDeviceEvent();
    };
    const int nOpens = console->openCount;
    session->ClickUpdate();

    // Dropped inside the box, then the view reconnects once: that fails, the user is told, Update is off.
    EXPECT_EQ(console->openCount, nOpens + 1);
    ASSERT_EQ(session->shown.size(), 2u);
    EXPECT_EQ(session->shown[0].text, kCompleted);
    EXPECT_EQ(session->shown[1].text, kConnectionError);
    EXPECT_FALSE(session->App().m_bConnected);
    EXPECT_FALSE(session->View().UpdateButton().isEnabled());
    EXPECT_EQ(Label(), QString());
}

TEST_F(UpdateCommand, DeviceEventWhileTheUpdateRunsIsNotLost)
{
    StartHolding("Preset");
    session->List().SelectItem(session->RowOfKey(5));
    console->Respond(Completion(0x7F));
    // Arrives while the progress dialog is open: the application leaves the transport to the worker.
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(g_bUpdateRunning.load());
        session->FireDeviceEvent();
    });
    const int nOpens = console->openCount;
    const int nCloses = console->closeCount;
    session->ClickUpdate();

    EXPECT_EQ(session->Count(kCompleted), 1);
    EXPECT_EQ(console->closeCount, nCloses + 1) << "reconnected after the box";
    EXPECT_EQ(console->openCount, nOpens + 1);
    EXPECT_TRUE(session->App().m_bConnected);
}

TEST_F(UpdateCommand, DroppedRowMessageRunsTheUpdate)
{
    StartHolding("Preset");
    session->List().SelectItem(session->RowOfKey(30));
    console->Respond(Completion(0x7F));
    QCoreApplication::postEvent(&session->View(), new CPrivateMessage(WM_DROP_UPDATE));
    ASSERT_TRUE(UpdateSession::WaitFor([&] { return session->Count(kCompleted) == 1; }));
    EXPECT_EQ(console->sent.back(), DataMessageOf(30));
}

TEST_F(UpdateCommand, WorkerRefusesAParameterThatNamesNoView)
{
    StartHolding("Preset");
    g_nUpdateResult = RC_UPDATE_NO_RESULT;
    g_ProgressDlg.ClearDone();
    QObject notAView;
    const UpdateThreadParam wrong{&notAView, 4};
    EXPECT_EQ(UpdateThreadProc(&wrong), 1u);
    const UpdateThreadParam none{nullptr, 4};
    EXPECT_EQ(UpdateThreadProc(&none), 1u);
    EXPECT_EQ(g_nUpdateResult.load(), RC_UPDATE_NO_RESULT);
    EXPECT_FALSE(g_ProgressDlg.IsDone());
    EXPECT_EQ(console->sent.size(), 1u);

    console->Respond(Completion(0x7E));
    const UpdateThreadParam right{&session->View(), 4};
    EXPECT_EQ(UpdateThreadProc(&right), 0u);
    EXPECT_EQ(g_nUpdateResult.load(), RC_DATA_INVALID);
    EXPECT_TRUE(g_ProgressDlg.IsDone());
}

} // namespace
