// The strip chart as a widget (offscreen): what its images hold, the XOR
// combination, the shifted picture against the full render, and the
// right-click export.
#include "scope/COScopeCtrl.h"

#include "base/MessageService.h"
#include "tests/support/ShellFixture.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace velt {
namespace {

const QColor kBg(10, 10, 10);
const QColor kGrid(115, 115, 115);
const QColor kAxis(200, 255, 255);
const QColor kRed(255, 0, 0);

class ChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetMessageService(&messages);
        chart.Create(QRect(0, 0, 645, 318));
        chart.SetGridLines(9, 9);
        chart.SetBackgroundColor(kBg);
        chart.SetGridColor(kGrid);
        chart.SetAxisColor(kAxis);
        chart.SetTraceColors(kRed, QColor(0, 255, 0), QColor(255, 0, 255), QColor(255, 255, 0));
        chart.SetXRange(0, 10);
        chart.SetYRange(-5000, 5000);
    }
    void TearDown() override {
        SetMessageService(previous_);
        COScopeCtrl::SetFileNameHook({});
    }

    void Append(int n, const std::function<double(int)>& value, TraceFlags enabled = {1, 0, 0, 0}) {
        for (int i = 0; i < n; ++i)
            chart.AppendSamples(enabled, {value(i), 0, 0, 0});
    }
    // Pixels of the plot image in the trace colour.
    int TracePixels(const QColor& c, const QRect& area) const {
        const QImage plot = chart.PlotPicture();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += plot.pixelColor(x, y) == c ? 1 : 0;
        return n;
    }
    QRect Plot() const {
        const ChartRect& p = chart.PlotRect;
        return QRect(p.left, p.top, p.Width(), p.Height());
    }

    RecordingMessages messages;
    ScopeSampleStore store;
    COScopeCtrl chart{store};

private:
    IMessageService* previous_ = nullptr;
};

TEST_F(ChartTest, BeforeTheFirstAppendOnlyTheGridShows) {
    EXPECT_EQ(store.State().TraceCount, 1);
    EXPECT_EQ(store.State().PointCount, 0);
    EXPECT_EQ(TracePixels(kBg, chart.rect()), chart.width() * chart.height());
    EXPECT_EQ(chart.ComposedImage(), chart.GridImage);
    // Frame, grid dots and label text are in the background image.
    const ChartRect& p = chart.PlotRect;
    EXPECT_EQ(chart.GridImage.pixelColor(p.left, p.top), kAxis);
    EXPECT_EQ(chart.GridImage.pixelColor(p.right + 1, p.bottom + 1), kAxis);
    const int gridY = p.top + (p.bottom - p.top) * 1 / 10;
    int dots = 0;
    for (int x = p.left + 1; x < p.right; ++x)
        dots += chart.GridImage.pixelColor(x, gridY) == kGrid ? 1 : 0;
    EXPECT_GT(dots, (p.right - p.left) / 3);
    EXPECT_LT(dots, (p.right - p.left) * 2 / 3); // dotted, not solid
    int labelPixels = 0;
    for (int y = p.bottom + 4; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x)
            labelPixels += chart.GridImage.pixelColor(x, y) != kBg ? 1 : 0;
    EXPECT_GT(labelPixels, 100);
}

TEST_F(ChartTest, ClearPlotHidesTheOldSamplesThatTheRingStillHolds) {
    Append(100, [](int) { return 4000.0; });
    const PixelMap map(chart.PlotRect, {0, 10, -5000, 5000});
    const QRect high(Plot().left(), map.Y(4000), Plot().width(), 1);
    EXPECT_GT(TracePixels(kRed, high), 50);
    chart.ClearPlot();
    EXPECT_EQ(store.State().PointCount, 0);
    EXPECT_EQ(TracePixels(kRed, Plot()), 0);
    Append(10, [](int) { return -4000.0; });
    EXPECT_EQ(TracePixels(kRed, high), 0);
    EXPECT_GT(TracePixels(kRed, QRect(Plot().left(), map.Y(-4000), Plot().width(), 1)), 0);
    EXPECT_EQ(store.Read().Samples().At(0, 10), 4000.0); // still in the ring
}

TEST_F(ChartTest, ASampleBeyondTheRangeIsDrawnTowardsItAndCutAtTheFrame) {
    Append(100, [](int i) { return i == 50 ? 1e9 : 0.0; });
    const ChartRect& p = chart.PlotRect;
    EXPECT_EQ(TracePixels(kRed, QRect(0, 0, chart.width(), p.top)), 0);
    EXPECT_GT(TracePixels(kRed, QRect(p.left, p.top, p.Width(), 1)), 0); // reaches the top row
    EXPECT_EQ(TracePixels(kRed, QRect(p.right, 0, chart.width() - p.right, chart.height())), 0);
    // Nothing outside the plot in the combined picture either: there only the grid image shows.
    const QImage shown = chart.ComposedImage();
    for (int x = 0; x < chart.width(); ++x)
        ASSERT_EQ(shown.pixelColor(x, p.top - 1), chart.GridImage.pixelColor(x, p.top - 1)) << x;
}

TEST_F(ChartTest, PaintingCombinesGridPlotAndBackgroundByXor) {
    const ChartRect& p = chart.PlotRect;
    const PixelMap map(p, {0, 10, -5000, 5000});
    const int gridX = p.left + (p.right - p.left) * 3 / 10; // a vertical grid line
    double level = 0;                                       // a flat trace on a row where that line has a dot
    while (chart.GridImage.pixelColor(gridX, map.Y(level)) != kGrid)
        level += 10;
    Append(200, [level](int) { return level; });
    const int y = map.Y(level);
    const QImage shown = chart.ComposedImage();
    int plainX = gridX + 1;
    while (chart.GridImage.pixelColor(plainX, y) != kBg)
        ++plainX;
    const QImage plot = chart.PlotPicture();
    ASSERT_EQ(plot.pixelColor(plainX, y), kRed);
    EXPECT_EQ(shown.pixelColor(plainX, y), kRed); // over the background: the trace colour
    ASSERT_EQ(plot.pixelColor(gridX, y), kRed);
    const QRgb expected = (kGrid.rgb() ^ kRed.rgb() ^ kBg.rgb()) | 0xFF000000u;
    EXPECT_EQ(shown.pixel(gridX, y), expected); // over a grid dot: the XOR of the three
    // And the widget paints exactly that picture.
    chart.resize(645, 318);
    EXPECT_EQ(chart.grab().toImage().convertToFormat(QImage::Format_RGB32), shown);
}

TEST_F(ChartTest, ZoomingOutAfterAStopShowsTheSameSamplesInTheRightHalf) {
    Append(200, [](int i) { return (i % 20) * 200.0; });
    const ChartRect& p = chart.PlotRect;
    const int middle = p.left + (p.right - p.left) / 2;
    EXPECT_GT(TracePixels(kRed, QRect(p.left, p.top, middle - p.left - 2, p.Height())), 0);
    chart.SetXRange(0, 20);
    EXPECT_EQ(store.State().PointCount, 200);
    EXPECT_EQ(TracePixels(kRed, QRect(p.left, p.top, middle - p.left - 2, p.Height())), 0);
    EXPECT_GT(TracePixels(kRed, QRect(middle + 1, p.top, p.right - middle - 1, p.Height())), 0);
    chart.SetXRange(0, 5); // the newest 100 fill the plot; the rest is cut
    EXPECT_GT(TracePixels(kRed, QRect(p.left, p.top, 5, p.Height())), 0);
}

TEST_F(ChartTest, TheComposedPictureIsGridXorPlotXorBackgroundEverywhere) {
    for (int i = 0; i < 300; ++i)
        chart.AppendSamples({1, 1, 0, 1},
                            {(i / 15) % 2 ? 4500.0 : -4500.0, i * 37.0 - 5500, 0, std::sin(i) * 3000});
    const QImage shown = chart.ComposedImage(), plot = chart.PlotPicture();
    QImage expected = chart.GridImage.copy();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            expected.setPixel(x, y,
                              (chart.GridImage.pixel(x, y) ^ plot.pixel(x, y) ^ kBg.rgb()) | 0xFF000000u);
    EXPECT_EQ(shown, expected);
}

// Appends one by one, each extending the shifted picture, and every so often
// compares it with the full render of the same samples (which then goes on
// as the base of the next appends). Returns the appends that did not draw
// the whole plot.
uint64_t AppendAndCompare(COScopeCtrl& chart, int appends, int checkEvery,
                          const std::function<TraceValues(int)>& value,
                          const std::function<TraceFlags(int)>& enabled) {
    const uint64_t full0 = chart.FullRenderCount.load(), all0 = chart.RenderCount.load();
    uint64_t checks = 0;
    for (int i = 1; i <= appends; ++i) {
        chart.AppendSamples(enabled(i), value(i));
        if (i % checkEvery != 0 && i != appends) continue;
        const QImage shifted = chart.PlotPicture();
        chart.RenderPlot();
        ++checks;
        if (shifted != chart.PlotPicture()) {
            ADD_FAILURE() << "after append " << i << " of " << appends << " at " << chart.XMin << " .. "
                          << chart.XMax << " s";
            return 0;
        }
    }
    const uint64_t all = chart.RenderCount.load() - all0 - checks;
    const uint64_t full = chart.FullRenderCount.load() - full0 - checks;
    return all - full;
}

TEST_F(ChartTest, AfterThousandsOfAppendsTheShiftedPictureIsTheFullRenderPixelForPixel) {
    std::mt19937 random(17);
    std::uniform_real_distribution<double> noise(-6000, 6000);
    std::bernoulli_distribution rare(0.002);
    const auto randomData = [&](int) {
        return TraceValues{noise(random), noise(random), noise(random), noise(random)};
    };
    const auto steepData = [&](int i) {
        const double v = (i / 23) % 2 ? 4900.0 : -4900.0;
        return TraceValues{v, -v, i % 2 ? 1e9 : -1e9,
                           rare(random) ? std::nan("") : std::sin(i / 40.0) * 4000};
    };
    const auto allOn = [](int) { return TraceFlags{1, 1, 1, 1}; };
    const auto switching = [](int i) {
        return (i / 700) % 2 ? TraceFlags{1, 0, 1, 1} : TraceFlags{1, 1, 1, 1};
    };
    struct Range {
        double Min, Max;
        bool Shifts; // whether appends can extend the picture (a tiny range jumps by more than half the plot)
    };
    for (const Range r : {Range{0, 10, true}, Range{0, 100, true}, Range{0, 1500, true},
                          Range{0.35, 7.1, true}, Range{-2, 10, true}, Range{0, 0.05, false}}) {
        chart.SetXRange(r.Min, r.Max);
        chart.ClearPlot();
        const uint64_t shifted =
            AppendAndCompare(chart, 3000, 97, randomData, allOn) +
            AppendAndCompare(chart, 3000, 997, steepData, switching) +
            AppendAndCompare(chart, 2500, 2500, randomData, allOn); // no full render between
        if (r.Shifts) EXPECT_GT(shifted, 8000u) << r.Max;
    }
    // Around the ring: 1500 s shows all 30000 samples, the head wraps.
    chart.SetXRange(0, 1500);
    EXPECT_GT(AppendAndCompare(chart, 31000, 4999, steepData, allOn), 30000u);
    EXPECT_EQ(store.State().PointCount, 30000);
    chart.SetYRange(-100, 100); // a scale change renders the new picture in full
    EXPECT_GT(AppendAndCompare(chart, 500, 97, randomData, allOn), 0u);
}

// As the ScopeThread hands them over: samples stored from another thread
// reach the picture by one queued update for all of them, which extends it
// to exactly the full render.
TEST_F(ChartTest, SamplesFromAnotherThreadComeInByOneQueuedUpdateThatExtendsThePictureExactly) {
    Append(300, [](int i) { return std::sin(i / 9.0) * 4000; }, {1, 1, 0, 0});
    for (int round = 0; round < 5; ++round) {
        const uint64_t all0 = chart.RenderCount.load(), full0 = chart.FullRenderCount.load();
        std::thread([&] {
            for (int i = 0; i < 7; ++i)
                store.Append({1, 1, 0, 0}, {(round * 7 + i) * 300.0 - 4000, -2000.0 * i, 0, 0});
        }).join();
        QApplication::processEvents();
        EXPECT_EQ(chart.RenderCount.load() - all0, 1u);
        EXPECT_EQ(chart.FullRenderCount.load(), full0);
        const QImage extended = chart.PlotPicture();
        chart.RenderPlot();
        ASSERT_EQ(extended, chart.PlotPicture()) << round;
    }
}

TEST_F(ChartTest, LevelLineCursorsAndTriggerMarkAreDrawnAndTheCursorsKeepTheirPlaceOnANewSpan) {
    Append(200, [](int i) { return (i % 20) * 100.0; });
    const QColor green(0, 255, 0);
    chart.SetLevelLine(1000.0, green);
    chart.SetCursorsOn(true);
    const ChartRect& p = chart.PlotRect;
    const AxisMap before(p, {0, 10, -5000, 5000});
    const ChartCursors c = chart.Cursors();
    const int t1 = int(std::lround(before.XAt(c.T1))), levelRow = int(std::lround(before.YAt(1000.0)));
    const QImage shown = chart.ComposedImage();
    int levelPixels = 0, cursorPixels = 0;
    for (int x = p.left; x < p.right; ++x)
        levelPixels += shown.pixelColor(x, levelRow) == green ? 1 : 0;
    for (int y = p.top + 20; y < p.bottom; ++y)
        cursorPixels += shown.pixelColor(t1, y) == kAxis ? 1 : 0;
    EXPECT_GT(levelPixels, p.Width() / 3); // dashed
    EXPECT_LT(levelPixels, p.Width() * 9 / 10);
    EXPECT_GT(cursorPixels, (p.Height() - 20) * 3 / 4); // the active cursor: solid
    chart.resize(645, 318);
    EXPECT_EQ(chart.grab().toImage().convertToFormat(QImage::Format_RGB32), shown); // painted so

    // A caught span: time 0 two seconds before the newest sample, marked above
    // and under the plot; the cursors stay where they were on the plot.
    store.SetOrigin(2.0);
    EXPECT_DOUBLE_EQ(chart.Cursors().T1, c.T1 + 2.0);
    const AxisMap after(p, {0, 10, -5000, 5000, 2.0});
    EXPECT_EQ(int(std::lround(after.XAt(chart.Cursors().T1))), t1);
    const int zero = int(std::lround(after.XAt(0.0)));
    EXPECT_EQ(zero, std::lround(p.left + p.Width() * 0.8));
    EXPECT_EQ(chart.GridImage.pixelColor(zero, p.top - 5), kAxis);
    EXPECT_EQ(chart.GridImage.pixelColor(zero, p.bottom + 4), kAxis);
    EXPECT_EQ(chart.accessibleDescription(), "X -8.0 .. 2.0 s, Y -5000.0 .. 5000.0");
}

TEST_F(ChartTest, ExportCsvAndSaveImageWriteWhatIsShown) {
    Append(30, [](int i) { return i * 10.0; }, {1, 0, 1, 0});
    chart.SetTraceNames({"Position", "Speed", "Current", "x"});
    QTemporaryDir dir;
    QString asked;
    COScopeCtrl::SetFileNameHook([&](const QString& caption, const QString&) {
        asked = caption;
        return dir.filePath("run");
    });
    chart.OnExportCsv();
    EXPECT_EQ(asked, "Export CSV");
    QFile csv(dir.filePath("run.csv")); // the suffix is added
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 32); // header, 30 samples, empty after the last line end
    EXPECT_EQ(lines[0], "Time [s],Position,Current\r");
    EXPECT_EQ(lines[1], "-1.45,0,0\r");
    EXPECT_EQ(lines[30], "0.00,290,0\r");

    chart.OnSaveImage();
    EXPECT_EQ(asked, "Save Image");
    QImage saved(dir.filePath("run.png"));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), chart.ComposedImage());
    EXPECT_TRUE(messages.Texts.empty());

    const QString missing = dir.filePath("missing/folder/x.csv");
    EXPECT_FALSE(chart.ExportCsvTo(missing));
    ASSERT_EQ(messages.Texts.size(), 1u);
    // The file and the reason on the next line.
    EXPECT_EQ(messages.Texts[0].rfind("File Save Error\r\n" + missing.toStdString() + ": ", 0), 0u)
        << messages.Texts[0];
    EXPECT_NE(messages.Texts[0].find("No such file or directory"), std::string::npos) << messages.Texts[0];

    COScopeCtrl::SetFileNameHook([](const QString&, const QString&) { return QString(); }); // cancelled
    chart.OnExportCsv();
    EXPECT_EQ(messages.Texts.size(), 1u);
}

TEST_F(ChartTest, TheMenuAndTheHoverReadOutInBothLanguages) {
    QMenu* menu = chart.ContextMenu();
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(menu->actions()[0]->text(), "Export CSV...");
    EXPECT_EQ(menu->actions()[1]->text(), "Export CSV Between Cursors...");
    EXPECT_FALSE(menu->actions()[1]->isEnabled()); // until the cursors are on
    EXPECT_EQ(menu->actions()[2]->text(), "Save Image...");
    EXPECT_TRUE(menu->actions()[3]->isSeparator());
    EXPECT_EQ(menu->actions()[4]->text(), "Cursors");
    chart.SetKorean(true);
    EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("CSV 내보내기..."));
    EXPECT_EQ(menu->actions()[4]->text(), QString::fromUtf8("커서"));
    EXPECT_EQ(chart.accessibleName(), QString::fromUtf8("스코프 차트"));

    chart.SetTraceNames({"Position", "Speed", "Current", "x"});
    Append(200, [](int i) { return i * 1.0; }, {1, 1, 0, 0});
    const ChartRect& p = chart.PlotRect;
    EXPECT_EQ(chart.HoverTextAt(QPoint(p.right - 1, p.top + 5)), "0.00 s\nPosition: 199\nSpeed: 0");
    EXPECT_EQ(chart.HoverTextAt(QPoint(p.left, p.top + 5)), "-10.00 s");
    EXPECT_TRUE(chart.HoverTextAt(QPoint(p.left - 5, p.top + 5)).isEmpty());
}

} // namespace
} // namespace velt
