#include "PrefTestFiles.h"
#include "platform/MessageBoxScript.h"
#include "prefs/Preference.h"
#include "prefs/Win32PrefHandler.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

class PreferenceHolderTest : public ::testing::Test
{
protected:
    void TearDown() override { g_Preference.Reset(); }
};

TEST_F(PreferenceHolderTest, CreatingTwiceKeepsTheFirstStore)
{
    ASSERT_EQ(g_Preference.GetHandler(), nullptr);
    ASSERT_EQ(g_Preference.Create(), RC_OK);
    CPrefHandler* pFirst = g_Preference.GetHandler();
    ASSERT_NE(pFirst, nullptr);
    ASSERT_EQ(pFirst->SetNote(1, "kept"), RC_OK);

    ASSERT_EQ(g_Preference.Create(), RC_OK);
    EXPECT_EQ(g_Preference.GetHandler(), pFirst);
}

TEST_F(PreferenceHolderTest, ProfilePathReachesTheStore)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CMessageBoxScript boxes;
    ASSERT_EQ(g_Preference.Create(), RC_OK);
    g_Preference.SetProfilePath(dir.filePath("Tarn.ini"));
    ASSERT_EQ(g_Preference.GetHandler()->Load(), RC_OK);
    EXPECT_TRUE(ReadBytes(dir.filePath("Tarn.ini")).startsWith("[Configuration]\nversion=1\n"));
}

TEST_F(PreferenceHolderTest, ResetDestroysTheStore)
{
    struct CountingStore : CWin32PrefHandler
    {
        explicit CountingStore(int& nDestroyed) : m_nDestroyed(nDestroyed) {}
        ~CountingStore() override { ++m_nDestroyed; }
        int& m_nDestroyed;
    };
    int nDestroyed = 0;
    g_Preference.Reset(std::make_unique<CountingStore>(nDestroyed));
    g_Preference.Reset();
    EXPECT_EQ(nDestroyed, 1);
    EXPECT_EQ(g_Preference.GetHandler(), nullptr);
}
