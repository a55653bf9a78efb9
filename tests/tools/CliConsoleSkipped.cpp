#include <gtest/gtest.h>

// Built in place of CliConsoleTest.cpp while the tree has no private-JACK-server fixture, so that the
// missing device-command tests show up as skipped rather than vanish.
TEST(CliConsoleTest, DeviceCommandsAgainstTheEmulatedConsole)
{
    GTEST_SKIP() << "SKIPPED: tests/drivers has no JACK test server in this tree; devices, current and update "
                    "were NOT run against an emulated console";
}
