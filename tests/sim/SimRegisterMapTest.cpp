// The register map, its exceptions, broadcasts and the request log, seen
// from a master on the line.
#include "SimTestSupport.h"

namespace velt::sim::test {
namespace {

using RegisterMap = SimFixture;

TEST_F(RegisterMap, PowerOnParametersComeFromTheCatalogueAndTheCommunicationPreset) {
    uint16_t regs[144] = {};
    for (int start = 0; start < 144; start += 36)
        ASSERT_EQ(port.ReadHoldingRegisters(1, static_cast<uint16_t>(start), regs + start, 36), RTU_OK);
    EXPECT_EQ(regs[0], 50); // HOMING HIGH SPEED
    EXPECT_EQ(regs[2], 100);
    EXPECT_EQ(regs[5], 0);
    EXPECT_EQ(regs[23], 3000); // MAX SPEED 1
    EXPECT_EQ(regs[39], 255);  // "255(0xFF)"
    EXPECT_EQ(regs[66], 20000);
    EXPECT_EQ(regs[3], 0); // no default stated
    EXPECT_EQ(regs[60], 100);
    EXPECT_EQ(regs[61], 100);
    EXPECT_EQ(regs[105], 10000);
    EXPECT_EQ(regs[40], 255);
    EXPECT_EQ(regs[41], 14);
    EXPECT_EQ(regs[70], 0);
    EXPECT_EQ(regs[71], 0);
    EXPECT_EQ(regs[72], 1);
    EXPECT_EQ(regs[73], 10);
    for (int n = 42; n <= 49; ++n)
        EXPECT_EQ(regs[n], 0) << n;
    EXPECT_EQ(regs[51], 1);
    EXPECT_EQ(regs[52], 2);
    EXPECT_EQ(regs[53], 3);
    EXPECT_EQ(regs[54], 6);
    EXPECT_EQ(regs[142], 12001);
    EXPECT_EQ(regs[143], 12001);

    uint16_t state[32] = {};
    ASSERT_EQ(port.ReadInputRegisters(1, state), RTU_OK);
    EXPECT_EQ(state[14], 1);       // active mode set
    EXPECT_EQ(state[0] & 0x0F, 0); // no EMG, alarm, RUN, servo
    EXPECT_NE(state[0] & 0x40, 0); // at rest
}

TEST_F(RegisterMap, RangesStatedInHelpTextsAreEnforcedOnWrites) {
    EXPECT_EQ(Write(0, 0), 3); // RANGE : 1 ~ 5000
    EXPECT_EQ(Write(0, 5001), 3);
    EXPECT_EQ(drive->Holding(0), 50); // refused writes change nothing
    EXPECT_EQ(Write(0, 5000), RTU_OK);
    EXPECT_EQ(Write(5, -30000), RTU_OK);
    EXPECT_EQ(Write(5, -30001), 3);
    EXPECT_EQ(static_cast<int16_t>(drive->Holding(5)), -30000);
    // "0 ~ MAX SPEED 1": bounded by parameter 23.
    EXPECT_EQ(Write(34, 3000), RTU_OK);
    EXPECT_EQ(Write(34, 3001), 3);
    ASSERT_EQ(Write(23, 2000), RTU_OK);
    EXPECT_EQ(Write(34, 2001), 3);
    EXPECT_EQ(Write(41, 15), RTU_OK); // "0 ~ 15  (0x00 ~ 0xFF)"
    EXPECT_EQ(Write(41, 16), 3);
    // No stated range: anything goes, including the command arguments.
    EXPECT_EQ(Write(3, 7), RTU_OK);
    EXPECT_EQ(Write(124, -500), RTU_OK);
    EXPECT_EQ(Write(121, 65535), RTU_OK);
    // Version registers are read-only.
    EXPECT_EQ(Write(142, 1), 2);
    EXPECT_EQ(drive->Holding(142), 12001);
    // Refused register: exception 4 whatever the value.
    drive->SetRefuse(13, true);
    EXPECT_EQ(Write(13, 300), 4);
    drive->SetRefuse(13, false);
    EXPECT_EQ(Write(13, 301), RTU_OK);
}

TEST_F(RegisterMap, OutOfMapAddressesQuantitiesAndFunctionsGetModbusExceptions) {
    RawMaster raw(drive->DevicePath());
    ASSERT_TRUE(raw.ok());
    port.ClosePort();
    auto ex = [&](std::vector<uint8_t> pdu) {
        const auto reply = raw.Request(pdu, 5);
        return reply.size() == 5 && reply[1] == (pdu[1] | 0x80) ? reply[2] : 0xFF;
    };
    EXPECT_EQ(ex({1, 3, 0, 0, 0, 0}), 3);   // quantity 0
    EXPECT_EQ(ex({1, 3, 0, 0, 0, 126}), 3); // above 125
    EXPECT_EQ(ex({1, 3, 0, 140, 0, 5}), 2); // 140..144
    EXPECT_EQ(ex({1, 3, 0, 144, 0, 1}), 2);
    EXPECT_EQ(ex({1, 4, 0, 0, 0, 33}), 2); // 32 input registers
    EXPECT_EQ(ex({1, 4, 0, 31, 0, 2}), 2);
    EXPECT_EQ(ex({1, 1, 0, 0, 0x07, 0xD1}), 3); // 2001 coils
    EXPECT_EQ(ex({1, 1, 0, 8, 0, 9}), 2);       // 16 coils
    EXPECT_EQ(ex({1, 2, 0, 16, 0, 1}), 2);
    EXPECT_EQ(ex({1, 5, 0, 4, 0xFF, 0}), 2);    // coils above 3 are not writable
    EXPECT_EQ(ex({1, 5, 0, 0, 0x12, 0x34}), 3); // neither FF00 nor 0000
    EXPECT_EQ(ex({1, 6, 0, 144, 0, 0}), 2);
    EXPECT_EQ(ex({1, 7, 0, 0, 0, 0}), 1); // unknown function
    EXPECT_EQ(ex({1, 16, 0, 0, 0, 1, 2, 0, 5}), 1);
    // The largest legal reads pass.
    EXPECT_EQ(raw.Request({1, 3, 0, 0, 0, 125}, 255).size(), 5u + 250u);
    EXPECT_EQ(raw.Request({1, 1, 0, 0, 0, 16}, 7).size(), 7u);
    // A damaged frame is ignored: no reply at all.
    auto bad = WithCrc({1, 3, 0, 0, 0, 1});
    bad.back() ^= 1;
    EXPECT_TRUE(raw.Exchange(bad, 5, 50ms).empty());
}

TEST_F(RegisterMap, LineNoiseOversizedAndBrokenFramesLeaveTheSlaveAnswering) {
    RawMaster raw(drive->DevicePath());
    ASSERT_TRUE(raw.ok());
    port.ClosePort();
    const auto version = WithCrc({1, 3, 0, 143, 0, 1});
    const auto expected = WithCrc({1, 3, 2, 0x2E, 0xE1});
    // A burst of noise with a request at its end.
    std::vector<uint8_t> burst(3000);
    for (size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<uint8_t>(i * 131 + 7);
    std::vector<uint8_t> bytes = burst;
    bytes.insert(bytes.end(), version.begin(), version.end());
    EXPECT_EQ(raw.Exchange(bytes, expected.size()), expected);
    // An oversized frame with a good CRC, and half a request left hanging.
    std::vector<uint8_t> huge{1, 16, 0, 0, 0, 150, 44};
    huge.resize(400, 0x11);
    EXPECT_TRUE(raw.Exchange(WithCrc(huge), 5, 50ms).empty());
    EXPECT_TRUE(raw.Exchange({version.begin(), version.begin() + 4}, 5, 50ms).empty());
    EXPECT_EQ(raw.Exchange(version, expected.size()), expected);
}

TEST_F(RegisterMap, CoilsReadBackAndInputsFollowTheControlInterface) {
    ASSERT_EQ(port.WriteSingleCoil(1, 0, 1), RTU_OK);
    ASSERT_EQ(port.WriteSingleCoil(1, 3, 1), RTU_OK);
    uint8_t coils[16] = {};
    ASSERT_EQ(port.ReadCoils(1, coils), RTU_OK);
    EXPECT_EQ(coils[0], 1);
    EXPECT_EQ(coils[1], 0);
    EXPECT_EQ(coils[3], 1);
    ASSERT_EQ(port.WriteSingleCoil(1, 0, 0), RTU_OK);
    EXPECT_FALSE(drive->Coil(0));
    EXPECT_EQ(port.WriteSingleCoil(1, 4, 1), 2);

    drive->SetInput(0, true);
    drive->SetInput(9, true);
    uint8_t inputs[16] = {};
    ASSERT_EQ(port.ReadDiscreteInputs(1, inputs), RTU_OK);
    EXPECT_EQ(inputs[0], 1);
    EXPECT_EQ(inputs[1], 0);
    EXPECT_EQ(inputs[9], 1);
}

TEST_F(RegisterMap, OtherIdsAreIgnoredAndBroadcastsCarriedOutSilentlyButAllAreLogged) {
    RawMaster raw(drive->DevicePath());
    ASSERT_TRUE(raw.ok());
    drive->ClearRequests();
    EXPECT_TRUE(raw.Exchange(WithCrc({2, 3, 0, 0, 0, 1}), 7, 100ms).empty());
    EXPECT_EQ(port.WriteSingleRegister(0, 13, 777), RTU_BROADCAST);
    EXPECT_TRUE(WaitUntil([&] { return drive->Holding(13) == 777; }));
    ASSERT_EQ(port.WriteSingleRegister(1, 14, 5), RTU_OK);
    const auto log = drive->Requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].slave, 2);
    EXPECT_EQ(log[0].function, 3);
    EXPECT_EQ(log[0].value, 1);
    EXPECT_EQ(log[1].slave, 0);
    EXPECT_EQ(log[1].address, 13);
    EXPECT_EQ(log[1].value, 777);
    EXPECT_EQ(log[2].function, 6);
    EXPECT_EQ(log[2].address, 14);
    drive->ClearRequests();
    EXPECT_TRUE(drive->Requests().empty());
}

TEST_F(RegisterMap, AnotherSlaveIdIsServedUnderItsOwnAddress) {
    SimOptions options;
    options.id = 7;
    StartDrive(options);
    uint16_t value = 0;
    EXPECT_EQ(port.ReadHoldingRegisters(7, 143, &value, 1), RTU_OK);
    EXPECT_EQ(value, 12001);
}

} // namespace
} // namespace velt::sim::test
