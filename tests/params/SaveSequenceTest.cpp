// The save-to-drive sequence against the simulated drive over a pseudo-terminal.
#include "params/SaveSequence.h"
#include "RecordingMessages.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "params/ParFile.h"
#include "platform/AtomicFile.h"
#include "sim/SimDrive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace velt;
namespace fs = std::filesystem;

namespace {

// What the page would have seen, recorded by the hooks.
struct Seen {
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> details;
    std::vector<std::string> backupQuestions;
    std::vector<int> progress;
    std::vector<int> focus;
    std::vector<bool> enable;
    int waits = 0;
};

SaveHooks Recording(Seen* seen, bool answerYes = true, bool withoutBackup = false) {
    SaveHooks h;
    h.message = [seen](const std::string& t) { seen->messages.push_back(t); };
    h.confirm = [seen, answerYes](const std::string& t, const std::string& details) {
        seen->questions.push_back(t);
        seen->details.push_back(details);
        return answerYes;
    };
    h.confirmWithoutBackup = [seen, withoutBackup](const std::string& t) {
        seen->backupQuestions.push_back(t);
        return withoutBackup;
    };
    h.progress = [seen](int p) { seen->progress.push_back(p); };
    h.focus = [seen](int n) { seen->focus.push_back(n); };
    h.enableSaveButton = [seen](bool on) { seen->enable.push_back(on); };
    h.waitWithMessages = [seen](uint32_t) { ++seen->waits; };
    return h;
}

class SaveSequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) / ("velt_save_" + std::to_string(::getpid()));
        ::setenv("VELT_PARAMETER_DIR", folder_.c_str(), 1);
        std::string error;
        ASSERT_TRUE(sim_.Start(&error)) << error;
        link_.StartThread();
        link_.SetDriveId(1);
        ASSERT_EQ(link_.Connect({sim_.DevicePath(), 9600}).kind, OpenFailure::None);
        ASSERT_EQ(link_.ReadAllParams(), RTU_OK);
        sim_.ClearRequests();
    }
    void TearDown() override {
        link_.StopThread();
        sim_.Stop();
        ::unsetenv("VELT_PARAMETER_DIR");
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::vector<sim::SimRequest> Requests(uint8_t function) const {
        std::vector<sim::SimRequest> out;
        for (const sim::SimRequest& r : sim_.Requests())
            if (r.function == function) out.push_back(r);
        return out;
    }

    // Every parameter in use below the command block, in number order.
    static std::vector<int> InUseBelowCommand() {
        std::vector<int> v;
        for (int n = 0; n < drive::CommandRegister; ++n)
            if (ParamKind(n) != 0) v.push_back(n);
        return v;
    }

    static sim::SimOptions Unpublished() {
        sim::SimOptions o;
        o.publish = false;
        return o;
    }

    fs::path folder_;
    sim::SimDrive sim_{Unpublished()};
    CDriveLink link_;
};

} // namespace

TEST_F(SaveSequenceTest, WritesInUseParametersBelowTheCommandBlockThenStoresAndRereads) {
    const ParamValues before = ValuesFromRegisters(link_.ParamRegs());
    ParamValues working = before;
    working[13] = 301;                        // current P gain, in use
    working[33] = 1;                          // kind 0: never written
    working[drive::OptArgRegister] = 1234;    // kind 0 and in the command block
    working[drive::PositionLowRegister] = 55; // in use but in the command block
    Seen seen;
    const SaveResult r = SaveAllParameters(link_, working, link_.DriveId(), false, Recording(&seen));

    EXPECT_EQ(r.outcome, SaveOutcome::Stored);
    EXPECT_EQ(seen.questions, std::vector<std::string>{"Parameter Save ?"});
    ASSERT_EQ(seen.details.size(), 1u);
    EXPECT_EQ(seen.details[0],
              "013 CURRENT P GAIN : " + std::to_string(before[13]) +
                  " -> 301\r\n033 SELECT PROTOCOL : 0 -> 1 (not stored)\r\n" +
                  std::to_string(drive::OptArgRegister) + " Opt_Arg : 0 -> 1234 (not stored)\r\n" +
                  std::to_string(drive::PositionLowRegister) + " POS_L : 0 -> 55 (not stored)");
    EXPECT_TRUE(seen.backupQuestions.empty());
    EXPECT_TRUE(seen.messages.empty());
    const std::vector<int> expected = InUseBelowCommand();
    const auto writes = Requests(drive::FunctionWriteSingleRegister);
    ASSERT_EQ(writes.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(writes[i].address, expected[i]);
        EXPECT_EQ(static_cast<int16_t>(writes[i].value), working[static_cast<size_t>(expected[i])]);
    }
    EXPECT_EQ(writes.back().address, drive::CommandRegister);
    EXPECT_EQ(writes.back().value, drive::Code(drive::Command::Store));
    EXPECT_EQ(Requests(drive::FunctionReadHoldingRegisters).size(), 4u); // the re-read
    EXPECT_EQ(sim_.Holding(13), 301);
    EXPECT_EQ(link_.ParamRegs()[13], 301);

    EXPECT_EQ(seen.focus, expected);
    EXPECT_EQ(seen.waits, static_cast<int>(expected.size()));
    EXPECT_EQ(seen.enable, (std::vector<bool>{false, true}));
    ASSERT_GE(seen.progress.size(), 3u);
    EXPECT_EQ(seen.progress.front(), 0);
    EXPECT_EQ(seen.progress[seen.progress.size() - 2], drive::CommandRegister); // after parameter 119
    EXPECT_EQ(seen.progress.back(), kSaveProgressMax);

    // The backup holds what the drive had before the save.
    ASSERT_TRUE(r.backup.ok) << r.backup.error;
    EXPECT_EQ(r.backup.path.parent_path(), folder_);
    ParamValues backedUp{};
    ASSERT_TRUE(ReadParFile(r.backup.path, &backedUp, false));
    EXPECT_EQ(backedUp, before);
}

TEST_F(SaveSequenceTest, RefusedWriteStopsNamingItWithoutStoreOrReread) {
    sim_.SetRefuse(5, true);
    const ParamValues working = ValuesFromRegisters(link_.ParamRegs());
    Seen seen;
    const SaveResult r = SaveAllParameters(link_, working, link_.DriveId(), false, Recording(&seen));

    EXPECT_EQ(r.outcome, SaveOutcome::WriteFailed);
    EXPECT_EQ(r.failedParam, 5);
    EXPECT_NE(r.failCode, RTU_OK);
    ASSERT_EQ(seen.messages.size(), 1u);
    EXPECT_EQ(seen.messages[0],
              " Parameters No.[5] during storage Error has occurred.\r\n Min, Max values and "
              "communication connection status check \r\n Save again.");
    const auto writes = Requests(drive::FunctionWriteSingleRegister);
    ASSERT_EQ(writes.size(), 6u); // 0..4 accepted, 5 refused
    EXPECT_EQ(writes.back().address, 5);
    EXPECT_TRUE(Requests(drive::FunctionReadHoldingRegisters).empty());
    EXPECT_EQ(seen.progress.back(), 0);
    EXPECT_EQ(seen.enable, (std::vector<bool>{false, true}));
    EXPECT_TRUE(r.backup.ok); // taken before the first write
}

TEST_F(SaveSequenceTest, ChangesToTheWorkingCopyDuringTheSaveAreNotSent) {
    const ParamValues confirmed = ValuesFromRegisters(link_.ParamRegs());
    ParamValues working = confirmed;
    Seen seen;
    SaveHooks hooks = Recording(&seen);
    // Between writes the page keeps running: a "read all" replaces the
    // working copy, a file load changes it.
    hooks.waitWithMessages = [&](uint32_t) {
        working.fill(0);
        working[13] = 999;
    };
    const SaveResult r = SaveAllParameters(link_, working, link_.DriveId(), false, hooks);

    EXPECT_EQ(r.outcome, SaveOutcome::Stored);
    const auto writes = Requests(drive::FunctionWriteSingleRegister);
    ASSERT_EQ(writes.size(), InUseBelowCommand().size() + 1);
    for (size_t i = 0; i + 1 < writes.size(); ++i)
        EXPECT_EQ(static_cast<int16_t>(writes[i].value), confirmed[writes[i].address]) << writes[i].address;
}

TEST_F(SaveSequenceTest, ServoOnAndNoAnswerWriteNothing) {
    ASSERT_EQ(link_.WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn)), RTU_OK);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while ((link_.StateRegs()[drive::StateStatus] & drive::StatusServoOn) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(link_.StateRegs()[drive::StateStatus] & drive::StatusServoOn, 0);
    sim_.ClearRequests();

    const ParamValues working = ValuesFromRegisters(link_.ParamRegs());
    Seen servo;
    EXPECT_EQ(SaveAllParameters(link_, working, link_.DriveId(), false, Recording(&servo)).outcome,
              SaveOutcome::ServoOn);
    EXPECT_EQ(servo.messages, std::vector<std::string>{"After You Save Servo OFF"});
    EXPECT_TRUE(servo.questions.empty());

    sim_.ServoOff();
    while ((link_.StateRegs()[drive::StateStatus] & drive::StatusServoOn) != 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Seen no;
    const SaveResult r = SaveAllParameters(link_, working, link_.DriveId(), false, Recording(&no, false));
    EXPECT_EQ(r.outcome, SaveOutcome::NotConfirmed);
    EXPECT_FALSE(r.backup.ok);
    EXPECT_TRUE(no.progress.empty());

    // Without hooks the question goes through the message service, whose
    // default answer is No.
    test::RecordingMessages messages;
    EXPECT_EQ(SaveAllParameters(link_, working, link_.DriveId(), false).outcome, SaveOutcome::NotConfirmed);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Parameter Save ?"});

    link_.Disconnect();
    Seen off;
    EXPECT_EQ(SaveAllParameters(link_, working, link_.DriveId(), false, Recording(&off)).outcome,
              SaveOutcome::NotConnected);
    EXPECT_TRUE(off.questions.empty());
    EXPECT_TRUE(Requests(drive::FunctionWriteSingleRegister).empty());
    EXPECT_FALSE(fs::exists(folder_) && !fs::is_empty(folder_));
}

TEST_F(SaveSequenceTest, ABackupThatCannotBeWrittenAsksAndNoWritesNothing) {
    std::error_code ec;
    fs::remove_all(folder_, ec);
    ASSERT_TRUE(WriteFileAtomically(folder_, "a file where the folder should be"));
    ParamValues working = ValuesFromRegisters(link_.ParamRegs());
    working[13] = 302;

    Seen no;
    SaveResult r = SaveAllParameters(link_, working, link_.DriveId(), false, Recording(&no, true, false));
    EXPECT_EQ(r.outcome, SaveOutcome::NoBackup);
    EXPECT_FALSE(r.backup.ok);
    ASSERT_EQ(no.backupQuestions.size(), 1u);
    EXPECT_EQ(no.backupQuestions[0].rfind("File Save Error\r\nThe backup of the drive's parameters could not "
                                          "be written.\r\n" +
                                              r.backup.error,
                                          0),
              0u)
        << no.backupQuestions[0];
    EXPECT_NE(no.backupQuestions[0].find("Store the parameters without a backup?"), std::string::npos);
    EXPECT_FALSE(r.backup.error.empty());
    EXPECT_TRUE(Requests(drive::FunctionWriteSingleRegister).empty());
    EXPECT_TRUE(no.progress.empty());
    EXPECT_EQ(no.enable, (std::vector<bool>{false, true}));
    EXPECT_TRUE(no.messages.empty());

    Seen yes;
    r = SaveAllParameters(link_, working, link_.DriveId(), false, Recording(&yes, true, true));
    EXPECT_EQ(r.outcome, SaveOutcome::Stored);
    EXPECT_EQ(yes.backupQuestions.size(), 1u);
    EXPECT_EQ(sim_.Holding(13), 302);
}

TEST(SaveTexts, KoreanTextsNameTheParameter) {
    EXPECT_EQ(SaveServoOnText(true), "Servo OFF 후 저장하세요!");
    EXPECT_EQ(BackupFailedText("disk full", true),
              "File Save Error\r\n드라이브 파라미터의 백업 파일을 쓰지 못했습니다."
              "\r\ndisk full\r\n\r\n백업 없이 파라미터를 저장 하시겠습니까?");
    EXPECT_EQ(SaveQuestionText(true), "파라메터를 저장 하시겠습니까?");
    EXPECT_EQ(SaveFailureText(42, true),
              " 파라미터 [42]번 저장시 Error 가 발생하였습니다. \r\n Min, Max 값 및 통신연결 "
              "상태 확인 후 \r\n 다시 저장 하세요.");
    EXPECT_EQ(SaveServoOnText(false), "After You Save Servo OFF");
}
