// The pieces that need no line: the target conversion, frame splitting and
// the state file.
#include "SimTestSupport.h"
#include "link/DriveMap.h"
#include "sim/ControlLine.h"
#include "sim/DriveModel.h"
#include "sim/RequestFramer.h"
#include "sim/StateFile.h"

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace velt::sim::test {
namespace {

TEST(DriveModel, TargetConversionMatchesTheHostsIntegerArithmetic) {
    EXPECT_EQ(DriveModel::ConvertTarget(10001, 3, 2), 15001);
    EXPECT_EQ(DriveModel::ConvertTarget(-10001, 3, 2), -15001);
    EXPECT_EQ(DriveModel::ConvertTarget(100000, 100, 100), 100000);
    EXPECT_EQ(DriveModel::ConvertTarget(7, 1, 3), 2);
    EXPECT_EQ(DriveModel::ConvertTarget(2'000'000'000, 1000, 1000), 2'000'000'000); // no overflow
    EXPECT_EQ(DriveModel::ConvertTarget(12345, 7, 0), 12345);                       // guarded
    EXPECT_EQ(DriveModel::ConvertTarget(INT32_MIN, 1, -1), INT32_MIN);
}

TEST(RequestFramer, SplitsRequestsAtOnceAndOtherBytesAtSilence) {
    using Clock = RequestFramer::Clock;
    RequestFramer framer(9600);
    const auto t0 = Clock::now();
    std::vector<uint8_t> frame;
    Clock::time_point end;

    // Two requests back to back, with a noise byte in front.
    std::vector<uint8_t> bytes{0x55};
    for (auto req : {WithCrc({1, 3, 0, 0, 0, 36}), WithCrc({1, 4, 0, 0, 0, 32})})
        bytes.insert(bytes.end(), req.begin(), req.end());
    framer.Feed(bytes.data(), bytes.size(), t0);
    ASSERT_TRUE(framer.Next(t0, &frame, &end));
    EXPECT_EQ(frame, WithCrc({1, 3, 0, 0, 0, 36}));
    ASSERT_TRUE(framer.Next(t0, &frame, &end));
    EXPECT_EQ(frame[1], 4);
    EXPECT_FALSE(framer.Next(t0 + 1s, &frame, &end));

    // A request in two pieces completes when its last byte arrives.
    const auto req = WithCrc({1, 6, 0, drive::CommandRegister, 0, drive::Code(drive::Command::ServoOn)});
    framer.Feed(req.data(), 3, t0);
    EXPECT_FALSE(framer.Next(t0, &frame, &end));
    framer.Feed(req.data() + 3, 5, t0 + 1ms);
    ASSERT_TRUE(framer.Next(t0 + 1ms, &frame, &end));
    EXPECT_EQ(frame, req);

    // Anything else ends after 3.5 characters of silence (3.6 ms at 9600).
    const std::vector<uint8_t> other{1, 16, 0, 0, 0, 1, 2, 0, 5, 0xAA, 0xBB};
    framer.Feed(other.data(), other.size(), t0);
    EXPECT_EQ(framer.Deadline(), t0 + RequestFramer::InterFrameGap(9600));
    EXPECT_FALSE(framer.Next(t0 + 3ms, &frame, &end));
    ASSERT_TRUE(framer.Next(t0 + 4ms, &frame, &end));
    EXPECT_EQ(frame, other);
    EXPECT_EQ(RequestFramer::InterFrameGap(115200), std::chrono::microseconds(1750));
    EXPECT_EQ(RequestFramer::LineTime(96, 9600), 100ms);
}

TEST(ControlInput, CutsLinesAndRefusesAnOverlongOneHoweverItArrives) {
    const std::string overlong(ControlInput::kMaxLineBytes + 1, 'x');
    const std::string bytes = "input 5 1\r\n" + overlong + "\nclear\nlate 3";
    const std::vector<std::string> expected{"input 5 1", "clear", "late 3"};
    for (size_t piece : {bytes.size(), size_t{512}, size_t{1}}) {
        ControlInput input;
        std::vector<std::string> lines;
        for (size_t i = 0; i < bytes.size(); i += piece)
            for (const std::string& line : input.Feed(std::string_view(bytes).substr(i, piece)))
                lines.push_back(line);
        EXPECT_EQ(input.TakeRefused(), 1) << piece;
        for (const std::string& line : input.Finish()) // the end of input completes "late 3"
            lines.push_back(line);
        EXPECT_EQ(lines, expected) << piece;
    }
}

TEST(StateFile, SkipsDamagedLinesAndReplacesTheFileWhole) {
    TempDir dir;
    const std::string path = (dir.path() / "s.state").string();
    std::vector<StoredRegister> loaded;
    EXPECT_TRUE(StateFile::Load(path, &loaded)); // missing: nothing stored yet
    EXPECT_TRUE(loaded.empty());
    {
        std::ofstream out(path);
        out << "# header\n0 77\ngarbage\n5 -200\n200 1\n7 8 9\n13 70000\n";
    }
    ASSERT_TRUE(StateFile::Load(path, &loaded));
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].reg, 0);
    EXPECT_EQ(loaded[1].value, static_cast<uint16_t>(-200));
    ASSERT_TRUE(StateFile::Save(path, {{1, 5}, {2, static_cast<uint16_t>(-1)}}));
    ASSERT_TRUE(StateFile::Load(path, &loaded));
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[1].value, 0xFFFF);
    // Nothing beside it: no temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(StateFile, KeepsTheFilesModeAndRefusesWhatIsNoStateFile) {
    TempDir dir;
    const auto path = dir.path() / "s.state";
    ASSERT_TRUE(StateFile::Save(path.string(), {{1, 5}}));
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(StateFile::Save(path.string(), {{1, 6}}));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    std::vector<StoredRegister> loaded{{9, 9}};
    EXPECT_FALSE(StateFile::Load(dir.path().string(), &loaded)); // a folder
    EXPECT_TRUE(loaded.empty());
    {
        // Binary junk without a line end, far larger than any stored set.
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 200000; ++i)
            out.put(static_cast<char>(i * 37));
    }
    EXPECT_FALSE(StateFile::Load(path.string(), &loaded));
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << std::string("\0\xff\x01 3\n", 6) << "1 12\n\x80\x81\n2 -5 \r\n";
    }
    ASSERT_TRUE(StateFile::Load(path.string(), &loaded));
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].value, 12);
    EXPECT_EQ(loaded[1].value, static_cast<uint16_t>(-5));
}

} // namespace
} // namespace velt::sim::test
