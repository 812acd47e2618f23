// The scope window's step figures: a column right of the channels with the
// channel and command choices, the levels, the figures of the trace on show
// (between the time cursors while they are on), their marks on the chart
// and a Copy button. User-interface thread only.
#include "scope/CDlgScope.h"
#include "scope/ScopeAxes.h"
#include "scope/ScopeWindowParts.h"

#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "scope/ScopeTexts.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace velt {

namespace {
using scope_parts::AddEdit;
using scope_parts::AddLabel;
using scope_parts::Tr;
constexpr int kStepX = 542, kStepWidth = 170;
constexpr auto kStepPeriod = std::chrono::milliseconds(250);
const QColor kStepMarkColour(255, 255, 255);

QString PercentText(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", fraction * 100.0);
    return QString::fromLatin1(text);
}
} // namespace

void CDlgScope::CreateStepControls() {
    const bool ko = korean_;
    StepCheck = new QCheckBox(Tr(kStepPanelCheck, ko), this);
    StepCheck->setGeometry(DluRect(kStepX, 2, 90, 10));
    StepCopyButton = new QPushButton(Tr(kStepCopy, ko), this);
    StepCopyButton->setGeometry(DluRect(kStepX + kStepWidth - 40, 0, 40, 12));
    StepCopyButton->setAutoDefault(false);
    AddLabel(this, Tr(kStepChannelLabel, ko), DluRect(kStepX, 18, 40, 8));
    StepChannelList = new QComboBox(this);
    StepChannelList->setGeometry(DluRect(kStepX + 44, 16, 50, 12));
    StepChannelList->setAccessibleName(Tr(kStepChannelLabel, ko));
    AddLabel(this, Tr(kStepCommandLabel, ko), DluRect(kStepX, 32, 40, 8));
    StepCommandList = new QComboBox(this);
    StepCommandList->setGeometry(DluRect(kStepX + 44, 30, 50, 12));
    StepCommandList->setAccessibleName(Tr(kStepCommandLabel, ko));
    StepCommandList->addItem(Tr(kStepNoCommand, ko));
    for (int i = 0; i < kScopeChannels; ++i) {
        StepChannelList->addItem(QStringLiteral("Ch %1").arg(i + 1));
        StepCommandList->addItem(QStringLiteral("Ch %1").arg(i + 1));
    }
    AddLabel(this, Tr(kStepRiseLabel, ko), DluRect(kStepX, 46, 42, 8));
    StepLowEdit = AddEdit(this, DluRect(kStepX + 44, 44, 24, 12), Tr(kStepLowName, ko));
    StepHighEdit = AddEdit(this, DluRect(kStepX + 70, 44, 24, 12), Tr(kStepHighName, ko));
    AddLabel(this, Tr(kStepBandLabel, ko), DluRect(kStepX + 100, 46, 40, 8));
    StepBandEdit = AddEdit(this, DluRect(kStepX + 142, 44, 28, 12), Tr(kStepBandLabel, ko));
    StepSpanLabel = AddLabel(this, QString(), DluRect(kStepX, 60, kStepWidth, 9));
    StepSpanLabel->setAccessibleName(Tr(kStepSpanName, ko));
    StepFiguresLabel = AddLabel(this, QString(), DluRect(kStepX, 72, kStepWidth, 248));
    StepFiguresLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    StepFiguresLabel->setWordWrap(true);
    StepFiguresLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    StepFiguresLabel->setAccessibleName(Tr(kStepFiguresName, ko));
    WriteStepBoxes();

    stepTimer_ = new QTimer(this);
    stepTimer_->setInterval(kStepPeriod);
    connect(stepTimer_, &QTimer::timeout, this, &CDlgScope::UpdateStep);
    connect(StepCheck, &QCheckBox::toggled, this, &CDlgScope::OnStepSettings);
    for (QComboBox* list : {StepChannelList, StepCommandList})
        connect(list, &QComboBox::currentIndexChanged, this, &CDlgScope::OnStepSettings);
    for (QLineEdit* edit : {StepLowEdit, StepHighEdit, StepBandEdit})
        connect(edit, &QLineEdit::editingFinished, this, &CDlgScope::OnStepSettings);
    connect(StepCopyButton, &QPushButton::clicked, this, &CDlgScope::OnStepCopy);
}

void CDlgScope::WriteStepBoxes() {
    StepLowEdit->setText(PercentText(stepSettings_.LowLevel));
    StepHighEdit->setText(PercentText(stepSettings_.HighLevel));
    StepBandEdit->setText(PercentText(stepSettings_.Band));
}

// Levels that do not make sense are refused whole: the previous ones stay
// and the boxes show them again.
void CDlgScope::OnStepSettings() {
    // Read as every number box of the window is (ReadNumberBox): text that
    // is no number is refused, never taken as 0.
    AxisProblem problem{};
    const std::optional<double> low = ReadNumberBox(StepLowEdit->text().toStdString(), 0, 100, &problem);
    const std::optional<double> high = ReadNumberBox(StepHighEdit->text().toStdString(), 0, 100, &problem);
    const std::optional<double> band = ReadNumberBox(StepBandEdit->text().toStdString(), 0, 50, &problem);
    StepSettings s;
    s.LowLevel = low.value_or(0) / 100.0;
    s.HighLevel = high.value_or(0) / 100.0;
    s.Band = band.value_or(0) / 100.0;
    const bool refused = !low || !high || !band || !StepSettingsValid(s);
    if (!refused) stepSettings_ = s;
    WriteStepBoxes();
    stepShown_ = {};
    UpdateStep();
    if (refused) ShowMessage(kStepLevelsRefused.Pick(korean_));
}

void CDlgScope::OnStepCopy() {
    const std::vector<std::string> lines = StepLines();
    std::string text;
    for (const std::string& line : lines)
        text += line + '\n';
    QGuiApplication::clipboard()->setText(Qs(text));
}

std::vector<std::string> CDlgScope::StepLines() const {
    return StepCheck->isChecked() ? stepLines_ : std::vector<std::string>{};
}

// Computes again only when what the figures depend on has changed: the
// samples shown, the cursors or the settings (a stopped picture costs one
// comparison per tick).
void CDlgScope::UpdateStep() {
    const bool on = StepCheck->isChecked();
    if (on != stepTimer_->isActive()) on ? stepTimer_->start() : stepTimer_->stop();
    StepCopyButton->setEnabled(on);
    if (!on) {
        stepShown_ = {};
        stepLines_.clear();
        Chart->SetStepMarks(std::nullopt, kStepMarkColour);
        Chart->SetCsvComments({});
        ShowValue(StepSpanLabel, QString());
        ShowValue(StepFiguresLabel, QString());
        return;
    }
    const ChartCursors cursors = Chart->Cursors();
    const StepInputsShown now{store_.State().Version,
                              cursors.On,
                              cursors.T1,
                              cursors.T2,
                              StepChannelList->currentIndex(),
                              StepCommandList->currentIndex() - 1,
                              true};
    if (now == stepShown_) return;
    stepShown_ = now;
    const StepFigures figures = Chart->ComputeStep(now.Channel, now.Command, stepSettings_);
    stepLines_ = StepFigureLines(figures, korean_);
    Chart->SetStepMarks(figures, kStepMarkColour);
    Chart->SetCsvComments(stepLines_);
    QString text;
    for (const std::string& line : stepLines_)
        text += Qs(line) + QLatin1Char('\n');
    text.chop(1);
    ShowValue(StepSpanLabel, Tr(cursors.On ? kStepBetweenCursors : kStepWholeTrace, korean_));
    ShowValue(StepFiguresLabel, text);
}

} // namespace velt
