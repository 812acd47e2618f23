#include "CDlgMonitoring.h"

#include "controls/Accessible.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "controls/CGridCtrl.h"
#include "controls/ConnectionWatch.h"
#include "controls/DialogFont.h"
#include "controls/PageGrid.h"
#include "controls/QtText.h"
#include "link/LinkTexts.h"
#include "monitor/FrameLogList.h"
#include "monitor/MonitorTexts.h"
#include "res/Icons.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>

namespace velt {

using namespace std::chrono_literals;

namespace {
constexpr auto kStatePeriod = 10ms;
constexpr auto kIndicatorPeriod = 300ms;

constexpr int kLabelColumnWidth = 70; // pixels
constexpr int kStateValueWidth = 91;
constexpr int kIoValueWidth = 112;

const QColor kRepeatCaption(255, 107, 26);
constexpr int kRepeatHoverLighten = 30;
constexpr int kRepeatFontHeight = 25; // pixels

QColor Colour(GridRgb c) {
    return QColor(RgbRed(c), RgbGreen(c), RgbBlue(c));
}

void Apply(CColorStatic* label, const LabelLook& look) {
    label->SetBkColour(Colour(look.Bk));
    label->SetTextColour(Colour(look.Text));
}

// Text colours of the state grid's value columns 1, 3, .. 11, rows 0 to 2.
constexpr GridRgb kStateValueColours[6][3] = {
    {Rgb(0, 0, 255), Rgb(255, 0, 0), Rgb(128, 0, 0)}, {Rgb(0, 128, 0), Rgb(128, 0, 0), Rgb(128, 0, 0)},
    {Rgb(0, 128, 0), Rgb(128, 0, 0), Rgb(128, 0, 0)}, {Rgb(0, 128, 0), Rgb(128, 0, 0), Rgb(128, 0, 0)},
    {Rgb(0, 0, 128), Rgb(128, 0, 0), Rgb(128, 0, 0)}, {Rgb(0, 0, 128), Rgb(0, 0, 128), Rgb(128, 0, 0)}};

// Lamps in kLampCaptions order: x of each in dialog units (row at y 99).
constexpr int kLampX[kLampCount] = {142, 194, 246, 297, 348, 400, 452, 504, 556, 606};
} // namespace

CDlgMonitoring::CDlgMonitoring(Wiring wiring, QWidget* frame) : QWidget(frame), wiring_(std::move(wiring)) {
    setObjectName(QStringLiteral("CDlgMonitoring"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 337));
    NameAfterCaption(this, Qs(kPageName.Pick(Korean())));

    CreateModeGroup();
    CreateCommandGroup();
    CreateIndicators();
    CreateGridsAndLists();

    // Both timers run for the life of the page, shown or hidden, connected or
    // not: while disconnected the link holds zeros and the page shows them.
    connect(&stateTimer_, &QTimer::timeout, this, &CDlgMonitoring::OnStateTimer);
    if (wiring_.Watch != nullptr) {
        notesShown_ = wiring_.Watch->Status().NoteCount;
        connect(wiring_.Watch, &ConnectionWatch::Changed, this, &CDlgMonitoring::FollowConnection);
    }
    connect(&indicatorTimer_, &QTimer::timeout, this, &CDlgMonitoring::UpdateIndicators);
    stateTimer_.start(kStatePeriod);
    indicatorTimer_.start(kIndicatorPeriod);
}

CDlgMonitoring::~CDlgMonitoring() = default;

bool CDlgMonitoring::Korean() const {
    return wiring_.Korean;
}

void CDlgMonitoring::CreateModeGroup() {
    const bool ko = Korean();
    auto* group = new QGroupBox(this);
    group->setGeometry(DluRect(6, 0, 149, 92));
    NameAfterCaption(group, Qs(kModeGroupName.Pick(ko)));
    const LocalText* captions[4] = {&kControlModeCaption, &kCommandFormCaption, &kSwitchControlModeCaption,
                                    &kSwitchCommandFormCaption};
    const int captionY[4] = {11, 24, 42, 55};
    const int labelY[4] = {8, 22, 39, 53};
    const QColor textColours[4] = {QColor(128, 0, 0), QColor(0, 0, 128), QColor(128, 0, 0),
                                   QColor(0, 0, 128)};
    CColorStatic** labels[4] = {&ControlModeLabel, &CommandFormLabel, &SwitchControlModeLabel,
                                &SwitchCommandFormLabel};
    for (int i = 0; i < 4; ++i) {
        auto* caption = new QLabel(Qs(captions[i]->Pick(ko)), this);
        // 76 wide rather than 72, so that "Switch Command Form" is shown whole; it ends where
        // the coloured label begins.
        caption->setGeometry(DluRect(11, captionY[i], 76, 8));
        auto* label = new CColorStatic(this);
        label->setGeometry(DluRect(87, labelY[i], 64, 13));
        label->SetTextColour(textColours[i]);
        // Read like an edit: named by its caption, the shown mode in the description.
        NameAfterLabel(label, caption);
        *labels[i] = label;
    }
    ModeSwitchButton = new QPushButton(Qs(kModeSwitchingCaption.Pick(ko)), this);
    ModeSwitchButton->setGeometry(DluRect(14, 70, 131, 18));
    NameAfterCaption(ModeSwitchButton, ModeSwitchButton->text());
    connect(ModeSwitchButton, &QPushButton::clicked, this, &CDlgMonitoring::OnControlModeSwitching);
}

void CDlgMonitoring::CreateCommandGroup() {
    auto* group = new QGroupBox(this);
    group->setGeometry(DluRect(159, 0, 496, 92));
    NameAfterCaption(group, Qs(kCommandGroupName.Pick(Korean())));

    struct EditEntry {
        QLineEdit** Edit;
        CommandField Field;
        int Y;
        const char* Default;
    };
    const EditEntry edits[] = {{&PositionEdit, CommandField::Position, 8, "100000"},
                               {&SpeedEdit, CommandField::Speed, 27, "500"},
                               {&TorqueEdit, CommandField::Torque, 45, "300"},
                               {&EncoderClearEdit, CommandField::EncoderValue, 70, "0"}};
    for (const EditEntry& e : edits) {
        const QString caption = Qs(FieldCaption(e.Field));
        auto* label = new QLabel(caption, this);
        label->setGeometry(DluRect(161, e.Y + 2, 32, 8));
        auto* edit = new QLineEdit(QString::fromLatin1(e.Default), this);
        edit->setGeometry(DluRect(194, e.Y, 63, 12));
        NameAfterLabel(edit, label);
        *e.Edit = edit;
    }

    struct ButtonEntry {
        QPushButton** Button;
        const char* Caption;
        int X, Y, W, H;
        void (CDlgMonitoring::*Handler)();
    };
    const ButtonEntry buttons[] = {
        {&RunButton, "RUN", 264, 7, 47, 24, &CDlgMonitoring::OnRun},
        {&StopButton, "STOP", 264, 34, 47, 24, &CDlgMonitoring::OnStop},
        {&ServoOnButton, "SERVO ON", 317, 7, 47, 24, &CDlgMonitoring::OnServoOn},
        {&ServoOffButton, "SERVO OFF", 317, 34, 47, 24, &CDlgMonitoring::OnServoOff},
        {&HomeButton, "HOME", 370, 20, 47, 24, &CDlgMonitoring::OnHome},
        {&EmgButton, "EMG", 423, 7, 47, 24, &CDlgMonitoring::OnEmg},
        {&ResetButton, "RESET", 423, 34, 47, 24, &CDlgMonitoring::OnReset},
        {&EncoderResetButton, "Encoder Reset", 264, 67, 100, 18, &CDlgMonitoring::OnEncoderReset},
    };
    for (const ButtonEntry& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.Caption), this);
        button->setGeometry(DluRect(b.X, b.Y, b.W, b.H));
        NameAfterCaption(button, button->text());
        connect(button, &QPushButton::clicked, this, b.Handler);
        *b.Button = button;
    }

    RepeatButtonFont = QFont(QStringLiteral("Arial"));
    RepeatButtonFont.setPixelSize(kRepeatFontHeight);
    RepeatButtonFont.setWeight(QFont::Black);
    RepeatButtonFont.setStyleStrategy(QFont::PreferAntialias);
    RepeatButton = new CButtonST(this);
    RepeatButton->setText(QStringLiteral("Repeat Test"));
    NameAfterCaption(RepeatButton, RepeatButton->text());
    RepeatButton->setFont(RepeatButtonFont);
    RepeatButton->SetIcon(VeltIcon(kIconRepeat));
    RepeatButton->SetCaptionColours(kRepeatCaption, kRepeatCaption);
    RepeatButton->SetHoverLighten(kRepeatHoverLighten);
    RepeatButton->SetFlat(false);
    RepeatButton->setGeometry(DluRect(491, 7, 159, 51));
    connect(RepeatButton, &QPushButton::clicked, this, &CDlgMonitoring::OnRepeatTest);
}

void CDlgMonitoring::CreateIndicators() {
    AlarmLabel = new CColorStatic(this);
    AlarmLabel->setText(Qs(kAlarmLabelCaption));
    AlarmLabel->setGeometry(DluRect(6, 99, 131, 12));
    // Unnamed, the label is read by the alarm entry it shows.
    StatusLabels[0] = AlarmLabel;
    for (int k = 0; k < kLampCount; ++k) {
        auto* lamp = new CColorStatic(this);
        lamp->setText(Qs(kLampCaptions[k]));
        lamp->setGeometry(DluRect(kLampX[k], 99, 47, 12));
        NameAfterCaption(lamp, lamp->text());
        DescribeState(lamp, Qs(kLampOff.Pick(Korean())));
        if (k < 9)
            StatusLabels[k + 1] = lamp;
        else
            HomeExeLamp = lamp;
    }

    // Created hidden, kept up to date, never shown.
    const auto hidden = [this](const char* caption, int x, int y, int w) {
        auto* label = new QLabel(Qs(caption), this);
        label->setGeometry(DluRect(x, y, w, 8));
        label->hide();
        return label;
    };
    QLabel* crcCaption = hidden("CRC Error", 433, 261, 34);
    QLabel* timeOutCaption = hidden("TimeOut Error", 537, 262, 52);
    CrcErrorCount = hidden("0", 469, 261, 64);
    CrcErrorCount->setGeometry(DluRect(469, 261, 64, 13));
    NameAfterLabel(CrcErrorCount, crcCaption);
    TimeOutCount = hidden("0", 591, 261, 64);
    TimeOutCount->setGeometry(DluRect(591, 261, 64, 13));
    NameAfterLabel(TimeOutCount, timeOutCaption);
}

void CDlgMonitoring::CreateGridsAndLists() {
    const bool ko = Korean();
    StateGrid = new CGridCtrl(this);
    StateGrid->setGeometry(DluRect(6, 115, 648, 38));
    NameAfterCaption(StateGrid, Qs(kStateGridName.Pick(ko)));
    InitStateGrid();
    InputGrid = new CGridCtrl(this);
    InputGrid->setGeometry(DluRect(6, 156, 648, 49));
    NameAfterCaption(InputGrid, Qs(kInputGridName.Pick(ko)));
    InitIoGrid(*InputGrid, true);
    OutputGrid = new CGridCtrl(this);
    OutputGrid->setGeometry(DluRect(6, 209, 648, 49));
    NameAfterCaption(OutputGrid, Qs(kOutputGridName.Pick(ko)));
    InitIoGrid(*OutputGrid, false);

    const int outputX[4] = {61, 137, 212, 287};
    for (int k = 0; k < 8; ++k) {
        const int coil = k / 2;
        const bool on = k % 2 == 0;
        auto* button = new QPushButton(on ? QStringLiteral("ON") : QStringLiteral("OFF"), this);
        button->setGeometry(DluRect(outputX[coil] + (on ? 0 : 28), 259, 28, 15));
        // "ON" and "OFF" alone would not tell a screen reader which output.
        NameAfterCaption(button, QStringLiteral("OUT %1 %2").arg(coil + 1).arg(button->text()));
        connect(button, &QPushButton::clicked, this, [this, coil, on] { OnOutput(coil, on); });
        OutputButtons[k] = button;
    }

    const struct {
        FrameLogList** List;
        const char* Caption;
        int CaptionX;
        QRect Rect;
    } lists[] = {{&SendList, "Send", 8, DluRect(6, 287, 306, 47)},
                 {&ReceiveList, "Receive", 321, DluRect(318, 287, 334, 47)}};
    for (const auto& l : lists) {
        auto* caption = new QLabel(Qs(l.Caption), this);
        caption->setGeometry(DluRect(l.CaptionX, 277, 40, 8));
        auto* list = new FrameLogList(ko, this);
        list->setGeometry(l.Rect);
        NameAfterLabel(list, caption);
        connect(list, &FrameLogList::saveAsRequested, this, &CDlgMonitoring::SaveLogAs);
        *l.List = list;
    }
}

void CDlgMonitoring::InitStateGrid() {
    CGridCtrl& g = *StateGrid;
    ApplyPageGridSettings(g, font());
    if (!g.SetRowCount(3) || !g.SetColumnCount(12) || !g.SetFixedRowCount(0) || !g.SetFixedColumnCount(0))
        return; // no cells: the updates find nothing to write
    const auto& labels = Korean() ? kStateLabelsKo : kStateLabelsEn;
    for (int k = 0; k < 6; ++k) {
        const int label = 2 * k;
        const int value = label + 1;
        WriteCentred(g, 0, label, labels[0][k]);
        WriteCentred(g, 1, label, labels[1][k]);
        WriteCentred(g, 2, label, "-");
        g.SetColumnWidth(label, kLabelColumnWidth);
        g.SetColumnWidth(value, kStateValueWidth);
        for (int r = 0; r < 3; ++r) {
            WriteCentred(g, r, value, "");
            g.SetItemBkColour(r, label, kLabelBk);
            g.SetItemFgColour(r, label, kWhite);
            g.SetItemFgColour(r, value, kStateValueColours[k][r]);
        }
    }
    FitRowsToHeight(g);
    g.Refresh();
}

void CDlgMonitoring::InitIoGrid(CGridCtrl& g, bool inputs) {
    ApplyPageGridSettings(g, font());
    if (!g.SetRowCount(4) || !g.SetColumnCount(9) || !g.SetFixedRowCount(0) || !g.SetFixedColumnCount(0))
        return;
    const bool ko = Korean();
    const GridRgb headerBk = g.GetDefaultCell(true, false).bk;
    WriteCentred(g, 0, 0, inputs ? "D/I" : "D/O");
    for (int r = 0; r < 3; ++r)
        WriteCentred(g, r + 1, 0, kIoRowLabels[r].Pick(ko));
    for (int r = 0; r < 4; ++r)
        g.SetItemBkColour(r, 0, headerBk);
    g.SetColumnWidth(0, kLabelColumnWidth);
    const int named = inputs ? kInputColumns : kOutputColumns;
    for (int c = 1; c <= 8; ++c) {
        const std::string title =
            c > named ? std::string("-") : (inputs ? "IN " : "OUT ") + std::to_string(c);
        WriteCentred(g, 0, c, title);
        g.SetItemBkColour(0, c, kLabelBk);
        g.SetItemFgColour(0, c, kWhite);
        g.SetItemFgColour(2, c, Rgb(0, 0, 255));
        g.SetColumnWidth(c, kIoValueWidth);
    }
    FitRowsToHeight(g);
    g.Refresh();
}

void CDlgMonitoring::RefreshGrid(CGridCtrl& grid) {
    if (WholeRepaint)
        grid.RedrawAll();
    else
        grid.Refresh();
}

// The grids are rewritten only when the link holds data they do not show
// yet: at 115200 bit/s about half of the ticks come between two polls, and
// an idle drive sends the same values poll after poll.
void CDlgMonitoring::OnStateTimer() {
    ++stateTicks_;
    if (wiring_.Link != nullptr) {
        const CDriveLink& link = *wiring_.Link;
        const uint32_t generation = link.DataGeneration();
        if (generation != shownGeneration_ || WholeRepaint) {
            shownGeneration_ = generation;
            ++gridUpdates_;
            const ParamBlock params = link.ParamRegs();
            UpdateStateGrid(link.StateRegs());
            UpdateIoGrid(*InputGrid, true, link.DigitalInputs(), params);
            UpdateIoGrid(*OutputGrid, false, link.DigitalOutputs(), params);
        }
    }
    ShowLoggedFrames();
}

void CDlgMonitoring::AddNote(const QString& text) {
    ReceiveList->AddLine({text.toStdString(), std::chrono::system_clock::now(), frameLog_.NewSequence()});
}

void CDlgMonitoring::FollowConnection(const ConnectionStatus& status) {
    if (status.NoteCount == notesShown_) return;
    notesShown_ = status.NoteCount;
    const ConnectionNote& note = status.LastNote;
    AddNote(Qs(note.What == ConnectionNote::Kind::Returned ? ReconnectedNote(note.Tries, wiring_.Korean)
                                                           : LinkLostNote(wiring_.Korean)));
}

void CDlgMonitoring::UpdateStateGrid(const StateBlock& regs) {
    FormatStateValues(regs, stateTexts_);
    for (int i = 0; i < kStateValueCount; ++i)
        WriteCentred(*StateGrid, kStateValueCells[i].Row, kStateValueCells[i].Col, stateTexts_[i]);
    RefreshGrid(*StateGrid);
}

void CDlgMonitoring::UpdateIoGrid(CGridCtrl& g, bool inputs, const BitBlock& bits, const ParamBlock& params) {
    const bool ko = Korean();
    const int columns = inputs ? kInputColumns : kOutputColumns;
    for (int n = 1; n <= columns; ++n) {
        const IoColumn c = inputs ? InputColumn(n, bits, params, ko) : OutputColumn(n, bits, params);
        WriteCentred(g, 1, n, c.Function);
        WriteCentred(g, 2, n, c.Value);
        const CellLook look = IoValueLook(c.Active);
        g.SetItemBkColour(2, n, look.Bk);
        g.SetItemFgColour(2, n, look.Text);
        WriteCentred(g, 3, n, (c.AContact ? kAContact : kBContact).Pick(ko));
    }
    RefreshGrid(g);
}

// At most one frame per list per tick; frames wait in arrival order.
void CDlgMonitoring::ShowLoggedFrames() {
    if (std::optional<LoggedFrame> f = frameLog_.TakeTx())
        SendList->AddLine({FrameLineText(f->Bytes), f->Arrival, f->Sequence});
    if (std::optional<LoggedFrame> f = frameLog_.TakeRx())
        ReceiveList->AddLine({FrameLineText(f->Bytes), f->Arrival, f->Sequence});
}

void CDlgMonitoring::UpdateIndicators() {
    if (wiring_.Link == nullptr) return;
    const CDriveLink& link = *wiring_.Link;
    const bool ko = Korean();
    const IndicatorView v =
        ComputeIndicators(link.StateRegs(), link.ParamRegs(), link.IsConnected(), link.Counters(), ko);

    CColorStatic* modes[4] = {ControlModeLabel, CommandFormLabel, SwitchControlModeLabel,
                              SwitchCommandFormLabel};
    for (int i = 0; i < 4; ++i) {
        const QString text = Qs(v.ModeTexts[i]);
        modes[i]->setText(text);
        // Without a known active set the colours, and so what they say, stay.
        if (v.ModeLooks) {
            Apply(modes[i], (*v.ModeLooks)[i]);
            modeActive_[i] = v.ActivePair == (i < 2 ? 1 : 2);
        }
        DescribeState(modes[i],
                      modeActive_[i] ? text + QStringLiteral(", ") + Qs(kModeActive.Pick(ko)) : text);
    }

    AlarmLabel->setText(Qs(v.AlarmText));
    Apply(AlarmLabel, v.AlarmLook);
    for (int k = 0; k < kLampCount; ++k) {
        Apply(Lamp(k), v.LampLooks[k]);
        DescribeState(Lamp(k), Qs((v.Lamps[k] ? kLampOn : kLampOff).Pick(ko)));
    }
    ShowValue(CrcErrorCount, Qs(v.CrcErrors));
    ShowValue(TimeOutCount, Qs(v.NoReplies));
}

void CDlgMonitoring::QueueTxFrame(int length, const uint8_t* bytes) {
    frameLog_.QueueTxFrame(length, bytes);
}

void CDlgMonitoring::QueueRxFrame(int length, const uint8_t* bytes) {
    frameLog_.QueueRxFrame(length, bytes);
}

void CDlgMonitoring::ClearFrameQueues() {
    frameLog_.Clear();
}

void CDlgMonitoring::closeEvent(QCloseEvent* event) {
    stateTimer_.stop();
    indicatorTimer_.stop();
    ClearFrameQueues();
    QWidget::closeEvent(event);
}

} // namespace velt
