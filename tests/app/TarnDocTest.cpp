#include "app/TarnDoc.h"
#include "data/ConsoleMessages.h"
#include "data/FakeMIDIController.h"
#include "midi/MIDIDevice.h"
#include "platform/SystemLanguage.h"

#include <gtest/gtest.h>

namespace {

using namespace console_messages;

// The process-wide holder is shared by every test of the suite: each test leaves it empty.
class TarnDoc : public testing::Test {
protected:
    void SetUp() override { SetSystemDefaultLangIDOverride(LANG_ENGLISH); }
    void TearDown() override
    {
        delete g_MIDIDevice.m_pController;
        g_MIDIDevice.m_pController = nullptr;
        SetSystemDefaultLangIDOverride(std::nullopt);
    }
};

TEST_F(TarnDoc, DataControllerReachesTheConsoleThroughTheProcessHolder)
{
    CTarnDoc doc;
    EXPECT_EQ(doc.DataController().Device(), &g_MIDIDevice);
    ASSERT_EQ(doc.DataController().Initialize(), RC_OK);

    // A controller that start-up puts into the holder after the document exists is the one used.
    auto* pFake = new FakeMIDIController;
    g_MIDIDevice.m_pController = pFake;
    pFake->Respond(kCompletion);
    EXPECT_EQ(doc.DataController().WriteEntry(0), RC_EXCHANGE_OK);
    ASSERT_EQ(pFake->sent.size(), 1u);
    EXPECT_EQ(pFake->sent[0], kPresetMessage);
}

TEST_F(TarnDoc, IsNeverModifiedAndNeverAsksToSave)
{
    CTarnDoc doc;
    EXPECT_TRUE(doc.OnNewDocument());
    *doc.DataController().NoteFor(3) = "typed";
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.SaveModified());
}

} // namespace
