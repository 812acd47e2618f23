// The order and timing of a drive scan, what a probe makes of the bytes
// that come back, and the texts of a scan and of a port that will not open.
#include "link/ScanPlan.h"
#include "link/CModbusPort.h"
#include "link/DriveProbe.h"
#include "link/PortOpenText.h"
#include "link/ScanReport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velt {
namespace {

using namespace std::chrono_literals;

std::vector<std::pair<uint32_t, int>> Head(const std::vector<ScanProbe>& plan, size_t n) {
    std::vector<std::pair<uint32_t, int>> head;
    for (size_t i = 0; i < n && i < plan.size(); ++i)
        head.emplace_back(plan[i].Baud, plan[i].Id);
    return head;
}

TEST(ScanPlan, CurrentSettingsFirstThenIdOneAndTheLastIdFastestFirstThenEveryId) {
    ScanOrder order;
    order.CurrentBaud = 19200;
    order.CurrentId = 5;
    order.LastUsedId = 17;
    const std::vector<ScanProbe> plan = MakeScanPlan(order);
    EXPECT_EQ(Head(plan, 11), (std::vector<std::pair<uint32_t, int>>{{19200, 5},
                                                                     {115200, 1},
                                                                     {115200, 17},
                                                                     {57600, 1},
                                                                     {57600, 17},
                                                                     {38400, 1},
                                                                     {38400, 17},
                                                                     {19200, 1},
                                                                     {19200, 17},
                                                                     {9600, 1},
                                                                     {9600, 17}}));
    EXPECT_TRUE(std::all_of(plan.begin(), plan.begin() + 11, [](const ScanProbe& p) { return p.Thorough; }));
    EXPECT_EQ(Head({plan.begin() + 11, plan.begin() + 14}, 3),
              (std::vector<std::pair<uint32_t, int>>{{115200, 2}, {115200, 3}, {115200, 4}}))
        << "the full round skips what the first rounds tried";
    EXPECT_FALSE(plan[11].Thorough);
    EXPECT_EQ(plan.size(), 5u * 247u) << "every rate and ID once, the current settings among them";
    EXPECT_EQ(plan.back().Baud, 9600u);
    EXPECT_EQ(plan.back().Id, 247);
}

TEST(ScanPlan, ListsAndRangesBoundEverythingButTheCurrentSettings) {
    ScanOrder order; // 9600, ID 1, last ID 1
    order.Bauds = {57600, 9600, 57600};
    order.FirstId = 10;
    order.LastId = 12;
    const std::vector<ScanProbe> plan = MakeScanPlan(order);
    EXPECT_EQ(Head(plan, 10),
              (std::vector<std::pair<uint32_t, int>>{
                  {9600, 1}, {57600, 10}, {57600, 11}, {57600, 12}, {9600, 10}, {9600, 11}, {9600, 12}}));

    order.CurrentBaud = 250000; // typed into the settings: tried, though not on the list
    order.CurrentId = 0;        // broadcast: never probed
    EXPECT_EQ(MakeScanPlan(order).size(), 6u);
    order.CurrentId = 11;
    EXPECT_EQ(Head(MakeScanPlan(order), 1), (std::vector<std::pair<uint32_t, int>>{{250000, 11}}));
}

TEST(ScanPlan, AProbeWaitsForTheFramesTheTurnaroundAndTheAdapterAndNoLonger) {
    // (8 + 9 + 3.5) characters of 10 bits, 20 ms turnaround, 16 ms adapter.
    EXPECT_EQ(ProbeWait(9600), 58ms);
    EXPECT_EQ(ProbeWait(19200), 47ms);
    EXPECT_EQ(ProbeWait(115200), 38ms);
    EXPECT_EQ(ThoroughProbeWait(9600), 138ms);
    EXPECT_EQ(ProbeByteGap(9600), 20ms);
    EXPECT_EQ(ProbeByteGap(115200), 17ms);
    // A cancelled scan ends after the probe it is in: within 200 ms at any rate.
    for (uint32_t baud : kScanBauds)
        EXPECT_LT(ThoroughProbeWait(baud) + ProbeByteGap(baud), 200ms) << baud;
    // Well under the link's one second, so that a full scan stays short.
    std::chrono::milliseconds all{0};
    for (uint32_t baud : kScanBauds)
        all += ProbeWait(baud) * 247;
    EXPECT_LT(all, 90s);
}

TEST(ScanPlan, RateListsAndIdRangesAreReadWhole) {
    std::vector<uint32_t> bauds;
    EXPECT_TRUE(ParseBaudList("9600,115200,9600", &bauds));
    EXPECT_EQ(bauds, (std::vector<uint32_t>{9600, 115200}));
    for (const char* bad : {"", "9600,", ",9600", "96OO", "100", "5000000", "9600;19200", "-9600"})
        EXPECT_FALSE(ParseBaudList(bad, &bauds)) << bad;
    uint8_t first = 0, last = 0;
    EXPECT_TRUE(ParseIdRange("1-247", &first, &last));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 247);
    EXPECT_TRUE(ParseIdRange("17", &first, &last));
    EXPECT_EQ(first, 17);
    EXPECT_EQ(last, 17);
    for (const char* bad : {"", "0-5", "5-3", "1-248", "1-", "-5", "a-b", "1-2-3", "300"})
        EXPECT_FALSE(ParseIdRange(bad, &first, &last)) << bad;
}

std::vector<uint8_t> Framed(std::vector<uint8_t> frame) {
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

ProbeResult Classify(uint8_t id, const std::vector<uint8_t>& bytes) {
    return ClassifyProbeReply(id, bytes.data(), bytes.size());
}

TEST(DriveProbe, OnlyAWholeAnswerOfTheProbedIdIsADriveAndAnythingCloseGetsASecondLook) {
    const auto answer = Framed({17, 3, 4, 0x2E, 0xE1, 0x2E, 0xE2}); // 12001, 12002
    ProbeResult r = Classify(17, answer);
    EXPECT_EQ(r.Outcome, ProbeOutcome::Answer);
    EXPECT_EQ(r.HwVersion, 12001);
    EXPECT_EQ(r.SwVersion, 12002);

    r = Classify(17, Framed({17, 0x83, 2}));
    EXPECT_EQ(r.Outcome, ProbeOutcome::Exception) << "another Modbus device at this ID";
    EXPECT_EQ(r.Exception, 2);
    EXPECT_EQ(Classify(17, Framed({17, 0x83, 0})).Outcome, ProbeOutcome::Noise) << "there is no exception 0";

    r = Classify(18, answer);
    EXPECT_EQ(r.Outcome, ProbeOutcome::OtherId) << "a late answer to the probe before";
    EXPECT_EQ(r.OtherId, 17);

    EXPECT_EQ(Classify(17, {answer.begin(), answer.begin() + 5}).Outcome, ProbeOutcome::Partial);
    EXPECT_EQ(Classify(17, {17}).Outcome, ProbeOutcome::Partial);
    auto damaged = answer;
    damaged[4] ^= 0x10;
    EXPECT_EQ(Classify(17, damaged).Outcome, ProbeOutcome::Noise) << "whole but damaged: not ours to trust";
    auto longer = answer;
    longer.push_back(0);
    EXPECT_EQ(Classify(17, longer).Outcome, ProbeOutcome::Noise);
    EXPECT_EQ(Classify(17, Framed({17, 4, 4, 0, 1, 0, 2})).Outcome, ProbeOutcome::Noise)
        << "another function";
    EXPECT_EQ(Classify(17, {0x5A, 0xC3, 0x11}).Outcome, ProbeOutcome::Noise);
    EXPECT_EQ(Classify(17, Framed({0, 3, 4, 0, 1, 0, 2})).Outcome, ProbeOutcome::Noise) << "no drive is ID 0";
    EXPECT_EQ(Classify(17, {}).Outcome, ProbeOutcome::NoReply);
}

TEST(PortOpenText, EachReasonHasItsSecondLineInBothLanguages) {
    SerialOpenError e = MakeOpenError(OpenFailure::NoDevice, "/dev/ttyUSB3");
    EXPECT_EQ(PortOpenFailMessage(e, false),
              "Port Open Fail\r\nNo such device: /dev/ttyUSB3. Is the adapter unplugged?");
    EXPECT_EQ(
        PortOpenFailMessage(e, true),
        "포트를 열수가 없습니다.\r\n/dev/ttyUSB3 장치가 없습니다. 어댑터가 연결되어 있는지 확인하세요.");

    e = MakeOpenError(OpenFailure::PermissionDenied, "/dev/ttyUSB0");
    e.user = "kim";
    e.group = "uucp";
    EXPECT_EQ(PortOpenReason(e, false),
              "Permission denied: kim may not open /dev/ttyUSB0. Add the user to the group "
              "uucp (sudo adduser kim uucp), then log in again.");
    e.group.clear(); // the device lets no group in: the usual group is named
    EXPECT_NE(PortOpenReason(e, true).find("sudo adduser kim dialout"), std::string::npos);

    e = MakeOpenError(OpenFailure::InUse, "/dev/ttyS0");
    EXPECT_EQ(PortOpenReason(e, false),
              "In use by another program: /dev/ttyS0. Close the other program, or choose another port.");
    e.holderPid = 4242;
    e.holderName = "minicom";
    EXPECT_EQ(PortOpenReason(e, false),
              "In use by another program: minicom (process 4242) holds /dev/ttyS0. Close "
              "it, or choose another port.");

    e = MakeOpenError(OpenFailure::BaudRefused, "COM4");
    e.baudRate = 250000;
    EXPECT_EQ(PortOpenReason(e, false), "The line refuses 250000 bit/s. Choose one of the listed rates.");
    EXPECT_EQ(PortOpenReason(MakeOpenError(OpenFailure::NotSerial, "/dev/null"), false),
              "/dev/null is not a serial port.");
    e = MakeOpenError(OpenFailure::Other, "COM4");
    EXPECT_EQ(PortOpenReason(e, false), "COM4: the port cannot be used.");
    e.systemText = "system error 31";
    EXPECT_EQ(PortOpenReason(e, false), "COM4: system error 31");
    EXPECT_EQ(PortOpenFailMessage(SerialOpenError{}, false), "Port Open Fail")
        << "no reason known: the first line";
}

TEST(ScanReport, ProgressOutcomeAndFindsReadAsTheUserExpects) {
    ScanStatus s;
    s.Baud = 57600;
    s.Id = 17;
    s.Found = 1;
    EXPECT_EQ(ScanProgressText(s, false), "57600 bit/s, ID 17 - 1 found");
    EXPECT_EQ(ScanProgressText(s, true), "57600 bit/s, ID 17 - 1대 찾음");
    EXPECT_EQ(ScanOutcomeText(s, false), "Finished: 1 found");
    s.Cancelled = true;
    EXPECT_EQ(ScanOutcomeText(s, false), "Cancelled: 1 found");
    s.Cancelled = false;
    s.Found = 0;
    EXPECT_EQ(ScanOutcomeText(s, false), "No drive found. Check the cable and the drive's power.");
    s.Running = true;
    EXPECT_EQ(ScanOutcomeText(s, true), "찾는 중...");

    FoundDrive d{"COM3", 9600, 1, 12001, 7, 0};
    EXPECT_EQ(FoundVersionText(d, d.HwVersion, false), "12.0.01");
    EXPECT_EQ(FoundVersionText(d, d.SwVersion, false), "00.0.07");
    d.Exception = 2;
    EXPECT_EQ(FoundVersionText(d, d.HwVersion, false), "exception 2");
    EXPECT_EQ(ScanPortErrorText({"COM9", MakeOpenError(OpenFailure::Other, "COM9"), false}, false),
              "COM9: the line failed during the search.");
    EXPECT_EQ(ScanPortErrorText({"COM9", MakeOpenError(OpenFailure::NoDevice, "/dev/ttyS8"), true}, false),
              "COM9: No such device: /dev/ttyS8. Is the adapter unplugged?");
}

} // namespace
} // namespace velt
