// The frame log: the lines the lists show, their limit, the queues the link
// fills from its threads, and the text Save As writes.
#include "monitor/FrameLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

namespace velt {
namespace {

using namespace std::chrono_literals;

TEST(FrameLines, EachByteIsTwoUpperCaseDigitsAndABlank) {
    EXPECT_EQ(FrameLineText({0x01, 0x06, 0x00, 0x78, 0x00, 0x04, 0x08, 0x10}), "01 06 00 78 00 04 08 10 ");
    EXPECT_EQ(FrameLineText({0xAB, 0xff}), "AB FF ");
    EXPECT_EQ(FrameLineText({}), "") << "a request that got no reply shows as an empty line";
}

TEST(FrameLines, TheFiftySecondLineRemovesTheOldestAndFiftyOneStay) {
    LogLines lines;
    for (int i = 0; i < 51; ++i)
        EXPECT_FALSE(lines.Append({std::to_string(i), {}, static_cast<uint64_t>(i)}));
    EXPECT_EQ(lines.Lines().size(), 51u);
    EXPECT_TRUE(lines.Append({"51", {}, 51}));
    EXPECT_EQ(lines.Lines().size(), 51u);
    EXPECT_EQ(lines.Lines().front().Text, "1");
    EXPECT_TRUE(lines.Append({"52", {}, 52}));
    EXPECT_EQ(lines.Lines().front().Text, "2");
    EXPECT_EQ(lines.Lines().back().Text, "52");
}

TEST(FrameQueues, FramesComeOutOneAtATimeInArrivalOrderWithTheirTimes) {
    FrameLog log;
    const uint8_t request[] = {1, 6, 0, 0x78, 0, 4, 8, 0x10};
    const auto before = std::chrono::system_clock::now();
    log.QueueTxFrame(8, request);
    log.QueueRxFrame(0, request);
    log.QueueTxFrame(3, request);
    const auto after = std::chrono::system_clock::now();

    std::optional<LoggedFrame> tx1 = log.TakeTx();
    std::optional<LoggedFrame> rx1 = log.TakeRx();
    std::optional<LoggedFrame> tx2 = log.TakeTx();
    ASSERT_TRUE(tx1 && rx1 && tx2);
    EXPECT_FALSE(log.TakeTx());
    EXPECT_FALSE(log.TakeRx());
    EXPECT_EQ(tx1->Bytes, std::vector<uint8_t>(request, request + 8));
    EXPECT_TRUE(rx1->Bytes.empty());
    EXPECT_EQ(tx2->Bytes.size(), 3u);
    EXPECT_LT(tx1->Sequence, rx1->Sequence);
    EXPECT_LT(rx1->Sequence, tx2->Sequence);
    EXPECT_GE(tx1->Arrival, before);
    EXPECT_LE(tx2->Arrival, after);
}

TEST(FrameQueues, LengthsAreCutToTheFrameSizeAndTheQueueKeepsTheNewestFrames) {
    FrameLog log;
    std::vector<uint8_t> big(300, 0x55);
    log.QueueTxFrame(300, big.data());
    log.QueueTxFrame(-4, big.data());
    log.QueueTxFrame(5, nullptr);
    EXPECT_EQ(log.TakeTx()->Bytes.size(), 256u);
    EXPECT_TRUE(log.TakeTx()->Bytes.empty());
    EXPECT_TRUE(log.TakeTx()->Bytes.empty());

    for (int i = 0; i < 300; ++i) {
        const uint8_t b = static_cast<uint8_t>(i);
        log.QueueRxFrame(1, &b);
    }
    EXPECT_EQ(log.TakeRx()->Bytes[0], static_cast<uint8_t>(300 - FrameLog::kMaxQueuedFrames));
    log.Clear();
    EXPECT_FALSE(log.TakeRx());
}

// The link's threads queue while the user-interface thread takes frames.
TEST(FrameQueues, ThreadsQueueingWhileTheUserInterfaceTakes) {
    FrameLog log;
    std::atomic<bool> stop{false};
    std::atomic<int> queued{0};
    auto producer = [&](bool tx) {
        uint8_t bytes[8] = {1, 3, 0, 0, 0, 32, 0, 0};
        while (!stop.load()) {
            bytes[7]++;
            if (tx)
                log.QueueTxFrame(8, bytes);
            else
                log.QueueRxFrame(8, bytes);
            queued.fetch_add(1);
        }
    };
    std::thread a(producer, true);
    std::thread b(producer, false);
    int taken = 0;
    // The first sent frame may carry sequence 0, and an answer may be taken
    // before it: "no sent frame yet" is its own state, not lastTx == 0.
    std::optional<uint64_t> lastTx;
    bool ordered = true;
    while (taken < 2000) {
        if (std::optional<LoggedFrame> f = log.TakeTx()) {
            ordered = ordered && (!lastTx || f->Sequence > *lastTx);
            lastTx = f->Sequence;
            ++taken;
        }
        if (log.TakeRx()) ++taken;
    }
    stop = true;
    a.join();
    b.join();
    log.Clear();
    EXPECT_TRUE(ordered);
    EXPECT_GE(queued.load(), taken);
}

TEST(SavedLog, BothListsMergeInArrivalOrderWithMillisecondTimes) {
    const auto t0 = std::chrono::system_clock::now();
    LogLines send;
    LogLines receive;
    send.Append({"01 06 00 78 00 04 08 10 ", t0, 4});
    receive.Append({"01 06 00 78 00 04 08 10 ", t0 + 7ms, 5});
    send.Append({"01 05 00 00 FF 00 8C 3A ", t0 + 20ms, 6});
    receive.Append({"", t0 + 1020ms, 7});
    const std::string text = SavedLogText(send, receive);
    const std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  (Send   |Receive)  [0-9A-F ]*\r\n)");
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start) + 2;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    ASSERT_EQ(lines.size(), 4u);
    for (const std::string& l : lines)
        EXPECT_TRUE(std::regex_match(l, line)) << l;
    EXPECT_NE(lines[0].find("Send     01 06 00 78 00 04 08 10\r\n"), std::string::npos);
    EXPECT_NE(lines[1].find("Receive  01 06"), std::string::npos);
    EXPECT_NE(lines[2].find("Send     01 05"), std::string::npos);
    EXPECT_NE(lines[3].find("Receive  \r\n"), std::string::npos);
    EXPECT_EQ(lines[0].substr(0, 23), ArrivalTimeText(t0));
    EXPECT_EQ(SavedLogText(LogLines{}, LogLines{}), "");
}

TEST(SavedLog, ArrivalTimesKeepTheirMilliseconds) {
    const auto whole = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    EXPECT_EQ(ArrivalTimeText(whole + 7ms).substr(19), ".007");
    EXPECT_EQ(ArrivalTimeText(whole + 999ms).substr(19), ".999");
    EXPECT_EQ(ArrivalTimeText(whole).substr(0, 19), ArrivalTimeText(whole + 999ms).substr(0, 19));
}

} // namespace
} // namespace velt
