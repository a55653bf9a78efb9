// Built twice with different locale environments (see CMakeLists.txt): the table chosen at start-up
// follows the session's locale variables as the system reads them, without any test override.
#include "data/SonvaleData.h"

#include <gtest/gtest.h>

TEST(SONVALE_LOCALE_SUITE, SessionLocaleChoosesTheTable)
{
    CSonvaleData data;
    ASSERT_EQ(data.SelectFactoryTable(), RC_OK);
    ASSERT_EQ(data.EntryCount(), 59);
    EXPECT_STREQ(data.EntryAt(0)->description, SONVALE_EXPECT_JAPANESE ? "プリセットデータ" : "Preset Data");
}
