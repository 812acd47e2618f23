// The scope window's controls: placement in dialog units (a window of
// 539 x 244 for the chart, its axes and channels, with the tuning row under
// it) and accessible names.
#include "scope/CDlgScope.h"
#include "scope/ScopeWindowParts.h"

#include "controls/CColorStatic.h"
#include "controls/DialogFont.h"
#include "scope/ScopeTexts.h"
#include "scope/SpinButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velt {

namespace {
using scope_parts::AddButton;
using scope_parts::AddEdit;
using scope_parts::AddLabel;
using scope_parts::AddList;
using scope_parts::Tr;
// The channel blocks on the right of the chart, one under the other.
constexpr int kChannelX = 430, kChannelTop = 2, kChannelPitch = 60;
// The two rows of axis controls under the chart.
constexpr int kRow1 = 213, kRow2 = 228;
// The sampling choice, under the fourth channel's block.
constexpr int kSamplingRow = 234;
constexpr std::chrono::milliseconds kEveryPollRepaint{50};

} // namespace

void CDlgScope::CreateControls() {
    CreateRangeControls();
    CreateChannelControls();
    CreateTuningControls();
    CreateStepControls();
    SetAccessibleNames();
}

void CDlgScope::CreateRangeControls() {
    YScrollSpin = new SpinButton(Qt::Vertical, this);
    YScrollSpin->setGeometry(DluRect(5, 0, 13, 196));
    XScrollSpin = new SpinButton(Qt::Horizontal, this);
    XScrollSpin->setGeometry(DluRect(21, 198, 404, 11));

    AddLabel(this, QStringLiteral("X Min"), DluRect(21, kRow1 + 2, 22, 8));
    XMinEdit = AddEdit(this, DluRect(44, kRow1, 38, 12), QStringLiteral("X Min"));
    AddLabel(this, QStringLiteral("X Max"), DluRect(21, kRow2 + 2, 22, 8));
    XMaxEdit = AddEdit(this, DluRect(44, kRow2, 38, 12), QStringLiteral("X Max"));
    XZoomSpin = new SpinButton(Qt::Vertical, this);
    XZoomSpin->setGeometry(DluRect(83, kRow1, 10, 27));

    AddLabel(this, QStringLiteral("Y Min"), DluRect(98, kRow1 + 2, 22, 8));
    YMinEdit = AddEdit(this, DluRect(121, kRow1, 38, 12), QStringLiteral("Y Min"));
    AddLabel(this, QStringLiteral("Y Max"), DluRect(98, kRow2 + 2, 22, 8));
    YMaxEdit = AddEdit(this, DluRect(121, kRow2, 38, 12), QStringLiteral("Y Max"));
    YZoomSpin = new SpinButton(Qt::Vertical, this);
    YZoomSpin->setGeometry(DluRect(160, kRow1, 10, 27));

    RangeApplyButton = AddButton(this, QStringLiteral("Range Apply"), DluRect(175, kRow1, 50, 12));
    SpanLabel = AddLabel(this, QStringLiteral("Static"), DluRect(175, kRow2 + 2, 50, 9));
    SpanLabel->setAlignment(Qt::AlignCenter);

    CenterEdit = AddEdit(this, DluRect(230, kRow1, 38, 12), QStringLiteral("Center"));
    CenterButton = AddButton(this, QStringLiteral("Center"), DluRect(270, kRow1, 34, 12));
    AmpEdit = AddEdit(this, DluRect(230, kRow2, 38, 12), QStringLiteral("Amp Y"));
    AmpButton = AddButton(this, QStringLiteral("Amp Y"), DluRect(270, kRow2, 34, 12));
    AutoYButton = AddButton(this, QStringLiteral("Auto Y"), DluRect(309, kRow1, 40, 12));

    RunStopButton = AddButton(this, QStringLiteral("Run/Stop"), DluRect(355, kRow1, 50, 27));
    RunIndicator = new CColorStatic(this);
    RunIndicator->setGeometry(DluRect(407, kRow1, 18, 27));

    AddLabel(this, Tr(kSamplingLabel, korean_), DluRect(kChannelX, kSamplingRow + 2, 34, 8));
    SamplingList = AddList(this, DluRect(kChannelX + 36, kSamplingRow, 70, 12), Tr(kSamplingName, korean_));
    for (const LocalText& mode : kSamplingModes)
        SamplingList->addItem(Tr(mode, korean_));
    SamplingList->setAccessibleDescription(Tr(kSamplingName, korean_));

    connect(RunStopButton, &QPushButton::clicked, this, &CDlgScope::OnRunStop);
    connect(SamplingList, &QComboBox::currentIndexChanged, this, &CDlgScope::OnSamplingMode);
    connect(RangeApplyButton, &QPushButton::clicked, this, &CDlgScope::OnRangeApply);
    connect(CenterButton, &QPushButton::clicked, this, &CDlgScope::OnCenter);
    connect(AmpButton, &QPushButton::clicked, this, &CDlgScope::OnAmpY);
    connect(AutoYButton, &QPushButton::clicked, this, &CDlgScope::OnAutoY);
    connect(XZoomSpin, &SpinButton::DeltaPos, this, &CDlgScope::OnXZoom);
    connect(YZoomSpin, &SpinButton::DeltaPos, this, &CDlgScope::OnYZoom);
    connect(YScrollSpin, &SpinButton::DeltaPos, this, &CDlgScope::OnYScroll);
    connect(XScrollSpin, &SpinButton::DeltaPos, this, &CDlgScope::OnXScroll);
}

void CDlgScope::CreateChannelControls() {
    for (int i = 0; i < kScopeChannels; ++i) {
        const int y = kChannelTop + kChannelPitch * i;
        const QString ch = QStringLiteral("Ch %1").arg(i + 1);
        ChannelChecks[i] = new QCheckBox(ch, this);
        ChannelChecks[i]->setGeometry(DluRect(kChannelX, y, 30, 10));
        Swatches[i] = new CColorStatic(this);
        Swatches[i]->setGeometry(DluRect(kChannelX + 32, y + 1, 20, 8));
        SourceLists[i] = new QComboBox(this);
        SourceLists[i]->setGeometry(DluRect(kChannelX, y + 11, 106, 12));

        AddLabel(this, ch + QStringLiteral(" Offset"), DluRect(kChannelX, y + 27, 44, 8));
        OffsetEdits[i] =
            AddEdit(this, DluRect(kChannelX + 46, y + 25, 34, 12), ch + QStringLiteral(" Offset"));
        OffsetApply[i] = AddButton(this, QStringLiteral("Apply"), DluRect(kChannelX + 82, y + 25, 24, 12));
        AddLabel(this, ch + QStringLiteral(" Scale"), DluRect(kChannelX, y + 41, 44, 8));
        ScaleEdits[i] = AddEdit(this, DluRect(kChannelX + 46, y + 39, 34, 12), ch + QStringLiteral(" Scale"));
        ScaleApply[i] = AddButton(this, QStringLiteral("Apply"), DluRect(kChannelX + 82, y + 39, 24, 12));

        connect(OffsetApply[i], &QPushButton::clicked, this, [this, i] { OnApplyOffset(i); });
        connect(ScaleApply[i], &QPushButton::clicked, this, [this, i] { OnApplyScale(i); });
    }
}

void CDlgScope::OnSamplingMode(int index) {
    const SamplingMode mode = index == 1 ? SamplingMode::EveryPoll : SamplingMode::Grid;
    {
        std::lock_guard lock(sampleLock_);
        if (mode == sampling_) return;
        sampling_ = mode;
        previousPoll_.reset();
        store_.Clear();
        store_.SetOrigin(0.0);
        trigger_.Arm();
    }
    thread_.Mode.store(mode);
    // About 50 polls a second at 115200 bit/s: the chart repaints on the
    // 50 ms marks, as on the grid, a few samples at a time.
    Chart->SetUpdateMarks(mode == SamplingMode::EveryPoll ? kEveryPollRepaint : std::chrono::milliseconds{0});
    ShowTriggerState();
}

// Buttons, check boxes and labels carry their captions; the edits and lists
// are named by the label beside them. Controls without a caption get a name
// of their own, and indicators tell their state in the description.
void CDlgScope::SetAccessibleNames() {
    const bool ko = korean_;
    XZoomSpin->SetAccessibleNames(Tr(kXZoomName, ko), Tr(kXZoomName, ko) + ' ' + Tr(kArrowUp, ko),
                                  Tr(kXZoomName, ko) + ' ' + Tr(kArrowDown, ko));
    YZoomSpin->SetAccessibleNames(Tr(kYZoomName, ko), Tr(kYZoomName, ko) + ' ' + Tr(kArrowUp, ko),
                                  Tr(kYZoomName, ko) + ' ' + Tr(kArrowDown, ko));
    YScrollSpin->SetAccessibleNames(Tr(kYScrollName, ko), Tr(kYScrollName, ko) + ' ' + Tr(kArrowUp, ko),
                                    Tr(kYScrollName, ko) + ' ' + Tr(kArrowDown, ko));
    XScrollSpin->SetAccessibleNames(Tr(kXScrollName, ko), Tr(kXScrollName, ko) + ' ' + Tr(kArrowRight, ko),
                                    Tr(kXScrollName, ko) + ' ' + Tr(kArrowLeft, ko));
    SpanLabel->setAccessibleName(Tr(kSpanName, ko));
    RunIndicator->setAccessibleName(Tr(kRunIndicatorName, ko));
    for (int i = 0; i < kScopeChannels; ++i) {
        Swatches[i]->setAccessibleName(Tr(kSwatchName, ko).arg(i + 1));
        // Qt on Linux names a combo box by its current text; the description
        // carries the list's own name there.
        SourceLists[i]->setAccessibleName(Tr(kSourceListName, ko).arg(i + 1));
        SourceLists[i]->setAccessibleDescription(Tr(kSourceListName, ko).arg(i + 1));
        OffsetApply[i]->setAccessibleName(QStringLiteral("Ch %1 Offset Apply").arg(i + 1));
        ScaleApply[i]->setAccessibleName(QStringLiteral("Ch %1 Scale Apply").arg(i + 1));
    }
}

} // namespace velt
