// One scope window on its own (no drive link: its thread idles): the
// controls and their initial texts, the handlers through the controls, hiding,
// accessibility and stopping the thread.
#include "scope/CDlgScope.h"

#include "base/MessageService.h"
#include "controls/CColorStatic.h"
#include "controls/DialogFont.h"
#include "link/CDriveLink.h"
#include "scope/SpinButton.h"
#include "sim/SimDrive.h"
#include "tests/support/ShellFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace velt {
namespace {

using namespace std::chrono_literals;

class ScopeWindowTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetMessageService(&messages); }
    void TearDown() override {
        scope.reset();
        SetMessageService(previous_);
    }
    void Open(bool korean = false) {
        scope = std::make_unique<CDlgScope>(link.get(), korean);
        scope->show();
    }
    // Appends to the chart's store, as the ScopeThread would.
    void Append(int n, double value) {
        for (int i = 0; i < n; ++i)
            scope->Chart->AppendSamples({1, 0, 0, 0}, {value, 0, 0, 0});
    }
    int Points() const { return scope->Store().State().PointCount; }
    void SetBox(QLineEdit* edit, const char* text) { edit->setText(QString::fromUtf8(text)); }
    // As a user types: the box's text selected and typed over.
    void Type(QLineEdit* edit, const char* text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
        ASSERT_EQ(edit->text(), QString::fromUtf8(text));
    }
    // The messages shown since the last call.
    std::vector<std::string> TakeMessages() {
        std::vector<std::string> texts;
        texts.swap(messages.Texts);
        return texts;
    }
    // The labels the chart drew, those of the time axis (under the plot)
    // and those of the value axis.
    std::vector<ChartLabel> ChartLabels(bool timeAxis) {
        std::vector<ChartLabel> out;
        for (const ChartLabel& l : scope->Chart->GridLabels()) {
            if (l.Vertical || l.Text == scope->Chart->XUnits) continue;
            if ((l.Y > scope->Chart->PlotRect.bottom) == timeAxis) out.push_back(l);
        }
        return out;
    }

    RecordingMessages messages;
    std::unique_ptr<sim::SimDrive> drive; // none unless a test makes one
    std::unique_ptr<CDriveLink> link;     // none unless a test makes one
    std::unique_ptr<CDlgScope> scope;

private:
    IMessageService* previous_ = nullptr;
};

TEST_F(ScopeWindowTest, StartsWithTheDialogsTextsSourcesAndColours) {
    Open();
    EXPECT_EQ(scope->windowTitle(), "Scope");
    EXPECT_EQ(scope->size(), DluSize(716, 324)); // the tuning row under the first 244, the step column right
    EXPECT_EQ(scope->XMinEdit->text(), "0.000");
    EXPECT_EQ(scope->XMaxEdit->text(), "10.000");
    EXPECT_EQ(scope->YMinEdit->text(), "-5000.0");
    EXPECT_EQ(scope->YMaxEdit->text(), "5000.0");
    EXPECT_EQ(scope->SpanLabel->text(), "10000.0");
    EXPECT_EQ(scope->AmpEdit->text(), "500.0");
    EXPECT_EQ(scope->CenterEdit->text(), "0");
    const int selected[] = {1, 3, 4, 5};
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(255, 0, 255), QColor(255, 255, 0)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(scope->ChannelChecks[i]->isChecked());
        EXPECT_EQ(scope->ChannelChecks[i]->text(), QStringLiteral("Ch %1").arg(i + 1));
        ASSERT_EQ(scope->SourceLists[i]->count(), 6);
        EXPECT_EQ(scope->SourceLists[i]->currentIndex(), selected[i]);
        EXPECT_EQ(scope->OffsetEdits[i]->text(), "0");
        EXPECT_EQ(scope->ScaleEdits[i]->text(), "1");
        EXPECT_EQ(scope->Swatches[i]->BkColour(), colours[i]);
        EXPECT_EQ(scope->Chart->TraceColor[i], colours[i]);
        EXPECT_EQ(scope->OffsetApply[i]->text(), "Apply");
    }
    EXPECT_EQ(scope->SourceLists[0]->itemText(0), "Command Position");
    EXPECT_EQ(scope->SourceLists[0]->itemText(5), "Current");
    EXPECT_EQ(scope->RunIndicator->BkColour(), QColor(0, 0, 0));

    COScopeCtrl& chart = *scope->Chart;
    EXPECT_EQ(chart.geometry(), DluRect(21, 0, 403, 196));
    EXPECT_EQ(chart.VerticalLines, 9);
    EXPECT_EQ(chart.HorizontalLines, 9);
    EXPECT_EQ(chart.XUnits, "Time [sec]");
    EXPECT_EQ(chart.YUnits, "");
    EXPECT_EQ(chart.BackgroundColor, QColor(10, 10, 10));
    EXPECT_EQ(chart.GridColor, QColor(115, 115, 115));
    EXPECT_EQ(chart.AxisColor, QColor(200, 255, 255));
    EXPECT_EQ(chart.XMax, 10.0);
    EXPECT_EQ(chart.YMin, -5000.0);
    EXPECT_EQ(Points(), 0);
    EXPECT_EQ(scope->ThreadAlive(), 1);
    EXPECT_EQ(scope->RunState(), 0);
}

TEST_F(ScopeWindowTest, SourceListsAreKoreanInAKoreanSession) {
    Open(true);
    EXPECT_EQ(scope->SourceLists[1]->itemText(0), QString::fromUtf8("지령위치"));
    EXPECT_EQ(scope->SourceLists[1]->currentText(), QString::fromUtf8("현재속도"));
    EXPECT_EQ(scope->ChannelChecks[0]->text(), "Ch 1"); // the dialog's own labels stay
    EXPECT_EQ(scope->RunStopButton->text(), "Run/Stop");
}

TEST_F(ScopeWindowTest, RunLatchesTheChannelsAndStartsFromXMinZeroOrBelow) {
    Open();
    scope->ChannelChecks[0]->setChecked(true);
    scope->SourceLists[2]->setCurrentIndex(0);
    SetBox(scope->OffsetEdits[0], "12.5");
    SetBox(scope->ScaleEdits[3], "abc");
    SetBox(scope->XMinEdit, "5");
    Append(50, 100);
    scope->RunStopButton->click();
    EXPECT_EQ(scope->RunState(), 1);
    EXPECT_EQ(Points(), 0); // cleared
    EXPECT_EQ(scope->RunIndicator->BkColour(), QColor(0, 128, 0));
    EXPECT_EQ(scope->XMinEdit->text(), "0.000");
    EXPECT_EQ(scope->Chart->XMin, 0.0);
    EXPECT_EQ(scope->Chart->XMax, 10.0);
    EXPECT_EQ(scope->Channels().ChannelOn(), (std::array<int, 4>{1, 0, 0, 0}));
    EXPECT_EQ(scope->Channels().ChannelSource(), (std::array<int, 4>{1, 3, 0, 5}));
    EXPECT_EQ(scope->Channels().ChannelOffset()[0], 12.5);
    EXPECT_EQ(scope->Channels().ChannelScale()[3], 0.0); // unreadable: 0
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(scope->ChannelChecks[i]->isEnabled());
        EXPECT_FALSE(scope->SourceLists[i]->isEnabled());
        EXPECT_TRUE(scope->OffsetEdits[i]->isEnabled());
    }

    scope->RunStopButton->click();
    EXPECT_EQ(scope->RunState(), 0);
    EXPECT_EQ(scope->RunIndicator->BkColour(), QColor(0, 0, 0));
    EXPECT_TRUE(scope->ChannelChecks[2]->isEnabled());
    SetBox(scope->XMinEdit, "-2");
    scope->RunStopButton->click();
    EXPECT_EQ(scope->XMinEdit->text(), "-2.000");
    EXPECT_EQ(scope->Chart->XMin, -2.0);
    EXPECT_EQ(scope->Axes().XMinAtRun, -2.0);
}

TEST_F(ScopeWindowTest, TheSpinArrowsZoomAndScroll) {
    Open();
    SetBox(scope->XMaxEdit, "0.3");
    for (const char* expected : {"0.400", "0.500", "1.000"}) {
        scope->XZoomSpin->MinusArrow->click(); // up: iDelta -1, a longer window
        EXPECT_EQ(scope->XMaxEdit->text(), expected);
    }
    EXPECT_EQ(scope->Chart->XMax, 1.0);
    SetBox(scope->XMaxEdit, "0.55");
    scope->XZoomSpin->PlusArrow->click();
    EXPECT_EQ(scope->XMaxEdit->text(), "0.100");

    scope->YZoomSpin->PlusArrow->click(); // down: iDelta +1 halves the range
    EXPECT_EQ(scope->YMaxEdit->text(), "2500.0");
    EXPECT_EQ(scope->SpanLabel->text(), "5000.0");
    scope->YScrollSpin->MinusArrow->click();
    EXPECT_EQ(scope->YMinEdit->text(), "-2750.0");
    EXPECT_EQ(scope->Chart->YMax, 2250.0);
}

TEST_F(ScopeWindowTest, XScrollIsIgnoredWhileRunningAndBoundedByTheRangeAtRun) {
    Open();
    scope->RunStopButton->click(); // running at 0 .. 10
    SetBox(scope->XMaxEdit, "5");
    scope->OnXScroll(-1);
    EXPECT_EQ(scope->XMaxEdit->text(), "5"); // not even read back
    EXPECT_EQ(scope->Chart->XMax, 10.0);
    scope->RunStopButton->click();
    EXPECT_EQ(scope->Chart->XMax, 5.0);
    scope->XScrollSpin->MinusArrow->click();
    scope->XScrollSpin->MinusArrow->click();
    EXPECT_EQ(scope->XMinEdit->text(), "0.200");
    EXPECT_EQ(scope->XMaxEdit->text(), "5.200");
}

TEST_F(ScopeWindowTest, AStoppedRunCanBeZoomedOutInAndScrolledThroughItsHistory) {
    Open();
    scope->RunStopButton->click();
    scope->RunStopButton->click();
    Append(200, 1000);
    COScopeCtrl& chart = *scope->Chart;
    EXPECT_EQ(Points(), 200);
    for (int i = 0; i < 20; ++i)
        scope->OnXZoom(-1);
    EXPECT_EQ(chart.XMax, 20.0);
    EXPECT_EQ(Points(), 200);
    const PixelMap wide(chart.PlotRect, {0, 20, -5000, 5000});
    const int middle = chart.PlotRect.left + (chart.PlotRect.right - chart.PlotRect.left) / 2;
    EXPECT_GT(wide.X(199), middle); // the oldest sample shown lies right of the middle
    EXPECT_LE(wide.X(200), middle + 1);
    for (int i = 0; i < 30; ++i)
        scope->OnXZoom(1);
    EXPECT_EQ(scope->XMaxEdit->text(), "5.000");
    scope->OnXScroll(-1);
    EXPECT_DOUBLE_EQ(chart.XMin, 0.1);
    EXPECT_DOUBLE_EQ(chart.XMax, 5.1);
    EXPECT_NE(chart.CsvText().find("\r\n-5.10,1000\r\n"), std::string::npos);
    EXPECT_NE(chart.CsvText().find("\r\n-0.10,1000\r\n"), std::string::npos);
    EXPECT_EQ(chart.CsvText().find("\r\n-0.05,"), std::string::npos);
}

TEST_F(ScopeWindowTest, TheYButtonsAndRangeApplyReachTheChartAndTheBoxes) {
    Open();
    SetBox(scope->XMinEdit, "3"); // edited, not applied: Auto Y writes the stored text back
    scope->AutoYButton->click();
    EXPECT_EQ(scope->YMinEdit->text(), "-220.0");
    EXPECT_EQ(scope->XMinEdit->text(), "0.000");
    EXPECT_EQ(scope->Chart->YMax, 220.0);
    EXPECT_EQ(scope->SpanLabel->text(), "440.0");

    SetBox(scope->YMaxEdit, "5001");
    SetBox(scope->YMinEdit, "-5000");
    SetBox(scope->AmpEdit, "501");
    scope->AmpButton->click();
    EXPECT_EQ(scope->Chart->YMin, -250.0);
    SetBox(scope->CenterEdit, "1000");
    scope->CenterButton->click();
    EXPECT_EQ(scope->YMaxEdit->text(), "1250.0");

    SetBox(scope->XMinEdit, "8");
    SetBox(scope->XMaxEdit, "2");
    scope->RangeApplyButton->click();
    EXPECT_EQ(scope->XMinEdit->text(), "2.000");
    EXPECT_EQ(scope->Chart->XMax, 8.0);
    EXPECT_EQ(scope->SpanLabel->text(), "500.0");
}

TEST_F(ScopeWindowTest, TypedRangesTheChartCannotDrawAreRefusedWithTheReasonAndTheScaleStays) {
    Open();
    Type(scope->XMaxEdit, "1e308");
    Type(scope->YMinEdit, "nan");
    Type(scope->YMaxEdit, "inf");
    scope->RangeApplyButton->click();
    EXPECT_EQ(TakeMessages(),
              std::vector<std::string>{
                  "X Max: \"1e308\" lies outside -1500 .. 1500, the seconds the chart holds.\r\n"
                  "Y Min: \"nan\" is not a number.\r\n"
                  "Y Max: \"inf\" is not a number.\r\n"
                  "The X range stays 0.000 .. 10.000.\r\n"
                  "The Y range stays -5000.0 .. 5000.0."});
    // Chart, boxes and span all show the ranges in force.
    EXPECT_EQ(scope->Chart->XMax, 10.0);
    EXPECT_EQ(scope->Chart->YMin, -5000.0);
    EXPECT_EQ(scope->Chart->YMax, 5000.0);
    EXPECT_EQ(scope->XMaxEdit->text(), "10.000");
    EXPECT_EQ(scope->YMinEdit->text(), "-5000.0");
    EXPECT_EQ(scope->YMaxEdit->text(), "5000.0");
    EXPECT_EQ(scope->SpanLabel->text(), "10000.0");

    Type(scope->YMinEdit, "-1e40");
    Type(scope->YMaxEdit, "12.5");
    Type(scope->XMinEdit, "2");
    Type(scope->XMaxEdit, "4");
    scope->RangeApplyButton->click(); // the time axis is taken, the value axis is not
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{"Y Min: \"-1e40\" lies outside -10000000000 .. "
                                                       "10000000000, the values the chart can label.\r\n"
                                                       "The Y range stays -5000.0 .. 5000.0."});
    EXPECT_EQ(scope->Chart->XMin, 2.0);
    EXPECT_EQ(scope->Chart->YMin, -5000.0);

    Type(scope->YMinEdit, "7");
    Type(scope->YMaxEdit, "7");
    scope->RangeApplyButton->click();
    EXPECT_EQ(TakeMessages(),
              std::vector<std::string>{"Y Min and Y Max are equal: a range needs two different values.\r\n"
                                       "The Y range stays -5000.0 .. 5000.0."});
    Type(scope->YMinEdit, "300");
    Type(scope->YMaxEdit, "-300");
    scope->RangeApplyButton->click(); // in the wrong order: put in order, as always
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(scope->Chart->YMin, -300.0);

    // The widest values the axis takes: every label stays inside the chart.
    Type(scope->YMinEdit, "-1e10");
    Type(scope->YMaxEdit, "1e10");
    scope->RangeApplyButton->click();
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(scope->Chart->YMax, 1e10);
    for (const ChartLabel& l : ChartLabels(false)) {
        EXPECT_GE(l.Box.left, 0) << l.Text;
        EXPECT_LE(l.Box.right, scope->Chart->PlotRect.left) << l.Text;
    }
    // Zooming out from there would pass the limit: refused, the scale stays.
    scope->YZoomSpin->MinusArrow->click();
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{
                                  "Y zoom: the Y range would become -20000000000.0 .. 20000000000.0, outside "
                                  "-10000000000 .. 10000000000, the values the chart can label.\r\n"
                                  "The Y range stays -10000000000.0 .. 10000000000.0."});
    EXPECT_EQ(scope->Chart->YMax, 1e10);
    EXPECT_EQ(scope->YMaxEdit->text(), "10000000000.0");
    // Held down with the mouse, the arrow repeats every 100 ms; the message
    // box takes the release away, so the refusal lets go of the arrow: one
    // message, not one per repeat.
    QTest::mousePress(scope->YZoomSpin->MinusArrow, Qt::LeftButton);
    QTest::qWait(900);
    EXPECT_FALSE(scope->YZoomSpin->MinusArrow->isDown());
    EXPECT_EQ(TakeMessages().size(), 1u);
    QTest::mouseRelease(scope->YZoomSpin->MinusArrow, Qt::LeftButton);

    // Run with a time box that is not a number: the range in force runs.
    Type(scope->XMaxEdit, "ten");
    scope->RunStopButton->click();
    EXPECT_EQ(scope->RunState(), 1);
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{"X Max: \"ten\" is not a number.\r\n"
                                                       "The X range stays 2.000 .. 4.000."});
    EXPECT_EQ(scope->XMaxEdit->text(), "4.000");
    EXPECT_EQ(scope->Chart->XMax, 4.0);
    // Hiding puts the boxes back without a word.
    Type(scope->XMinEdit, "x");
    scope->reject();
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(scope->XMinEdit->text(), "2.000");
}

TEST_F(ScopeWindowTest, RefusalsAreToldInKoreanInAKoreanSession) {
    Open(true);
    Type(scope->AmpEdit, "1");
    scope->AmpButton->click();
    EXPECT_EQ(TakeMessages(),
              std::vector<std::string>{"Amp Y: \"1\"(으)로는 범위가 생기지 않습니다. 2 이상이어야 "
                                       "합니다.\r\nY 범위는 -5000.0 .. 5000.0(으)로 유지됩니다."});
    Type(scope->CenterEdit, "abc");
    scope->CenterButton->click();
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{"Center: \"abc\"은(는) 숫자가 아닙니다.\r\n"
                                                       "Y 범위는 -5000.0 .. 5000.0(으)로 유지됩니다."});
    EXPECT_EQ(scope->Chart->YMin, -5000.0);
}

// The time labels at the default range and others, at the window's size and
// narrower: no two touch, and the picture is the same each time it is drawn.
TEST_F(ScopeWindowTest, TheTimeLabelsNeverTouchWhateverTheRangeOrSize) {
    Open();
    const auto check = [&](const std::string& what) {
        const std::vector<ChartLabel> labels = ChartLabels(true);
        ASSERT_GE(labels.size(), 1u) << what;
        for (size_t i = 0; i < labels.size(); ++i) {
            for (size_t j = i + 1; j < labels.size(); ++j) {
                const ChartRect& a = labels[i].Box;
                const ChartRect& b = labels[j].Box;
                EXPECT_TRUE(a.right + kLabelSpacing <= b.left || b.right + kLabelSpacing <= a.left)
                    << what << ": " << labels[i].Text << " [" << a.left << ", " << a.right << ") and "
                    << labels[j].Text << " [" << b.left << ", " << b.right << ")";
            }
        }
    };
    check("default");
    // The default range keeps more than its two ends.
    EXPECT_GE(ChartLabels(true).size(), 4u);
    const QImage first = scope->Chart->GridImage;
    for (const auto& [xmin, xmax] : std::vector<std::pair<const char*, const char*>>{
             {"0", "0.3"}, {"0", "30"}, {"-1500", "1500"}, {"0.35", "7.1"}, {"-2", "10"}, {"0", "1500"}}) {
        Type(scope->XMinEdit, xmin);
        Type(scope->XMaxEdit, xmax);
        scope->RangeApplyButton->click();
        check(std::string(xmin) + ".." + xmax);
    }
    const QSize size = scope->Chart->size();
    for (const int width : {80, 160, 250, size.width()}) {
        scope->Chart->resize(width, size.height());
        check("width " + std::to_string(width));
    }
    Type(scope->XMinEdit, "0");
    Type(scope->XMaxEdit, "10");
    scope->RangeApplyButton->click();
    EXPECT_TRUE(scope->Chart->GridImage == first) << "the same labels in the same places";
}

TEST_F(ScopeWindowTest, CloseHidesStopsAndClearsButKeepsTheSettings) {
    Open();
    scope->ChannelChecks[1]->setChecked(true);
    scope->RunStopButton->click();
    Append(20, 5);
    SetBox(scope->XMinEdit, "4");
    scope->close();
    EXPECT_FALSE(scope->isVisible());
    EXPECT_EQ(scope->RunState(), 0);
    EXPECT_EQ(Points(), 0);
    EXPECT_EQ(scope->XMinEdit->text(), "0.000");
    EXPECT_TRUE(scope->ChannelChecks[1]->isEnabled());
    EXPECT_TRUE(scope->ChannelChecks[1]->isChecked());
    EXPECT_EQ(scope->ThreadAlive(), 1); // idle, not ended

    scope->show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(scope.get(), &enter);
    EXPECT_TRUE(scope->isVisible()); // Enter closes nothing
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(scope.get(), &esc);
    EXPECT_FALSE(scope->isVisible());
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

TEST_F(ScopeWindowTest, EveryControlHasAnAccessibleNameAndIndicatorsTellTheirState) {
    Open();
    for (QWidget* w : scope->findChildren<QWidget*>()) {
        if (w->parentWidget() != scope.get() && !qobject_cast<QToolButton*>(w)) continue; // inner parts
        EXPECT_FALSE(AccessibleName(w).isEmpty()) << w->metaObject()->className();
    }
    EXPECT_EQ(AccessibleName(scope->XMinEdit), "X Min");
    EXPECT_EQ(AccessibleName(scope->OffsetEdits[2]), "Ch 3 Offset");
    EXPECT_EQ(AccessibleName(scope->RunStopButton), "Run/Stop");
    EXPECT_EQ(AccessibleName(scope->ChannelChecks[3]), "Ch 4");
    // On Linux a combo box's accessible name is its current text; the list's
    // own name goes into the description there (Windows reports it as the name).
    EXPECT_EQ(scope->SourceLists[0]->accessibleName(), "Ch 1 source");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(scope->SourceLists[0])->text(QAccessible::Description),
              "Ch 1 source");
    EXPECT_EQ(AccessibleName(scope->XZoomSpin->MinusArrow), "X zoom up");
    EXPECT_EQ(AccessibleName(scope->Chart), "Scope chart");
    QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(scope->RunIndicator);
    EXPECT_EQ(lamp->text(QAccessible::Name), "Run indicator");
    EXPECT_EQ(lamp->text(QAccessible::Description), "Stopped");
    scope->RunStopButton->click();
    EXPECT_EQ(lamp->text(QAccessible::Description), "Running");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(scope->Swatches[0])->text(QAccessible::Description),
              "RGB(255, 0, 0)");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(scope->Chart)->text(QAccessible::Description),
              "X -10.0 .. -0.0 s, Y -5000.0 .. 5000.0");
}

TEST_F(ScopeWindowTest, StopScopeThreadEndsTheThreadOnceWithoutAMessage) {
    Open();
    scope->RunStopButton->click();
    EXPECT_EQ(scope->StopScopeThread(), 1);
    EXPECT_EQ(scope->ThreadAlive(), 0);
    EXPECT_EQ(scope->StopScopeThread(), 1);
    EXPECT_TRUE(messages.Texts.empty());
}

TEST_F(ScopeWindowTest, AThreadThatCannotEndInTimeIsReportedAndTheWindowStillGoes) {
    sim::SimOptions options;
    options.publish = false;
    drive = std::make_unique<sim::SimDrive>(options);
    ASSERT_TRUE(drive->Start());
    link = std::make_unique<CDriveLink>(); // samples come only from a drive that answers
    link->StartThread();
    ASSERT_EQ(OpenFailure::None, link->Connect({drive->DevicePath(), 9600}).kind);
    ASSERT_TRUE(WaitUntil([&] { return link->Counters().StateOk > 0; }, 5s));
    Open();
    scope->ChannelChecks[0]->setChecked(true);
    scope->RunStopButton->click();
    {
        // The thread's next sample waits for the store while this reads it:
        // the one real 5 s wait of this suite.
        const ScopeSampleStore::Reader held = scope->Store().Read();
        const ScopeThread& thread = scope->Thread();
        // A sample is being handed over once taken outruns delivered. No
        // events are processed meanwhile: an update of the chart would wait
        // for this lock.
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (thread.SamplesTaken.load() == thread.SamplesDelivered.load() &&
               std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(2ms);
        ASSERT_GT(thread.SamplesTaken.load(), thread.SamplesDelivered.load());
        EXPECT_EQ(scope->StopScopeThread(), 1);
        ASSERT_EQ(messages.Texts.size(), 1u);
        EXPECT_EQ(messages.Texts[0], "ScopeThread timeout!");
    }
    scope.reset(); // waits for the thread that outlived the stop
    EXPECT_EQ(ScopeThread::LiveThreads(), 0);
}

} // namespace
} // namespace velt
