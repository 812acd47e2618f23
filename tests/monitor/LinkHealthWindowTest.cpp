// The link health window in the whole application against the simulated
// drive: opened from the connection bar, named for screen readers in both
// languages, its figures following a drive with known bad-CRC replies.
#include "PageFixture.h"
#include "monitor/LinkHealthDialog.h"
#include "monitor/RoundTripHistogram.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>

namespace velt {
namespace {

using namespace std::chrono_literals;
using LinkHealthWindowTest = PageTest;

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

TEST_F(LinkHealthWindowTest, OpenedFromTheBarItShowsTheLinesFiguresAndCountsEachFailureKind) {
    StartConnected();
    LinkHealthDialog& health = *app->LinkHealth();
    EXPECT_FALSE(health.isVisible());
    app->MenuBar()->HealthButton->click();
    ASSERT_TRUE(health.isVisible());
    EXPECT_EQ(health.windowTitle(), "Link Health");
    const uint32_t ok = app->Link()->Counters().StateOk;
    ASSERT_TRUE(WaitFor([&] { return app->Link()->Counters().StateOk > ok + 10; }));
    Pump(600ms); // the window's own refresh
    EXPECT_GT(health.Figures().RequestsPerSecond, 0.0);
    EXPECT_TRUE(health.RoundTripValue->text().startsWith("median "))
        << health.RoundTripValue->text().toStdString();
    // The simulated drive answers at once on its pseudo-terminal: no wire to compare with.
    EXPECT_TRUE(health.PollingValue->text().contains("the line answers faster than 9600 bit/s allows"))
        << health.PollingValue->text().toStdString();
    EXPECT_FALSE(health.PollingValue->text().contains("%"));
    // Every bucket's label fits its slot, in the narrowest the window lets it be.
    const QFontMetrics metrics = health.Histogram->fontMetrics();
    const int slot = health.Histogram->minimumWidth() / static_cast<int>(kRoundTripBuckets);
    for (size_t b = 0; b < kRoundTripBuckets; ++b) {
        const QString name = QString::fromStdString(RoundTripBucketName(b)).remove(QStringLiteral(" ms"));
        EXPECT_LE(metrics.horizontalAdvance(name), slot - 2) << name.toStdString();
    }
    EXPECT_EQ(health.SinceFailureValue->text(), "no failure");
    EXPECT_FALSE(health.Histogram->accessibleDescription().isEmpty());
    EXPECT_FALSE(health.LatencyNote->isVisible()) << "a pseudo-terminal has no latency timer";

    drive->SetCrcBurst(3);
    ASSERT_TRUE(WaitFor([&] { return app->Link()->Counters().CrcErrors >= 3; }));
    health.Refresh();
    EXPECT_EQ(health.FailureValues[1]->text(), "3") << "bad CRC";
    EXPECT_EQ(health.FailureValues[0]->text(), "0") << "no reply";
    EXPECT_NE(health.SinceFailureValue->text(), "no failure");

    health.ResetButton->click();
    EXPECT_EQ(health.FailureValues[1]->text(), "0");
    EXPECT_EQ(health.SinceFailureValue->text(), "no failure");
    health.CloseButton->click();
    EXPECT_FALSE(health.isVisible());
}

TEST_F(LinkHealthWindowTest, EveryValueIsNamedAfterItsCaptionInKorean) {
    StartPage(1);
    LinkHealthDialog& health = *app->LinkHealth();
    EXPECT_EQ(health.windowTitle(), QString::fromUtf8("통신 상태"));
    EXPECT_EQ(AccessibleName(health.RequestsValue), QString::fromUtf8("초당 요청"));
    EXPECT_EQ(AccessibleName(health.RoundTripValue), QString::fromUtf8("왕복 시간 (최근 1분)"));
    EXPECT_EQ(AccessibleName(health.Histogram), QString::fromUtf8("왕복 시간 분포 (ms)"));
    EXPECT_EQ(AccessibleName(health.SinceFailureValue), QString::fromUtf8("마지막 실패 후"));
    EXPECT_EQ(AccessibleName(health.PollingValue), QString::fromUtf8("폴링"));
    EXPECT_EQ(AccessibleName(health.FailureValues[0]), QString::fromUtf8("응답 없음"));
    EXPECT_EQ(AccessibleName(health.FailureValues[4]), QString::fromUtf8("늦은 응답 버림"));
    EXPECT_EQ(AccessibleName(health.ResetButton), QString::fromUtf8("초기화"));
    EXPECT_EQ(AccessibleName(health.CloseButton), QString::fromUtf8("닫기"));
    EXPECT_EQ(health.PollingValue->text(), QString::fromUtf8("연결되어 있지 않음"));
}

} // namespace
} // namespace velt
