// The Update command and the row drop in the whole program over the driver module and the emulated
// console on a private JACK server: what the console stores and what the user is told.
#include "UpdateSession.h"

#include <QTimer>
#include <signal.h>

#include "OstraFlash.h"
#include "data/SonvaleData.h"
#include "drivers/JackFixture.h"
#include "view/TarnView.h"

namespace {

class UpdateOverJack : public CJackFixture
{
protected:
    void SetUp() override
    {
        CJackFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(m_data.SelectFactoryTable(), RC_OK);
        // The real transport; a tick long enough for an exchange over JACK under any sanitizer.
        session = std::make_unique<UpdateSession>(nullptr, 40);
    }
    void TearDown() override
    {
        emulator.reset();
        session.reset();
        CJackFixture::TearDown();
    }

    // Runs an emulated console with these extra options, then the program.
    void StartWithConsole(std::vector<std::string> extra = {})
    {
        std::vector<std::string> options = {"--name", "Ostra", "--flash", TempPath("flash.txt")};
        options.insert(options.end(), extra.begin(), extra.end());
        emulator = StartEmulator(options);
        ASSERT_NE(emulator, nullptr);
        ASSERT_TRUE(session->Start());
        ASSERT_TRUE(session->App().m_bConnected) << emulator->Log();
        ASSERT_EQ(session->View().CurrentDataValue().text(), QStringLiteral("Preset"));
    }

    std::int16_t Marked()
    {
        std::int16_t nRow = -1;
        (void)session->List().FindCurrentDataMark(nRow);
        return nRow;
    }

    CSonvaleData m_data;
    std::unique_ptr<CChildProcess> emulator;
    std::unique_ptr<UpdateSession> session;
};

TEST_F(UpdateOverJack, StoredEntryIsInTheConsolesFlashMarkedAndNamed)
{
    StartWithConsole();
    const DataEntry& entry = *m_data.EntryAt(17);
    const int row = session->RowOfKey(entry.key);
    session->List().SelectItem(row);
    session->ClickUpdate();

    EXPECT_EQ(session->Count(kCompleted), 1);
    EXPECT_EQ(session->shown.size(), 1u) << emulator->Log();
    EXPECT_EQ(Marked(), row);
    EXPECT_EQ(session->View().CurrentDataValue().text(), QString::fromUtf8(entry.name));
    COstraProtocol::Entry stored;
    ASSERT_TRUE(COstraFlash::Load(TempPath("flash.txt"), stored));
    EXPECT_EQ(stored.name, entry.name);
}

TEST_F(UpdateOverJack, ConfirmedDropWritesTheEntry)
{
    StartWithConsole();
    const DataEntry& entry = *m_data.EntryAt(40);
    session->List().SelectItem(session->RowOfKey(entry.key));
    session->answers.push_back(MessageBoxAnswer::Ok);
    session->DragSelectedRowTo(session->UpdateButtonPoint());
    ASSERT_TRUE(UpdateSession::WaitFor([&] { return session->Count(kCompleted) == 1; }, 10000)) << emulator->Log();
    COstraProtocol::Entry stored;
    ASSERT_TRUE(COstraFlash::Load(TempPath("flash.txt"), stored));
    EXPECT_EQ(stored.name, entry.name);
}

struct RefusalCase {
    const char* name;
    const char* fault;
    QString text;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class UpdateRefusedOverJack : public UpdateOverJack, public testing::WithParamInterface<RefusalCase>
{
};

TEST_P(UpdateRefusedOverJack, ShowsTheConsolesErrorAndRereadsWhatItHolds)
{
    StartWithConsole({"--fault", GetParam().fault});
    session->List().SelectItem(session->RowOfKey(m_data.EntryAt(25)->key));
    session->ClickUpdate();

    ASSERT_EQ(session->shown.size(), 1u) << emulator->Log();
    EXPECT_EQ(session->shown[0],
              (MessageBoxRequest{kCaption, GetParam().text, MessageBoxIcon::Error, MessageBoxButtons::Ok}));
    // Asked again: the console still holds its old entry.
    EXPECT_EQ(session->View().CurrentDataValue().text(), QStringLiteral("Preset"));
    EXPECT_EQ(Marked(), session->RowOfKey(0));
    EXPECT_TRUE(session->View().UpdateButton().isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Console, UpdateRefusedOverJack,
                         testing::Values(RefusalCase{"Invalid", "invalid", kInvalid},
                                         RefusalCase{"FlashWriteFailed", "flash-fail", kFlashFailed}),
                         [](const auto& info) { return std::string(info.param.name); });

// The console answers everything 5 s late and is pulled out while the update waits for its answer; the
// update then waits out the real 10-second reply time-out.
TEST_F(UpdateOverJack, ConsoleUnpluggedDuringTheUpdateIsAConnectionErrorAndDisablesUpdate)
{
    StartWithConsole({"--fault", "delay", "--delay", "5000"});
    session->List().SelectItem(3);
    QTimer unplug;
    QObject::connect(&unplug, &QTimer::timeout, [&] {
        if (emulator->Running() && emulator->Log().find("reply in") != std::string::npos)
            emulator->Stop(SIGTERM);
    });
    unplug.start(20);
    session->ClickUpdate();
    unplug.stop();

    EXPECT_FALSE(emulator->Running());
    ASSERT_EQ(session->shown.size(), 1u) << testing::PrintToString(session->shown) << "\n" << emulator->Log();
    EXPECT_EQ(session->shown[0].text, kConnectionError);
    EXPECT_FALSE(session->App().m_bConnected);
    EXPECT_FALSE(session->View().UpdateButton().isEnabled());
    EXPECT_EQ(Marked(), -1);
    EXPECT_EQ(session->View().CurrentDataValue().text(), QString());
}

} // namespace
