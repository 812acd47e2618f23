// The monitoring page's buttons against the simulated drive: what reaches the
// drive, the frame lists, the two refusals, and the page following the drive
// end to end.
#include "PageFixture.h"
#include "monitor/FrameLogList.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace velt {
namespace {

using namespace std::chrono_literals;
using WriteList = std::vector<std::pair<int, int>>;
using namespace drive;

// A command code's write as Writes() lists it.
std::pair<int, int> CommandWrite(Command command) {
    return {CommandRegister, Code(command)};
}

using PageCommandsTest = PageTest;

bool HasLine(const FrameLogList* list, const char* text) {
    for (const LogLine& line : list->Lines().Lines()) {
        if (line.Text == text) return true;
    }
    return false;
}

TEST_F(PageCommandsTest, RunWritesPositionSpeedTorqueThenTheCodeAndTheSendListShowsIt) {
    StartConnected();
    page->RunButton->click();
    EXPECT_EQ(Writes(), (WriteList{{PositionLowRegister, 34464},
                                   {PositionHighRegister, 1},
                                   {SpeedRegister, 500},
                                   {TorqueRegister, 300},
                                   CommandWrite(Command::Run)}));
    EXPECT_TRUE(WaitFor([this] { return HasLine(page->SendList, "01 06 00 78 00 04 08 10 "); }));
    EXPECT_TRUE(WaitFor([this] { return page->ReceiveList->count() == 5; }));
    EXPECT_TRUE(HasLine(page->ReceiveList, "01 06 00 78 00 04 08 10 ")) << "the drive echoes a write";

    drive->ClearRequests();
    page->PositionEdit->setText("-100000");
    page->SpeedEdit->setText("-7");
    page->TorqueEdit->setText(" 0");
    page->RunButton->click();
    EXPECT_EQ(Writes(), (WriteList{{PositionLowRegister, 31072},
                                   {PositionHighRegister, 65534},
                                   {SpeedRegister, 65529},
                                   {TorqueRegister, 0},
                                   CommandWrite(Command::Run)}));
    EXPECT_TRUE(answers.Texts.empty());
}

TEST_F(PageCommandsTest, SingleCodeButtonsAndOutputs) {
    StartConnected();
    for (QPushButton* b :
         {page->StopButton, page->EmgButton, page->ResetButton, page->ServoOnButton, page->ServoOffButton})
        b->click();
    EXPECT_EQ(Writes(), (WriteList{CommandWrite(Command::Stop), CommandWrite(Command::Emg),
                                   CommandWrite(Command::Reset), CommandWrite(Command::ServoOn),
                                   CommandWrite(Command::ServoOff)}));

    drive->ClearRequests();
    page->OutputButtons[0]->click(); // OUT 1 ON
    page->OutputButtons[7]->click(); // OUT 4 OFF
    EXPECT_EQ(Writes(), (WriteList{{0, CoilOn}, {3, CoilOff}}));
    EXPECT_TRUE(drive->Coil(0));
    EXPECT_TRUE(WaitFor([this] { return Cell(page->OutputGrid, 2, 1) == "1"; }));
    page->OutputButtons[1]->click(); // OUT 1 OFF
    EXPECT_TRUE(WaitFor([this] { return Cell(page->OutputGrid, 2, 1) == "0"; }));
}

TEST_F(PageCommandsTest, HomeWritesNineThenElevenAHundredMillisecondsLaterWhileThePageKeepsUpdating) {
    StartConnected();
    const int ticks = page->StateTicks();
    page->HomeButton->click();
    EXPECT_GE(page->StateTicks() - ticks, 1) << "the 10 ms timer ran during the wait";
    EXPECT_EQ(Writes(), (WriteList{CommandWrite(Command::ServoOn), CommandWrite(Command::Home)}));
    ASSERT_TRUE(WaitFor([this] { return page->SendList->count() == 2; }));
    const auto& lines = page->SendList->Lines().Lines();
    EXPECT_EQ(lines[0].Text, "01 06 00 78 00 09 C9 D5 ");
    // 100 ms of a millisecond tick count: at least 99 ms of real time.
    EXPECT_GE(lines[1].Arrival - lines[0].Arrival, 99ms);
}

// The operator stops the drive while HOME waits between its two codes: the
// stop goes out at once and the Home code that was due never follows it.
TEST_F(PageCommandsTest, AnEmgStopOrServoOffDuringHomesWaitCancelsTheHomeCode) {
    StartConnected();
    const std::pair<QPushButton*, Command> stops[] = {{page->EmgButton, Command::Emg},
                                                      {page->StopButton, Command::Stop},
                                                      {page->ServoOffButton, Command::ServoOff}};
    for (const auto& [button, code] : stops) {
        drive->ClearRequests();
        QTimer::singleShot(30ms, button, &QPushButton::click);
        page->HomeButton->click();
        Pump(400ms); // a Home code still due would have gone out by now
        EXPECT_EQ(Writes(), (WriteList{CommandWrite(Command::ServoOn), CommandWrite(code)}))
            << button->text().toStdString();
    }
    // A second HOME pressed during the wait sends the one Home code.
    drive->ClearRequests();
    QTimer::singleShot(30ms, page->HomeButton, &QPushButton::click);
    page->HomeButton->click();
    Pump(400ms);
    EXPECT_EQ(Writes(), (WriteList{CommandWrite(Command::ServoOn), CommandWrite(Command::ServoOn),
                                   CommandWrite(Command::Home)}));
}

TEST_F(PageCommandsTest, ModeSwitchingAsksThenWritesTheCodeOfTheActiveSet) {
    StartConnected();
    page->ModeSwitchButton->click();
    EXPECT_EQ(answers.Questions, 1);
    EXPECT_EQ(answers.Texts.back(), "Would you like to switch the control mode?");
    EXPECT_TRUE(Writes().empty()) << "No writes nothing";

    answers.Answer = MsgResult::Yes;
    page->ModeSwitchButton->click();
    EXPECT_EQ(Writes(), (WriteList{CommandWrite(Command::SwitchFromSet1)}));
    ASSERT_TRUE(WaitFor([this] { return app->Link()->StateRegs()[StateActiveSet] == 2; }));
    page->UpdateIndicators();
    EXPECT_EQ(page->SwitchControlModeLabel->BkColour(), Qrgb(0, 128, 0));
    EXPECT_EQ(page->ControlModeLabel->BkColour(), Qrgb(50, 50, 50));
    EXPECT_EQ(page->SwitchControlModeLabel->text(), " Velocity Control");
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(page->SwitchControlModeLabel)->text(QAccessible::Description),
        " Velocity Control, active");

    drive->ClearRequests();
    page->ModeSwitchButton->click();
    EXPECT_EQ(Writes(), (WriteList{CommandWrite(Command::SwitchFromSet2)}));
}

TEST_F(PageCommandsTest, ModeSwitchingWithTheServoOnAsksNothingAndWritesNothing) {
    StartConnected();
    page->ServoOnButton->click();
    ASSERT_TRUE(WaitFor([this] { return StatusHas(StatusServoOn); }));
    drive->ClearRequests();
    answers.Answer = MsgResult::Yes;
    page->ModeSwitchButton->click();
    EXPECT_EQ(answers.Questions, 0);
    EXPECT_TRUE(Writes().empty());
}

// A typo such as "1O000" would otherwise send the drive to position 1.
TEST_F(PageCommandsTest, EditTextThatIsNoNumberOrDoesNotFitIsRefusedBeforeAnyWrite) {
    StartConnected();
    page->PositionEdit->setText("1O000");
    page->RunButton->click();
    ASSERT_EQ(answers.Texts.size(), 1u);
    EXPECT_EQ(answers.Texts[0].rfind("POS: \"1O000\" is not a whole number", 0), 0u) << answers.Texts[0];
    EXPECT_EQ(page->PositionEdit->text(), "1O000");

    page->PositionEdit->setText("100000");
    page->SpeedEdit->setText("70000");
    page->RunButton->click();
    ASSERT_EQ(answers.Texts.size(), 2u);
    EXPECT_EQ(answers.Texts[1].rfind("SPEED: \"70000\"", 0), 0u);

    page->SpeedEdit->setText("500");
    page->TorqueEdit->setText("");
    page->RunButton->click();
    ASSERT_EQ(answers.Texts.size(), 3u);
    EXPECT_EQ(answers.Texts[2].rfind("TORQ: \"\"", 0), 0u);

    page->EncoderClearEdit->setText("2147483648");
    page->EncoderResetButton->click();
    ASSERT_EQ(answers.Texts.size(), 4u);
    EXPECT_EQ(answers.Texts[3].rfind("Enc Clear: \"2147483648\"", 0), 0u);
    Pump(50ms);
    EXPECT_TRUE(Writes().empty());
}

// RUN after a failed position write would start a move to a stale target.
TEST_F(PageCommandsTest, AFailedArgumentWriteKeepsTheCommandCodeFromBeingSent) {
    StartConnected(1);
    drive->SetRefuse(PositionHighRegister, true);
    const uint32_t failures = app->Link()->Counters().ParamFail;
    page->RunButton->click();
    EXPECT_EQ(Writes(), (WriteList{{PositionLowRegister, 34464}, {PositionHighRegister, 1}}));
    ASSERT_EQ(answers.Texts.size(), 1u);
    EXPECT_EQ(answers.Texts[0], "RUN 명령을 보내지 않았습니다: 레지스터 " +
                                    std::to_string(PositionHighRegister) +
                                    " (POS_H) 쓰기 실패: drive exception 4.");
    EXPECT_EQ(app->Link()->Counters().ParamFail, failures + 1);
    // The refused exchange shows in the lists: the request, and the exception reply.
    EXPECT_TRUE(WaitFor([this] { return HasLine(page->SendList, "01 06 00 7B 00 01 38 13 "); }));
    EXPECT_TRUE(WaitFor([this] { return page->ReceiveList->count() == 2; }));
    EXPECT_EQ(page->ReceiveList->item(1)->text().left(9), "01 86 04 ");

    drive->SetRefuse(PositionHighRegister, false);
    drive->SetRefuse(SetPositionLowRegister, true);
    drive->ClearRequests();
    page->EncoderClearEdit->setText("-5");
    page->EncoderResetButton->click();
    EXPECT_EQ(Writes(), (WriteList{{SetPositionLowRegister, 65531}}));
    ASSERT_EQ(answers.Texts.size(), 2u);
    EXPECT_NE(answers.Texts[1].find(std::to_string(SetPositionLowRegister) + " (S_POS_L)"),
              std::string::npos);
}

// During a move the drive refuses the command register, then falls silent:
// STOP, EMG and SERVO OFF say that they did not reach it, why, and what that
// leaves the machine in; an output switch is told as well; each note stays
// in the "Receive" list beside the failed frame.
TEST_F(PageCommandsTest, ACommandThatDidNotReachTheDriveIsToldWithWhatItLeavesTheMachineIn) {
    StartConnected();
    page->ServoOnButton->click();
    ASSERT_TRUE(WaitFor([this] { return StatusHas(StatusServoOn); }));
    page->PositionEdit->setText("2000000");
    page->SpeedEdit->setText("100");
    page->RunButton->click();
    ASSERT_TRUE(answers.Texts.empty());

    drive->SetRefuse(CommandRegister, true);
    const std::string refused =
        " did not reach the drive: the drive refused it with exception 4 (device failure).";
    page->StopButton->click();
    page->EmgButton->click();
    ASSERT_EQ(answers.Texts.size(), 2u);
    EXPECT_EQ(answers.Texts[0], "STOP" + refused + "\r\nThe drive may still be moving.");
    EXPECT_EQ(answers.Texts[1], "EMG" + refused + "\r\nThe drive may still be moving.");
    EXPECT_TRUE(HasLine(page->ReceiveList, ("STOP" + refused).c_str()));
    EXPECT_TRUE(WaitFor([this] { return HasLine(page->ReceiveList, "01 86 04 43 A3 "); }))
        << "the refusal itself";

    drive->SetRefuse(CommandRegister, false);
    drive->SetBadCrc(true);
    page->OutputButtons[2]->click(); // OUT 2 ON
    ASSERT_EQ(answers.Texts.size(), 3u);
    EXPECT_EQ(answers.Texts[2],
              "OUT 2 ON did not reach the drive: the reply's CRC was wrong (RTU_ERR_CRC 10).");
    drive->SetBadCrc(false);
    drive->SetSilent(true);
    page->ServoOffButton->click(); // the one real time-out of this test
    ASSERT_EQ(answers.Texts.size(), 4u);
    EXPECT_EQ(answers.Texts[3],
              "SERVO OFF did not reach the drive: the drive did not answer (RTU_ERR_NO_REPLY "
              "11).\r\nThe motor may still be powered.");
    drive->SetSilent(false);
}

TEST_F(PageCommandsTest, ServoOnThenRunEndsInPositionWithThePositionCellAtTheTarget) {
    StartConnected();
    page->ServoOnButton->click();
    ASSERT_TRUE(WaitFor([this] { return StatusHas(StatusServoOn); }));
    page->PositionEdit->setText("-20000");
    page->SpeedEdit->setText("1500");
    page->RunButton->click();
    EXPECT_TRUE(answers.Texts.empty());
    EXPECT_TRUE(WaitFor(
        [this] {
            page->UpdateIndicators();
            return Cell(page->StateGrid, 1, 3) == "-20000" && page->Lamp(4)->BkColour() == Qrgb(0, 128, 0);
        },
        10s));
    EXPECT_EQ(Cell(page->StateGrid, 0, 3), "-20000");
    EXPECT_EQ(page->Lamp(3)->BkColour(), Qrgb(0, 128, 0)) << "Servo ON";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(page->Lamp(4))->text(QAccessible::Description), "on");
}

TEST_F(PageCommandsTest, AnAlarmInTheDriveShowsOnADarkRedLabelAndLightsTheAlarmLamp) {
    StartConnected();
    drive->RaiseAlarm(3);
    EXPECT_TRUE(WaitFor([this] {
        page->UpdateIndicators();
        return page->AlarmLabel->text() == " 3 : Overtemperature Error";
    }));
    EXPECT_EQ(page->AlarmLabel->BkColour(), Qrgb(128, 0, 0));
    EXPECT_EQ(page->AlarmLabel->TextColour(), Qrgb(255, 255, 255));
    EXPECT_EQ(page->Lamp(1)->BkColour(), Qrgb(128, 0, 0));
    EXPECT_EQ(page->Lamp(0)->BkColour(), Qrgb(50, 50, 50)) << "EMG stays off";
    EXPECT_TRUE(WaitFor([this] { return Cell(page->StateGrid, 1, 1) == "3"; })) << "Alarm No";
}

TEST_F(PageCommandsTest, InputPolarityDecidesTheColoursOfTheValueCell) {
    StartConnected();
    // IN 1 becomes a B contact: clear means active.
    ASSERT_EQ(app->Link()->WriteParam(ParamInPole, 0xFE), RTU_OK);
    ASSERT_EQ(app->Link()->ReadAllParams(), RTU_OK);
    EXPECT_TRUE(WaitFor([this] { return Cell(page->InputGrid, 3, 1) == "B Contact"; }));
    EXPECT_EQ(Cell(page->InputGrid, 2, 1), "0");
    EXPECT_EQ(page->InputGrid->GetItemBkColour(2, 1), Rgb(0, 80, 0));
    EXPECT_EQ(page->InputGrid->GetItemFgColour(2, 1), Rgb(255, 255, 255));
    drive->SetInput(0, true);
    EXPECT_TRUE(WaitFor([this] { return Cell(page->InputGrid, 2, 1) == "1"; }));
    EXPECT_EQ(page->InputGrid->GetItemBkColour(2, 1), kDefaultColour);
    EXPECT_EQ(page->InputGrid->GetItemFgColour(2, 1), Rgb(0, 128, 0));
    // IN 2 stays an A contact: set means active.
    drive->SetInput(1, true);
    EXPECT_TRUE(WaitFor([this] { return page->InputGrid->GetItemBkColour(2, 2) == Rgb(0, 80, 0); }));
    EXPECT_EQ(Cell(page->InputGrid, 3, 2), "A Contact");
}

} // namespace
} // namespace velt
