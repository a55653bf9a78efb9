#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "JackTestServer.h"
#include "vorn/VornAsync.h"

// Base of every suite that needs a JACK server: one private server per test program run (restarted
// when a case stopped it), the component runtime initialised for the test's thread, and helpers to run
// emulated consoles and to reach the driver module by class identifier.
class CJackFixture : public ::testing::Test {
protected:
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The JACK period the server runs with; a suite may ask for another one.
    [[nodiscard]] virtual unsigned PeriodFrames() const { return 256; }

    // Starts ostra-emulator with these options and waits until it is ready. Null (and a test failure)
    // when it does not come up.
    std::unique_ptr<CChildProcess> StartEmulator(const std::vector<std::string>& options);
    [[nodiscard]] std::string TempPath(const std::string& name) const;

    // A new driver object of this class through the runtime; null when it cannot be had.
    [[nodiscard]] static IVornAsync* CreateDriver(const CLSID& clsid = CLSID_VornAsync);
    // The first device of the driver's list with this name, opened; null when there is none.
    [[nodiscard]] static IVornAsyncDevice* OpenDeviceNamed(IVornAsync* pDriver, const std::string& name);
    // Waits until the driver lists a device of this name.
    [[nodiscard]] static bool WaitForDevice(IVornAsync* pDriver, const std::string& name, int timeoutMs = 5000);

    static std::unique_ptr<CJackTestServer> s_server;
    static std::string s_skipReason;

private:
    std::string m_tempDir;
    int m_emulatorCount = 0;
    bool m_bComInitialized = false;
};
