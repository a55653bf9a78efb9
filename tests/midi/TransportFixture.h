#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "FakeVornDriver.h"
#include "midi/Win32VornMIDIController.h"

// A complete system-exclusive message the tests send: F0, manufacturer 7D (non-commercial), two data
// bytes, F7.
inline const std::vector<std::uint8_t> kRequest = {0xF0, 0x7D, 0x01, 0x02, 0xF7};
// The console's answer in these tests: F0 7D, tag byte 0x10, one data byte, F7.
inline const std::vector<std::uint8_t> kReply = {0xF0, 0x7D, 0x10, 0x2A, 0xF7};

inline FakePort TarnPort(std::uint32_t id)
{
    FakePort port;
    port.id = id;
    port.reply = kReply;
    return port;
}

inline FakeDevice DeviceWith(std::uint64_t id, std::vector<FakePort> ports)
{
    FakeDevice device;
    device.id = id;
    device.ports = std::move(ports);
    return device;
}

// One console with one "Tarn" port that confirms every message and answers it with kReply.
inline FakeNetwork OneConsole()
{
    FakeNetwork network;
    network.devices = {DeviceWith(0x1001, {TarnPort(7)})};
    return network;
}

// A scripted driver and a controller over it. Every test ends by checking that the controller gave
// back every driver object once it is gone.
class TransportTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        controller.reset();
        ASSERT_TRUE(driver.WaitIdle());
        EXPECT_EQ(driver.LiveObjects(), 0);
    }

    ResultCode SendRequest(std::uint16_t timeout = 3000)
    {
        return controller->Send(kRequest.data(), static_cast<std::uint16_t>(kRequest.size()), timeout);
    }

    FakeVornDriver driver{OneConsole()};
    std::unique_ptr<CWin32VornMIDIController> controller = std::make_unique<CWin32VornMIDIController>();
};
