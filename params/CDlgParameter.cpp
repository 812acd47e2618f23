#include "CDlgParameter.h"

#include "CDlgSetValDEC.h"
#include "CDlgSetValHEX.h"
#include "CompareDialog.h"
#include "base/LeadingNumber.h"
#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/CButtonST.h"
#include "controls/CGridCtrl.h"
#include "controls/DialogFont.h"
#include "controls/FileDialogs.h"
#include "controls/PageGrid.h"
#include "controls/QtText.h"
#include "controls/WaitWithMessages.h"
#include "monitor/ValueNames.h"
#include "params/CompareTexts.h"
#include "params/ParamFileActions.h"
#include "params/ParamFolders.h"
#include "params/ParamTexts.h"
#include "params/SaveSequence.h"
#include "res/Icons.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <chrono>
#include <optional>

namespace velt {

using namespace std::chrono_literals;

namespace {

constexpr auto kRefreshPeriod = 300ms;
// Before the read: lets the emptied progress bar reach the screen and the
// polling thread finish a pass in progress.
constexpr uint32_t kBeforeReadMs = 500;

constexpr GridRgb kPnoText = Rgb(255, 0, 0);
constexpr GridRgb kValueText = Rgb(0, 0, 255);
constexpr GridRgb kFiller = Rgb(128, 128, 128);
constexpr int kColumnWidths[3] = {38, 115, 70};
constexpr int kBoldWeight = 700;
constexpr int kNormalWeight = 400;

// Rows of the IN1..IN8 and OUT1..OUT4 lines, in dialog units.
constexpr int kIoRowY[kIoCount] = {97, 112, 127, 142, 157, 171, 187, 202, 226, 242, 258, 273};

QLabel* AddLabel(QWidget* parent, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    return label;
}

QComboBox* AddList(QWidget* parent, const QRect& rect, QLabel* label) {
    auto* box = new QComboBox(parent);
    box->setGeometry(rect);
    NameAfterLabel(box, label);
    return box;
}

void SelectIndex(QComboBox* box, int index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

// Refills a form list with the nine command forms of `mode` (none for a mode
// without entries) unless it already holds them.
void FillForms(QComboBox* box, int mode, int* filledFor, bool korean) {
    if (*filledFor == mode) return;
    *filledFor = mode;
    box->clear();
    const int first = CommandFormFirst(mode);
    if (first < 0) return;
    for (int i = 0; i < kFormsPerMode; ++i)
        box->addItem(Qs(CommandFormText(first + i, korean)));
}

} // namespace

CDlgParameter::CDlgParameter(Wiring wiring, QWidget* frame) : QWidget(frame), wiring_(std::move(wiring)) {
    setObjectName(QStringLiteral("CDlgParameter"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 337));
    const bool korean = wiring_.Korean;

    // Shorter than the grid above it: "Compare..." takes the rest of the line.
    SaveProgress = new QProgressBar(this);
    SaveProgress->setGeometry(DluRect(207, 324, 395, 9));
    SaveProgress->setRange(0, kSaveProgressMax);
    SaveProgress->setValue(kSaveProgressMax);
    SaveProgress->setTextVisible(false);
    NameAfterCaption(SaveProgress, Qs(kSaveProgressName.Pick(korean)));

    CreateModeLists(korean);
    CreateIoRows(korean);
    CreateGrid(korean);
    CreateButtons(korean);
    CreateCompare(korean);
    FillLists();

    // Velocity control with speed index, switching to analog input, and
    // their preset (8). The values are taken from the controls only on the
    // first change.
    PageControls controls = ReadControls();
    controls.controlMode = 1;
    controls.commandForm = DefaultCommandForm(1);
    controls.switchMode = 1;
    controls.switchForm = 1; // filled for the control mode's entries, 11 analog input
    ApplyIoPreset(&controls);
    ShowControls(controls);

    copyListener_ = WorkingCopy().Subscribe([this](const CopyChange& change) { OnCopyChanged(change); });
    connect(&refreshTimer_, &QTimer::timeout, this, &CDlgParameter::RefreshValueCells);
    connect(&refreshTimer_, &QTimer::timeout, this, &CDlgParameter::UpdateDriveActions);
    refreshTimer_.start(kRefreshPeriod);
    UpdateDriveActions();
}

CDlgParameter::~CDlgParameter() {
    WorkingCopy().Unsubscribe(copyListener_);
}

void CDlgParameter::CreateModeLists(bool korean) {
    auto* group = new QGroupBox(this);
    group->setGeometry(DluRect(6, 0, 192, 76));
    struct Row {
        const LocalText& label;
        int y;
        QComboBox** list;
        void (CDlgParameter::*handler)();
    };
    const Row rows[] = {
        {kControlModeCaption, 8, &ControlModeCombo, &CDlgParameter::OnControlModeChanged},
        {kCommandFormCaption, 23, &CommandFormCombo, &CDlgParameter::OnCommandFormChanged},
        {kSwitchControlModeCaption, 42, &SwitchModeCombo, &CDlgParameter::OnSwitchModeChanged},
        {kSwitchCommandFormCaption, 57, &SwitchFormCombo, &CDlgParameter::OnSelectionChanged},
    };
    for (const Row& r : rows) {
        // Wider than 74 so that "Switch Command Form" is shown whole; it ends before its list.
        QLabel* label = AddLabel(this, Qs(r.label.Pick(korean)), DluRect(13, r.y, 78, 11));
        *r.list = AddList(this, DluRect(93, r.y, 95, 13), label);
        connect(*r.list, &QComboBox::activated, this, r.handler);
    }
}

void CDlgParameter::CreateIoRows(bool korean) {
    AddLabel(this, Qs(kFunctionSelectLabel.Pick(korean)), DluRect(35, 85, 102, 8));
    AddLabel(this, Qs(kContactSelectLabel.Pick(korean)), DluRect(140, 85, 53, 8));
    for (int i = 0; i < kIoCount; ++i) {
        const bool input = i < kInputCount;
        const QString name =
            input ? QStringLiteral("IN %1").arg(i + 1) : QStringLiteral("OUT %1").arg(i - kInputCount + 1);
        const int y = kIoRowY[i];
        QLabel* label = AddLabel(this, name, DluRect(input ? 10 : 7, y, input ? 20 : 23, 8));
        FunctionCombos[static_cast<size_t>(i)] = AddList(this, DluRect(32, y - 2, 107, 13), label);
        connect(FunctionCombos[static_cast<size_t>(i)], &QComboBox::activated, this,
                &CDlgParameter::OnSelectionChanged);

        // "B" is the first button of each pair.
        auto* pair = new QButtonGroup(this);
        QRadioButton*& b = ContactB[static_cast<size_t>(i)];
        QRadioButton*& a = ContactA[static_cast<size_t>(i)];
        b = new QRadioButton(QStringLiteral("B"), this);
        b->setGeometry(DluRect(173, y, 22, 10));
        a = new QRadioButton(QStringLiteral("A"), this);
        a->setGeometry(DluRect(147, y, 22, 10));
        const QString contact = name + QStringLiteral(" ") + Qs(kContactSelectLabel.Pick(korean));
        const QString row = name + QStringLiteral(" ") + Qs(kContactName.Pick(korean)) + QStringLiteral(" ");
        for (QRadioButton* button : {b, a}) {
            NameAfterCaption(button, row + button->text());
            DescribeState(button, contact);
            pair->addButton(button);
            connect(button, &QRadioButton::clicked, this, &CDlgParameter::OnSelectionChanged);
        }
    }
}

void CDlgParameter::CreateButtons(bool korean) {
    ReadAllButton = new CButtonST(this);
    ReadAllButton->setText(Qs(kReadAllCaption.Pick(korean)));
    ReadAllButton->SetIcon(VeltIcon(kIconReadAll));
    ReadAllButton->setGeometry(DluRect(1, 292, 100, 41));
    SaveAllButton = new CButtonST(this);
    SaveAllButton->setText(Qs(kSaveAllCaption.Pick(korean)));
    SaveAllButton->SetIcon(VeltIcon(kIconSaveAll));
    SaveAllButton->setGeometry(DluRect(103, 292, 100, 41));
    for (CButtonST* button : {ReadAllButton, SaveAllButton})
        NameAfterCaption(button, button->text());
    connect(ReadAllButton, &QPushButton::clicked, this, &CDlgParameter::ReadAllParameters);
    connect(SaveAllButton, &QPushButton::clicked, this, &CDlgParameter::SaveAllParameters);
}

void CDlgParameter::CreateCompare(bool korean) {
    CompareButton = new QPushButton(Qs(kCompareButton.Pick(korean)), this);
    CompareButton->setGeometry(DluRect(606, 323, 50, 13));
    NameAfterCaption(CompareButton, CompareButton->text());
    connect(CompareButton, &QPushButton::clicked, this, &CDlgParameter::OpenCompare);

    CompareDialog::Wiring wiring;
    wiring.Link = wiring_.Link;
    wiring.Copy = wiring_.Copy;
    wiring.Korean = korean;
    wiring.OtherDrives = wiring_.OtherDrives;
    CompareWindow = new CompareDialog(std::move(wiring), this);
    CompareWindow->setWindowFlag(Qt::Window);
}

void CDlgParameter::CreateGrid(bool korean) {
    CGridCtrl& grid = *(ParamGrid = new CGridCtrl(this));
    grid.setGeometry(DluRect(207, 4, 449, 318));
    NameAfterCaption(&grid, Qs(kParamGridName.Pick(korean)));
    ApplyPageGridSettings(grid, DialogFont());
    grid.SetListMode(true);
    grid.EnableSelection(false);
    grid.SetRowCount(kGridRows);
    grid.SetColumnCount(kGridColumns);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(0);

    const QFontInfo info(grid.font());
    valueFont_ = GridFont{info.family().toStdString(), std::max(1, info.pointSize()), kNormalWeight, false,
                          info.pixelSize()};
    changedFont_ = valueFont_;
    changedFont_.weight = kBoldWeight;

    for (int g = 0; g < kGridGroups; ++g) {
        WriteCell(0, 3 * g, "Pno");
        WriteCell(0, 3 * g + 1, kNameHeader.Pick(korean));
        WriteCell(0, 3 * g + 2, "Value");
        for (int c = 0; c < 3; ++c)
            grid.SetColumnWidth(3 * g + c, kColumnWidths[c]);
    }
    for (int n = 0; n < kGridSlots; ++n)
        WriteSlot(n);
    for (int n = 0; n < drive::ParamCount; ++n) {
        if (PairFirst(n) != n) continue;
        const ParamCell cell = ValueCellOf(n);
        grid.MergeCells(cell.row, cell.col, cell.row + 1, cell.col);
        grid.SetItemState(cell.row, cell.col, GVIS_READONLY);
    }
    grid.RedrawAll();
    connect(&grid, &CGridCtrl::cellDoubleClicked, this, &CDlgParameter::OnGridDoubleClick);
}

void CDlgParameter::WriteCell(int row, int col, const std::string& text) {
    WriteCentred(*ParamGrid, row, col, text);
}

// One slot of a group: Pno, name and Value cell of parameter n, or a filler.
void CDlgParameter::WriteSlot(int n) {
    CGridCtrl& grid = *ParamGrid;
    const ParamCell pno = PnoCellOf(n), name = NameCellOf(n), value = ValueCellOf(n);
    if (n >= drive::ParamCount) {
        WriteCell(pno.row, pno.col, "-");
        WriteCell(name.row, name.col, "-");
        WriteCell(value.row, value.col, "0");
        for (const ParamCell& c : {pno, name, value})
            grid.SetItemBkColour(c.row, c.col, kFiller);
        return;
    }
    const bool inUse = ParamKind(n) != 0;
    const GridRgb headerBk = grid.GetDefaultCell(true, false).bk;
    WriteCell(pno.row, pno.col, std::to_string(n));
    grid.SetItemFgColour(pno.row, pno.col, kPnoText);
    grid.SetItemBkColour(pno.row, pno.col, headerBk);
    WriteCell(name.row, name.col, inUse ? ParamTable(wiring_.Korean)[n].name : "-");
    grid.SetItemBkColour(name.row, name.col, headerBk);
    WriteCell(value.row, value.col, "0");
    if (inUse) grid.SetItemFgColour(value.row, value.col, kValueText);
    ParamGrid->Model().SetItemFont(value.row, value.col, valueFont_);
}

void CDlgParameter::FillLists() {
    for (int i = 0; i < kIoCount; ++i) {
        QComboBox* box = FunctionCombos[static_cast<size_t>(i)];
        if (i < kInputCount)
            for (int k = 0; k < INPUT_FUNCTION_NAME_COUNT; ++k)
                box->addItem(Qs(InputFunctionText(k, wiring_.Korean)));
        else
            for (int k = 0; k < OUTPUT_FUNCTION_NAME_COUNT; ++k)
                box->addItem(Qs(OutputFunctionName(k)));
    }
    for (QComboBox* box : {ControlModeCombo, SwitchModeCombo})
        for (int k = 0; k < CONTROL_MODE_NAME_COUNT; ++k)
            box->addItem(Qs(ControlModeText(k, wiring_.Korean)));
}

void CDlgParameter::closeEvent(QCloseEvent* event) {
    refreshTimer_.stop();
    QWidget::closeEvent(event);
}

// ---- the left half -------------------------------------------------------------------------

PageControls CDlgParameter::ReadControls() const {
    PageControls c;
    c.controlMode = ControlModeCombo->currentIndex();
    c.commandForm = CommandFormCombo->currentIndex();
    c.switchMode = SwitchModeCombo->currentIndex();
    c.switchForm = SwitchFormCombo->currentIndex();
    for (size_t i = 0; i < kIoCount; ++i) {
        c.functions[i] = FunctionCombos[i]->currentIndex();
        // Neither button on reads as -1, which counts as "A" like any value but 0.
        c.contacts[i] = ContactA[i]->isChecked() ? 1 : ContactB[i]->isChecked() ? 0 : -1;
    }
    return c;
}

void CDlgParameter::ShowControls(const PageControls& c) {
    SelectIndex(ControlModeCombo, c.controlMode);
    FillForms(CommandFormCombo, c.controlMode, &commandFormsOf_, wiring_.Korean);
    SelectIndex(CommandFormCombo, c.commandForm);
    SelectIndex(SwitchModeCombo, c.switchMode);
    FillForms(SwitchFormCombo, c.switchMode, &switchFormsOf_, wiring_.Korean);
    SelectIndex(SwitchFormCombo, c.switchForm);
    for (size_t i = 0; i < kIoCount; ++i) {
        SelectIndex(FunctionCombos[i], c.functions[i]);
        ContactRadio[i] = c.contacts[i];
        (ContactRadio[i] != 0 ? ContactA[i] : ContactB[i])->setChecked(true);
    }
}

void CDlgParameter::ShowValuesInControls() {
    ShowControls(ControlsFromValues(WorkingCopy().Values()));
}

void CDlgParameter::TakeValuesFromControls() {
    const PageControls controls = ReadControls();
    ContactRadio = controls.contacts;
    WorkingCopy().TakeControls(controls);
}

void CDlgParameter::OnControlModeChanged() {
    PageControls controls = ReadControls();
    velt::OnControlModeChanged(&controls);
    ShowControls(controls);
    TakeValuesFromControls();
}

void CDlgParameter::OnCommandFormChanged() {
    PageControls controls = ReadControls();
    if (ApplyIoPreset(&controls)) ShowControls(controls);
    TakeValuesFromControls();
}

void CDlgParameter::OnSwitchModeChanged() {
    PageControls controls = ReadControls();
    velt::OnSwitchModeChanged(&controls);
    ShowControls(controls);
    TakeValuesFromControls();
}

void CDlgParameter::OnSelectionChanged() {
    TakeValuesFromControls();
}

void CDlgParameter::OpenCompare() {
    CompareWindow->Open();
}

// ---- values, grid and dialogs ---------------------------------------------------------------

void CDlgParameter::PostParamsRead() {
    QMetaObject::invokeMethod(this, &CDlgParameter::OnParamsRead, Qt::QueuedConnection);
}

void CDlgParameter::OnParamsRead() {
    if (!wiring_.Link) return;
    // The block and the drive it came from, taken together: a read that
    // started since (another drive ID) brings its own message.
    const uint8_t from = wiring_.Link->ParamsDriveId();
    const velt::ParamValues values = ValuesFromRegisters(wiring_.Link->ParamRegs());
    if (from == 0 || wiring_.Link->ParamsDriveId() != from) return;
    WorkingCopy().TakeRead(values, from);
    ++ParamsReadCount;
    UpdateDriveActions();
}

void CDlgParameter::OnCopyChanged(const CopyChange& change) {
    if (change.source != CopySource::Controls) {
        for (int n = 0; n < drive::ParamCount; ++n) {
            if (!change.touched.test(static_cast<size_t>(n)) || !ShownInPageControls(n)) continue;
            ShowValuesInControls();
            break;
        }
    }
    RefreshValueCells();
}

void CDlgParameter::UpdateDriveActions() {
    const bool connected = wiring_.Link != nullptr && wiring_.Link->IsConnected();
    const QString whyNot = connected ? QString() : Qs(kNeedsDrive.Pick(wiring_.Korean));
    // A read replaces the working copy that a save is writing from, so neither
    // starts while the other runs (both wait with messages dispatched).
    const bool busy = reading_ || saving_;
    ReadAllButton->setEnabled(connected && !busy);
    SaveAllButton->setEnabled(connected && !busy);
    for (CButtonST* button : {ReadAllButton, SaveAllButton})
        if (button->toolTip() != whyNot) button->setToolTip(whyNot);
}

void CDlgParameter::RefreshValueCells() {
    const ParamWorkingCopy& copy = WorkingCopy();
    for (int n = 0; n < drive::ParamCount; ++n) {
        const std::optional<std::string> text = ValueCellText(n, copy.Values());
        if (!text) continue;
        const ParamCell cell = ValueCellOf(n);
        WriteCell(cell.row, cell.col, *text);
        const bool changed = copy.Differs(n);
        ParamGrid->Model().SetItemFont(cell.row, cell.col, changed ? changedFont_ : valueFont_);
    }
    ParamGrid->Refresh();
}

void CDlgParameter::OnGridDoubleClick(int row, int col) {
    const int n = ParamAtValueCell(row, col);
    if (n < 0) return;
    RefreshValueCells(); // the cell shows the working copy as it is now, not up to 300 ms ago
    const int32_t value =
        ReadLeadingNumber(std::u16string_view(ParamGrid->GetItemText(row, col).toStdU16String())).value;
    const QString help = Qs(ParamTable(wiring_.Korean)[n].help);
    if (wiring_.OpenValueDialog) wiring_.OpenValueDialog(help, n, value, ParamIsBits(n));
}

// ---- read and save ---------------------------------------------------------------------------

void CDlgParameter::ReadAllParameters() {
    CDriveLink* link = wiring_.Link;
    if (!link || !link->IsConnected() || reading_ || saving_) return;
    reading_ = true;
    UpdateDriveActions();
    SaveProgress->setValue(0);
    WaitWithMessages(kBeforeReadMs);
    // The progress comes on this thread, under the link's lock, after each
    // block: the bar is painted at once and no other message is dispatched.
    // The values gather in the link's parameter block; the working copy takes
    // them only from a complete read, so a failed one leaves it (the user's
    // edits and their marks) as it was.
    const RtuResult result = link->ReadAllParamsQuietly([this](int registers) {
        SaveProgress->setValue(ReadProgressPosition(registers, kSaveProgressMax));
        SaveProgress->repaint();
    });
    reading_ = false;
    SaveProgress->setValue(result == RTU_OK ? kSaveProgressMax : 0);
    UpdateDriveActions();
    if (result != RTU_OK) {
        ShowMessage(kReadAllFail.Pick(wiring_.Korean));
        return;
    }
    OnParamsRead(); // the values are taken as after any complete read, at once
}

void CDlgParameter::SaveAllParameters() {
    StoreWorkingCopy(true);
}

SaveResult CDlgParameter::StoreWorkingCopy(bool askFirst) {
    if (!wiring_.Link || reading_ || saving_) return {};
    SaveHooks hooks;
    if (!askFirst) hooks.confirm = [](const std::string&, const std::string&) { return true; };
    hooks.progress = [this](int p) { SaveProgress->setValue(p); };
    hooks.focus = [this](int n) {
        const ParamCell cell = ValueCellOf(n);
        ParamGrid->SetFocusCell(cell.row, cell.col);
        ParamGrid->EnsureVisible(cell.row, cell.col);
    };
    hooks.waitWithMessages = [](uint32_t ms) { WaitWithMessages(ms); };
    hooks.enableSaveButton = [this](bool on) {
        saving_ = !on;
        UpdateDriveActions();
    };
    hooks.backup = [this](const velt::ParamValues&) { return WriteBackupFile(); };
    return velt::SaveAllParameters(*wiring_.Link, WorkingCopy().Values(), WorkingCopy().DriveId(),
                                   wiring_.Korean, hooks);
}

bool CDlgParameter::MayChangeDrive(uint8_t to) {
    const ParamWorkingCopy& copy = WorkingCopy();
    if (reading_ || saving_) {
        ShowMessage(kChangeDriveBusy.Pick(wiring_.Korean));
        return false;
    }
    const bool linked = wiring_.Link != nullptr && wiring_.Link->IsConnected();
    if (!linked || to == copy.DriveId() || !copy.HasUnstoredChanges()) return true;
    const std::string question =
        FillText(kChangeDriveQuestion.Pick(wiring_.Korean),
                 {{"{from}", std::to_string(copy.DriveId())}, {"{to}", std::to_string(to)}});
    switch (ShowMessage(question, MsgButtons::YesNoCancel)) {
    case MsgResult::Yes:
        return StoreWorkingCopy(false).outcome == SaveOutcome::Stored;
    case MsgResult::No:
        return true;
    default:
        return false;
    }
}

BackupResult CDlgParameter::WriteBackupFile() {
    const velt::ParamValues drive =
        wiring_.Link ? ValuesFromRegisters(wiring_.Link->ParamRegs()) : velt::ParamValues{};
    return WriteBackupNow(drive, wiring_.Korean, {}, wiring_.Link ? wiring_.Link->ParamsDriveId() : 0);
}

// ---- parameter files ---------------------------------------------------------------------------

QString CDlgParameter::ChooseFile(bool save) {
    FileDialogRequest request;
    request.save = save;
    request.folder = QsPath(ParameterFolder());
    request.fileName = QStringLiteral("*.par");
    request.filter = QStringLiteral("VELT Parameter File(*.par)");
    if (FileDialogAnswer) return FileDialogAnswer(request);

    FileDialogOptions options;
    options.Save = save;
    options.Folder = request.folder;
    options.FileName = request.fileName;
    options.Filter = request.filter;
    if (save) options.DefaultSuffix = QStringLiteral("par");
    return RunFileDialog(this, options);
}

void CDlgParameter::LoadParameterFile() {
    const QString file = ChooseFile(false);
    if (file.isEmpty()) return;
    velt::ParamValues values{};
    ParReadResult read;
    if (!LoadParameterFileFrom(PathOf(file), &values, wiring_.Korean, &read)) return;
    WorkingCopy().TakeFile(values, read.present);
}

void CDlgParameter::SaveParameterFile() {
    const QString file = ChooseFile(true);
    if (file.isEmpty()) return;
    SaveParameterFileTo(PathOf(file), WorkingCopy().Values(), wiring_.Korean, WorkingCopy().DriveId());
}

} // namespace velt
