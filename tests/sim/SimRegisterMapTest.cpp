// The register map, its exceptions, broadcasts and the request log, seen
// from a master on the line.
#include "SimTestSupport.h"
#include "link/DriveMap.h"

namespace velt::sim::test {
namespace {

using RegisterMap = SimFixture;

TEST_F(RegisterMap, PowerOnParametersComeFromTheCatalogueAndTheCommunicationPreset) {
    uint16_t regs[drive::ParamCount] = {};
    for (int start = 0; start < drive::ParamCount; start += drive::ReadBlockSize)
        ASSERT_EQ(
            port.ReadHoldingRegisters(1, static_cast<uint16_t>(start), regs + start, drive::ReadBlockSize),
            RTU_OK);
    EXPECT_EQ(regs[drive::ParamHomingHighSpeed], 50);
    EXPECT_EQ(regs[drive::ParamHomingAccDec], 100);
    EXPECT_EQ(regs[drive::ParamHomingOffset], 0);
    EXPECT_EQ(regs[drive::ParamMaxSpeed1], 3000);
    EXPECT_EQ(regs[39], 255); // SELECT MONITORING: "255(0xFF)"
    EXPECT_EQ(regs[66], 20000);
    EXPECT_EQ(regs[3], 0); // no default stated
    EXPECT_EQ(regs[drive::ParamRatioNumerator], 100);
    EXPECT_EQ(regs[drive::ParamRatioDenominator], 100);
    EXPECT_EQ(regs[drive::ParamEncoderResolution], 10000);
    EXPECT_EQ(regs[drive::ParamInPole], 255);
    EXPECT_EQ(regs[drive::ParamOutPole], 14);
    EXPECT_EQ(regs[drive::ParamDefaultMode], 0);
    EXPECT_EQ(regs[drive::ParamDefaultForm], 0);
    EXPECT_EQ(regs[drive::ParamSwitchMode], 1);
    EXPECT_EQ(regs[drive::ParamSwitchForm], 10);
    for (int k = 0; k < drive::InputCount; ++k)
        EXPECT_EQ(regs[drive::ParamInFunction1 + k], 0) << k;
    EXPECT_EQ(regs[drive::ParamOutFunction1], 1);
    EXPECT_EQ(regs[drive::ParamOutFunction1 + 1], 2);
    EXPECT_EQ(regs[drive::ParamOutFunction1 + 2], 3);
    EXPECT_EQ(regs[drive::ParamOutFunction1 + 3], 6);
    EXPECT_EQ(regs[drive::HardwareVersionRegister], 12001);
    EXPECT_EQ(regs[drive::SoftwareVersionRegister], 12001);

    uint16_t state[drive::StateCount] = {};
    ASSERT_EQ(port.ReadInputRegisters(1, state), RTU_OK);
    EXPECT_EQ(state[drive::StateActiveSet], 1);
    const uint16_t stopped = drive::StatusEmg | drive::StatusAlarm | drive::StatusRun | drive::StatusServoOn;
    EXPECT_EQ(state[drive::StateStatus] & stopped, 0);
    EXPECT_NE(state[drive::StateStatus] & drive::StatusZeroSpeed, 0); // at rest
}

TEST_F(RegisterMap, RangesStatedInHelpTextsAreEnforcedOnWrites) {
    constexpr RtuResult kRefused = RtuResult::Exception(drive::ExceptionIllegalValue);
    EXPECT_EQ(Write(drive::ParamHomingHighSpeed, 0), kRefused); // RANGE : 1 ~ 5000
    EXPECT_EQ(Write(drive::ParamHomingHighSpeed, 5001), kRefused);
    EXPECT_EQ(drive->Holding(drive::ParamHomingHighSpeed), 50); // refused writes change nothing
    EXPECT_EQ(Write(drive::ParamHomingHighSpeed, 5000), RTU_OK);
    EXPECT_EQ(Write(drive::ParamHomingOffset, -30000), RTU_OK);
    EXPECT_EQ(Write(drive::ParamHomingOffset, -30001), kRefused);
    EXPECT_EQ(static_cast<int16_t>(drive->Holding(drive::ParamHomingOffset)), -30000);
    // "0 ~ MAX SPEED 1": bounded by that parameter's value.
    EXPECT_EQ(Write(drive::ParamPositionSpeed, 3000), RTU_OK);
    EXPECT_EQ(Write(drive::ParamPositionSpeed, 3001), kRefused);
    ASSERT_EQ(Write(drive::ParamMaxSpeed1, 2000), RTU_OK);
    EXPECT_EQ(Write(drive::ParamPositionSpeed, 2001), kRefused);
    EXPECT_EQ(Write(drive::ParamOutPole, 15), RTU_OK); // "0 ~ 15  (0x00 ~ 0xFF)"
    EXPECT_EQ(Write(drive::ParamOutPole, 16), kRefused);
    // No stated range: anything goes, including the command arguments.
    EXPECT_EQ(Write(3, 7), RTU_OK);
    EXPECT_EQ(Write(drive::SpeedRegister, -500), RTU_OK);
    EXPECT_EQ(Write(drive::OptArgRegister, 65535), RTU_OK);
    // Version registers are read-only.
    EXPECT_EQ(Write(drive::HardwareVersionRegister, 1), RtuResult::Exception(drive::ExceptionIllegalAddress));
    EXPECT_EQ(drive->Holding(drive::HardwareVersionRegister), 12001);
    // Refused register: device failure whatever the value.
    drive->SetRefuse(13, true);
    EXPECT_EQ(Write(13, 300), RtuResult::Exception(drive::ExceptionDeviceFailure));
    drive->SetRefuse(13, false);
    EXPECT_EQ(Write(13, 301), RTU_OK);
}

TEST_F(RegisterMap, OutOfMapAddressesQuantitiesAndFunctionsGetModbusExceptions) {
    RawMaster raw(drive->DevicePath());
    ASSERT_TRUE(raw.ok());
    port.ClosePort();
    auto ex = [&](std::vector<uint8_t> pdu) {
        const auto reply = raw.Request(pdu, 5);
        return reply.size() == 5 && reply[1] == (pdu[1] | drive::ExceptionBit) ? reply[2] : 0xFF;
    };
    constexpr uint8_t kFunction = drive::ExceptionIllegalFunction;
    constexpr uint8_t kAddress = drive::ExceptionIllegalAddress;
    constexpr uint8_t kValue = drive::ExceptionIllegalValue;
    constexpr uint8_t kTooMany = drive::MaxReadRegisters + 1;
    EXPECT_EQ(ex({1, 3, 0, 0, 0, 0}), kValue); // quantity 0
    EXPECT_EQ(ex({1, 3, 0, 0, 0, kTooMany}), kValue);
    EXPECT_EQ(ex({1, 3, 0, 140, 0, 5}), kAddress); // 140..144
    EXPECT_EQ(ex({1, 3, 0, drive::ParamCount, 0, 1}), kAddress);
    EXPECT_EQ(ex({1, 4, 0, 0, 0, 33}), kAddress); // 32 input registers
    EXPECT_EQ(ex({1, 4, 0, 31, 0, 2}), kAddress);
    EXPECT_EQ(ex({1, 1, 0, 0, 0x07, 0xD1}), kValue); // 2001 coils
    EXPECT_EQ(ex({1, 1, 0, 8, 0, 9}), kAddress);     // 16 coils
    EXPECT_EQ(ex({1, 2, 0, 16, 0, 1}), kAddress);
    EXPECT_EQ(ex({1, 5, 0, 4, 0xFF, 0}), kAddress);  // coils above 3 are not writable
    EXPECT_EQ(ex({1, 5, 0, 0, 0x12, 0x34}), kValue); // neither FF00 nor 0000
    EXPECT_EQ(ex({1, 6, 0, drive::ParamCount, 0, 0}), kAddress);
    EXPECT_EQ(ex({1, 7, 0, 0, 0, 0}), kFunction); // unknown function
    EXPECT_EQ(ex({1, 16, 0, 0, 0, 1, 2, 0, 5}), kFunction);
    // The largest legal reads pass.
    EXPECT_EQ(raw.Request({1, 3, 0, 0, 0, drive::MaxReadRegisters}, 255).size(),
              5u + 2u * drive::MaxReadRegisters);
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
    const auto version = WithCrc({1, 3, 0, drive::SoftwareVersionRegister, 0, 1});
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
    uint8_t coils[drive::BitCount] = {};
    ASSERT_EQ(port.ReadCoils(1, coils), RTU_OK);
    EXPECT_EQ(coils[0], 1);
    EXPECT_EQ(coils[1], 0);
    EXPECT_EQ(coils[3], 1);
    ASSERT_EQ(port.WriteSingleCoil(1, 0, 0), RTU_OK);
    EXPECT_FALSE(drive->Coil(0));
    EXPECT_EQ(port.WriteSingleCoil(1, drive::WritableCoils, 1),
              RtuResult::Exception(drive::ExceptionIllegalAddress));

    drive->SetInput(0, true);
    drive->SetInput(9, true);
    uint8_t inputs[drive::BitCount] = {};
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
    EXPECT_EQ(log[0].function, drive::FunctionReadHoldingRegisters);
    EXPECT_EQ(log[0].value, 1);
    EXPECT_EQ(log[1].slave, 0);
    EXPECT_EQ(log[1].address, 13);
    EXPECT_EQ(log[1].value, 777);
    EXPECT_EQ(log[2].function, drive::FunctionWriteSingleRegister);
    EXPECT_EQ(log[2].address, 14);
    drive->ClearRequests();
    EXPECT_TRUE(drive->Requests().empty());
}

TEST_F(RegisterMap, AnotherSlaveIdIsServedUnderItsOwnAddress) {
    SimOptions options;
    options.id = 7;
    StartDrive(options);
    uint16_t value = 0;
    EXPECT_EQ(port.ReadHoldingRegisters(7, drive::SoftwareVersionRegister, &value, 1), RTU_OK);
    EXPECT_EQ(value, 12001);
}

} // namespace
} // namespace velt::sim::test
