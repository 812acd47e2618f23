// The command buttons' checks and write sequences.
#include "monitor/MonitorCommands.h"
#include "link/DriveMap.h"
#include "link/RtuResult.h"

#include <gtest/gtest.h>

namespace velt {
namespace {

using namespace drive;
constexpr RegisterWrite kRunCode{CommandRegister, Code(Command::Run)};

TEST(CommandFields, OnlyWholeNumbersThatFitTheirRegisterAreTaken) {
    EXPECT_EQ(ReadCommandField(CommandField::Position, "100000"), 100000);
    EXPECT_EQ(ReadCommandField(CommandField::Position, "  -100000 "), -100000);
    EXPECT_EQ(ReadCommandField(CommandField::Position, "+7"), 7);
    EXPECT_EQ(ReadCommandField(CommandField::Position, "-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadCommandField(CommandField::EncoderValue, "2147483647"), INT32_MAX);
    EXPECT_EQ(ReadCommandField(CommandField::Speed, "-32768"), -32768);
    EXPECT_EQ(ReadCommandField(CommandField::Torque, "32767"), 32767);

    for (const char* bad :
         {"1O000", "", " ", "-", "+", "10 000", "5.0", "1e5", "0x10", "١٢", "99999999999999999999999"})
        EXPECT_FALSE(ReadCommandField(CommandField::Position, bad)) << bad;
    EXPECT_FALSE(ReadCommandField(CommandField::Position, "2147483648"));
    EXPECT_FALSE(ReadCommandField(CommandField::EncoderValue, "-2147483649"));
    EXPECT_FALSE(ReadCommandField(CommandField::Speed, "70000")) << "would send its low 16 bits, 4464";
    EXPECT_FALSE(ReadCommandField(CommandField::Speed, "32768"));
    EXPECT_FALSE(ReadCommandField(CommandField::Torque, "-32769"));
}

TEST(CommandFields, TheRefusalNamesTheFieldTheTextAndTheRange) {
    EXPECT_EQ(FieldRefusedText(CommandField::Position, "1O000", false),
              "POS: \"1O000\" is not a whole number from -2147483648 to 2147483647.\r\n"
              "Nothing was sent to the drive.");
    EXPECT_EQ(FieldRefusedText(CommandField::Speed, "70000", true),
              "SPEED: \"70000\"은(는) -32768 ~ 32767 범위의 정수가 아닙니다.\r\n"
              "드라이브에 아무것도 보내지 않았습니다.");
    const std::string longText(500, '7');
    const std::string shown = FieldRefusedText(CommandField::Torque, longText, false);
    EXPECT_LT(shown.size(), 200u);
    EXPECT_NE(shown.find("TORQ: \"7777"), std::string::npos);
    // A cut never splits a UTF-8 sequence.
    std::string korean;
    for (int i = 0; i < 30; ++i)
        korean += "가";
    const std::string cut = FieldRefusedText(CommandField::EncoderValue, korean, false);
    EXPECT_NE(cut.find("Enc Clear: \"가가"), std::string::npos);
    EXPECT_NE(cut.find("가…\""), std::string::npos);
}

TEST(CommandWrites, RunSplitsThePositionLowWordFirst) {
    EXPECT_EQ(RunWrites(100000, 500, 300), (std::vector<RegisterWrite>{{PositionLowRegister, 34464},
                                                                       {PositionHighRegister, 1},
                                                                       {SpeedRegister, 500},
                                                                       {TorqueRegister, 300},
                                                                       kRunCode}));
    EXPECT_EQ(RunWrites(-100000, -500, 0), (std::vector<RegisterWrite>{{PositionLowRegister, 0x7960},
                                                                       {PositionHighRegister, 0xFFFE},
                                                                       {SpeedRegister, 65036},
                                                                       {TorqueRegister, 0},
                                                                       kRunCode}));
    EXPECT_EQ(EncoderResetWrites(-1),
              (std::vector<RegisterWrite>{{SetPositionLowRegister, 0xFFFF},
                                          {SetPositionHighRegister, 0xFFFF},
                                          {CommandRegister, Code(Command::SetEncoder)}}));
    EXPECT_EQ(CodeWrite(Command::Home), (RegisterWrite{CommandRegister, Code(Command::Home)}));
}

TEST(CommandWrites, TheCommandCodeGoesOnlyAfterEveryArgumentWriteSucceeded) {
    std::vector<RegisterWrite> sent;
    uint16_t failing = 0;
    const RegisterWriter write = [&](uint16_t reg, uint16_t value) -> RtuResult {
        sent.push_back({reg, value});
        return reg == failing ? RTU_ERR_NO_REPLY : RTU_OK;
    };
    SequenceResult r = WriteCommandSequence(RunWrites(5, 6, 7), write);
    EXPECT_TRUE(r.CommandSent);
    EXPECT_EQ(sent.size(), 5u);

    sent.clear();
    failing = PositionHighRegister;
    r = WriteCommandSequence(RunWrites(5, 6, 7), write);
    EXPECT_FALSE(r.CommandSent);
    EXPECT_EQ(r.FailedReg, PositionHighRegister);
    EXPECT_EQ(r.Result, RTU_ERR_NO_REPLY);
    EXPECT_EQ(sent, (std::vector<RegisterWrite>{{PositionLowRegister, 5}, {PositionHighRegister, 0}}));

    sent.clear();
    failing = CommandRegister; // the code's own result is not looked at
    r = WriteCommandSequence(EncoderResetWrites(9), write);
    EXPECT_TRUE(r.CommandSent);
    EXPECT_EQ(sent.size(), 3u);

    const std::string high = std::to_string(PositionHighRegister);
    EXPECT_EQ(CommandNotSentText("RUN", PositionHighRegister, "POS_H", RTU_ERR_NO_REPLY, false),
              "RUN was not sent: writing register " + high + " (POS_H) failed: RTU_ERR_NO_REPLY (11).");
    const std::string setLow = std::to_string(SetPositionLowRegister);
    EXPECT_EQ(CommandNotSentText("Encoder Reset", SetPositionLowRegister, "S_POS_L",
                                 RtuResult::Exception(ExceptionDeviceFailure), true),
              "Encoder Reset 명령을 보내지 않았습니다: 레지스터 " + setLow +
                  " (S_POS_L) 쓰기 실패: drive exception 4.");
}

TEST(ModeSwitch, ServoOnRefusesAndTheActiveSetChoosesTheCode) {
    StateBlock r{};
    r[StateStatus] = StatusServoOn;
    EXPECT_TRUE(ServoIsOn(r));
    r[StateStatus] = static_cast<uint16_t>(~StatusServoOn);
    EXPECT_FALSE(ServoIsOn(r));
    r[StateActiveSet] = 1;
    EXPECT_EQ(ModeSwitchCode(r), Command::SwitchFromSet1);
    r[StateActiveSet] = 2;
    EXPECT_EQ(ModeSwitchCode(r), Command::SwitchFromSet2);
    for (uint16_t other : {0, 3, 0xFFFF}) {
        r[StateActiveSet] = other;
        EXPECT_FALSE(ModeSwitchCode(r)) << other;
    }
}

} // namespace
} // namespace velt
