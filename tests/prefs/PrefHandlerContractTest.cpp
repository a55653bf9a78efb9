#include "platform/MessageBoxScript.h"
#include "prefs/Win32PrefHandler.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// What every preference store promises its callers (the frame, the view and the application): values
// set before Save are the values a later run gets after Load.
struct PrefStoreFactory
{
    const char* name;
    // A store keeping its file in `folder`; two stores made for one folder share the file.
    std::function<std::unique_ptr<CPrefHandler>(const QString& folder)> make;
};

void PrintTo(const PrefStoreFactory& factory, std::ostream* os)
{
    *os << factory.name;
}

class PrefHandlerContractTest : public ::testing::TestWithParam<PrefStoreFactory>
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    std::unique_ptr<CPrefHandler> LoadedStore()
    {
        auto pStore = GetParam().make(m_dir.path());
        EXPECT_EQ(pStore->Load(), RC_OK);
        return pStore;
    }

    QTemporaryDir m_dir;
    CMessageBoxScript m_boxes;
};

TEST_P(PrefHandlerContractTest, EveryValueSurvivesSaveAndLoad)
{
    {
        auto pStore = LoadedStore();
        ASSERT_EQ(pStore->SetNote(59, "last entry"), RC_OK);
        ASSERT_EQ(pStore->SetNote(0, "first entry"), RC_OK);
        ASSERT_EQ(pStore->SetSort(4, true), RC_OK);
        ASSERT_EQ(pStore->SetWindowBounds(10, 20, 640, 480), RC_OK);
        ASSERT_EQ(pStore->SetZoomed(true), RC_OK);
        ASSERT_EQ(pStore->SetNoWidth(61), RC_OK);
        ASSERT_EQ(pStore->SetNameWidth(126), RC_OK);
        ASSERT_EQ(pStore->SetAuthorWidth(181), RC_OK);
        ASSERT_EQ(pStore->SetDescriptionWidth(191), RC_OK);
        ASSERT_EQ(pStore->SetNoteWidth(301), RC_OK);
        ASSERT_EQ(pStore->Save(), RC_OK);
    }
    auto pStore = LoadedStore();
    std::string text;
    ASSERT_EQ(pStore->GetNote(59, text), RC_OK);
    EXPECT_EQ(text, "last entry");
    ASSERT_EQ(pStore->GetNote(0, text), RC_OK);
    EXPECT_EQ(text, "first entry");
    std::uint16_t nColumn = 0;
    bool bDescending = false;
    ASSERT_EQ(pStore->GetSort(nColumn, bDescending), RC_OK);
    EXPECT_EQ(nColumn, 4);
    EXPECT_TRUE(bDescending);
    std::int32_t nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    ASSERT_EQ(pStore->GetWindowBounds(nLeft, nTop, nWidth, nHeight), RC_OK);
    EXPECT_EQ(std::vector<std::int32_t>({nLeft, nTop, nWidth, nHeight}), std::vector<std::int32_t>({10, 20, 640, 480}));
    bool bFlag = false;
    ASSERT_EQ(pStore->GetZoomed(bFlag), RC_OK);
    EXPECT_TRUE(bFlag);
    ASSERT_EQ(pStore->GetPlacementDefaulted(bFlag), RC_OK);
    EXPECT_FALSE(bFlag);
    std::uint16_t widths[5] = {};
    ASSERT_EQ(pStore->GetNoWidth(widths[0]), RC_OK);
    ASSERT_EQ(pStore->GetNameWidth(widths[1]), RC_OK);
    ASSERT_EQ(pStore->GetAuthorWidth(widths[2]), RC_OK);
    ASSERT_EQ(pStore->GetDescriptionWidth(widths[3]), RC_OK);
    ASSERT_EQ(pStore->GetNoteWidth(widths[4]), RC_OK);
    EXPECT_EQ(std::vector<std::uint16_t>(widths, widths + 5), std::vector<std::uint16_t>({61, 126, 181, 191, 301}));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_P(PrefHandlerContractTest, NotesClearedBeforeSaveAreGoneAfterLoad)
{
    {
        auto pStore = LoadedStore();
        ASSERT_EQ(pStore->SetNote(1, "old"), RC_OK);
        ASSERT_EQ(pStore->Save(), RC_OK);
        ASSERT_EQ(pStore->ClearNotes(), RC_OK);
        ASSERT_EQ(pStore->SetNote(2, "new"), RC_OK);
        ASSERT_EQ(pStore->Save(), RC_OK);
    }
    auto pStore = LoadedStore();
    std::string text = "unchanged";
    EXPECT_EQ(pStore->GetNote(1, text), RC_NO_SUCH_KEY);
    EXPECT_EQ(text, "unchanged");
    ASSERT_EQ(pStore->GetNote(2, text), RC_OK);
    EXPECT_EQ(text, "new");
}

INSTANTIATE_TEST_SUITE_P(Stores, PrefHandlerContractTest,
                         ::testing::Values(PrefStoreFactory{"IniFile",
                                                            [](const QString& folder) {
                                                                auto pStore = std::make_unique<CWin32PrefHandler>();
                                                                pStore->SetProfilePath(folder + "/Tarn.ini");
                                                                return std::unique_ptr<CPrefHandler>(std::move(pStore));
                                                            }}),
                         [](const ::testing::TestParamInfo<PrefStoreFactory>& info) {
                             return std::string(info.param.name);
                         });
