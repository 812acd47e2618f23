#include "CompareDialog.h"

#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "controls/FileDialogs.h"
#include "controls/QtText.h"
#include "link/RtuResult.h"
#include "params/Backup.h"
#include "params/CompareTexts.h"
#include "params/ParamFileActions.h"
#include "params/ParamFolders.h"
#include "platform/AtomicFile.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace velt {

using namespace std::chrono_literals;

namespace {

// How often an open window looks whether a drive is connected (its drive
// entries) and whether the working copy has changed (a working-copy side).
constexpr auto kFollowPeriod = 500ms;
// Number, name, A, B, note.
constexpr int kColumnCount = 5;
// Behind the two values of a row that differs.
const QColor kDifferingRow(255, 228, 196);
// Rows as high as the page grid's: a line of the dialog font and a little air.
constexpr int kRowPadding = 6;

void EnableEntry(QComboBox* box, int index, bool on, const QString& whyNot) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    if (model == nullptr || model->item(index) == nullptr) return;
    QStandardItem* item = model->item(index);
    item->setEnabled(on);
    item->setToolTip(on ? QString() : whyNot);
}

} // namespace

CompareDialog::CompareDialog(Wiring wiring, QWidget* parent) : QDialog(parent), wiring_(std::move(wiring)) {
    const bool ko = wiring_.Korean;
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(Qs(kCompareTitle.Pick(ko)));
    setFont(DialogFont());
    setModal(false);
    resize(DluSize(430, 300));

    auto* layout = new QVBoxLayout(this);
    auto* sides = new QGridLayout;
    BuildSide(A, 0, sides);
    BuildSide(B, 1, sides);
    sides->setColumnStretch(4, 1);
    layout->addLayout(sides);

    auto* filter = new QHBoxLayout;
    OnlyDifferences = new QCheckBox(Qs(kOnlyDifferences.Pick(ko)), this);
    OnlyDifferences->setChecked(true);
    NameAfterCaption(OnlyDifferences, OnlyDifferences->text());
    connect(OnlyDifferences, &QCheckBox::toggled, this, &CompareDialog::Rebuild);
    DifferenceCount = new QLabel(this);
    filter->addWidget(OnlyDifferences);
    filter->addStretch(1);
    filter->addWidget(DifferenceCount);
    layout->addLayout(filter);

    Table = new QTableWidget(0, kColumnCount, this);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setDefaultSectionSize(WindowsLineHeight(DialogFont()) + kRowPadding);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setWordWrap(false);
    NameAfterCaption(Table, Qs(kTableName.Pick(ko)));
    connect(Table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CompareDialog::UpdateActions);
    layout->addWidget(Table, 1);

    ReadProgress = new QProgressBar(this);
    ReadProgress->setRange(0, drive::ParamCount);
    ReadProgress->setFormat(Qs(kReadingDrive.Pick(ko)));
    NameAfterCaption(ReadProgress, Qs(kReadProgressName.Pick(ko)));
    ReadProgress->hide();
    layout->addWidget(ReadProgress);
    Note = new QLabel(this);
    Note->setWordWrap(true);
    layout->addWidget(Note);

    auto* buttons = new QHBoxLayout;
    BuildButtons(buttons);
    layout->addLayout(buttons);

    auto* follow = new QTimer(this);
    connect(follow, &QTimer::timeout, this, &CompareDialog::FollowPage);
    follow->start(kFollowPeriod);

    for (SideState& side : sides_)
        side.header = Qs(kNotChosen.Pick(ko));
    ShowSide(A);
    ShowSide(B);
    Rebuild();
}

CompareDialog::~CompareDialog() {
    reader_.StopAndWait();
}

void CompareDialog::BuildSide(Side side, int row, QGridLayout* grid) {
    const bool ko = wiring_.Korean;
    SideControls& c = Controls[side];
    c.caption = new QLabel(Qs((side == A ? kSideA : kSideB).Pick(ko)), this);
    c.source = new QComboBox(this);
    for (const LocalText* entry : {&kSourceDrive, &kSourceWorking, &kSourceFile, &kSourceBackup})
        c.source->addItem(Qs(entry->Pick(ko)));
    c.source->setPlaceholderText(Qs(kNotChosen.Pick(ko)));
    c.source->setCurrentIndex(-1);
    NameAfterLabel(c.source, c.caption);
    c.backups = new QComboBox(this);
    c.backups->setMinimumContentsLength(24);
    NameAfterCaption(c.backups, Qs((side == A ? kBackupListNameA : kBackupListNameB).Pick(ko)));
    c.browse = new QPushButton(Qs(kBrowse.Pick(ko)), this);
    NameAfterCaption(c.browse, Qs((side == A ? kBrowseNameA : kBrowseNameB).Pick(ko)));
    c.status = new QLabel(this);
    c.status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(c.caption, row, 0);
    grid->addWidget(c.source, row, 1);
    grid->addWidget(c.backups, row, 2);
    grid->addWidget(c.browse, row, 3);
    grid->addWidget(c.status, row, 4);
    connect(c.source, &QComboBox::activated, this,
            [this, side](int index) { OnSourceActivated(side, index); });
    connect(c.backups, &QComboBox::activated, this,
            [this, side](int index) { OnBackupActivated(side, index); });
    connect(c.browse, &QPushButton::clicked, this, [this, side] { ChooseSource(side, Source::File); });
}

void CompareDialog::BuildButtons(QBoxLayout* layout) {
    const bool ko = wiring_.Korean;
    const auto add = [&](const LocalText& caption, void (CompareDialog::*slot)()) {
        auto* button = new QPushButton(Qs(caption.Pick(ko)), this);
        NameAfterCaption(button, button->text());
        connect(button, &QPushButton::clicked, this, slot);
        layout->addWidget(button);
        return button;
    };
    TakeButton = add(kTake, &CompareDialog::TakeSelected);
    TakeButton->setToolTip(Qs(kTakeTip.Pick(ko)));
    CopyButton = add(kCopy, &CompareDialog::CopyToClipboard);
    ExportButton = new QPushButton(Qs(kExportCsv.Pick(ko)), this);
    NameAfterCaption(ExportButton, ExportButton->text());
    connect(ExportButton, &QPushButton::clicked, this, [this] {
        const QString path = AskFile(true, Qs(kCsvFilter.Pick(wiring_.Korean)));
        if (!path.isEmpty()) ExportCsvTo(PathOf(path));
    });
    layout->addWidget(ExportButton);
    ReadAgainButton = add(kReadAgain, &CompareDialog::ReadAgain);
    BackupAllButton = new QPushButton(Qs(kBackupAllDrives.Pick(ko)), this);
    BackupAllButton->setToolTip(Qs(kBackupAllTip.Pick(ko)));
    NameAfterCaption(BackupAllButton, BackupAllButton->text());
    connect(BackupAllButton, &QPushButton::clicked, this, [this] { BackUpAllDrives(); });
    layout->addWidget(BackupAllButton);
    layout->addStretch(1);
    CloseButton = add(kClose, &CompareDialog::reject);
    CloseButton->setDefault(true); // Enter presses the focused button, else Close

    // Ctrl+C in the table copies what Copy copies.
    auto* copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &CompareDialog::CopyToClipboard);
    Table->addAction(copy);
}

void CompareDialog::reject() {
    hide();
}

void CompareDialog::Open() {
    FillBackupLists();
    FillDriveEntries();
    for (Side side : {A, B})
        if (sides_[side].loaded && sides_[side].source == Source::WorkingCopy)
            ChooseSource(side, Source::WorkingCopy);
    if (!sides_[A].loaded && !Reading()) ChooseSource(A, Source::WorkingCopy);
    UpdateActions();
    show();
    raise();
    activateWindow();
}

void CompareDialog::FillBackupLists() {
    const std::vector<BackupEntry> backups = ListBackups(BackupFolder());
    for (Side side : {A, B}) {
        QComboBox* box = Controls[side].backups;
        box->clear();
        for (const BackupEntry& b : backups) {
            const QString text = QStringLiteral("%1   %2 B   %3")
                                     .arg(Qs(BackupTimeText(b.stamp)))
                                     .arg(static_cast<qulonglong>(b.size))
                                     .arg(Qs(b.name));
            box->addItem(text, QsPath(b.path));
        }
        // The list keeps showing the backup the side holds.
        if (sides_[side].source == Source::Backup)
            box->setCurrentIndex(box->findData(QsPath(sides_[side].file)));
    }
}

bool CompareDialog::ChooseSource(Side side, Source source, const std::filesystem::path& file,
                                 uint8_t driveId) {
    const bool ko = wiring_.Korean;
    bool ok = false;
    switch (source) {
    case Source::Drive:
        ok = StartDriveRead(side);
        break;
    case Source::OtherDrive:
        ok = driveId != 0 && StartDriveRead(side, driveId);
        break;
    case Source::WorkingCopy:
        sides_[side] = SideState{Source::WorkingCopy,
                                 {},
                                 0,
                                 WholeSet(wiring_.Copy ? wiring_.Copy->Values() : ParamValues{}),
                                 true,
                                 Qs(kSourceWorking.Pick(ko)),
                                 QString()};
        ok = true;
        break;
    case Source::File:
    case Source::Backup: {
        std::filesystem::path path = file;
        if (path.empty() && source == Source::File) {
            const QString chosen = AskFile(false, QStringLiteral("VELT Parameter File(*.par)"));
            if (!chosen.isEmpty()) path = PathOf(chosen);
        }
        ok = !path.empty() && LoadFile(side, source, path);
        break;
    }
    }
    ShowSide(side);
    if (ok && source != Source::Drive && source != Source::OtherDrive) Rebuild();
    UpdateActions();
    return ok;
}

bool CompareDialog::LoadFile(Side side, Source source, const std::filesystem::path& file) {
    ParamValues values{};
    ParReadResult read;
    if (!ReadParFile(file, &values, wiring_.Korean, &read)) {
        ShowMessage(LoadErrorText(file, read.error));
        return false;
    }
    SideState state;
    state.source = source;
    state.file = file;
    state.set = FileSet(values, read);
    state.loaded = true;
    state.status = QsPath(file);
    BackupStamp stamp;
    const std::u8string name = file.filename().u8string();
    if (source == Source::Backup && ParseBackupFileName(std::string(name.begin(), name.end()), &stamp))
        state.header =
            Qs(kSourceBackup.Pick(wiring_.Korean)) + QStringLiteral(" ") + Qs(BackupTimeText(stamp));
    else
        state.header = QsPath(file.filename());
    sides_[side] = std::move(state);
    return true;
}

bool CompareDialog::StartDriveRead(Side side, uint8_t otherId) {
    CDriveLink* link = wiring_.Link;
    if (link == nullptr || !link->IsConnected()) {
        ShowMessage(kNeedsDrive.Pick(wiring_.Korean));
        return false;
    }
    if (Reading()) return false;
    reading_.emplace();
    readingFor_ = side;
    ReadProgress->setValue(0);
    ReadProgress->show();
    const bool started = reader_.Start([this, link, side, otherId](const std::stop_token&) {
        const auto progress = [this](int registers) {
            QMetaObject::invokeMethod(
                this, [this, registers] { OnReadProgress(registers); }, Qt::QueuedConnection);
        };
        ParamBlock regs{};
        const RtuResult result = otherId != 0 ? link->ReadParamsOf(otherId, &regs, progress)
                                              : link->ReadAllParamsQuietly(progress);
        if (otherId == 0) regs = link->ParamRegs();
        QMetaObject::invokeMethod(
            this, [this, side, result, regs, otherId] { OnDriveRead(side, result, regs, otherId); },
            Qt::QueuedConnection);
    });
    if (!started) {
        reading_.reset();
        readingFor_ = -1;
        ReadProgress->hide();
        return false;
    }
    ShowSide(side);
    UpdateActions();
    return true;
}

void CompareDialog::OnReadProgress(int registers) {
    ReadProgress->setValue(registers);
}

void CompareDialog::OnDriveRead(Side side, RtuResult result, const ParamBlock& regs, uint8_t otherId) {
    reader_.StopAndWait(); // the body has posted this as its last act
    reading_.reset();
    readingFor_ = -1;
    ReadProgress->hide();
    const bool ko = wiring_.Korean;
    if (result != RTU_OK) {
        ShowSide(side);
        UpdateActions();
        ShowMessage(std::string(kDriveReadFail.Pick(ko)) + "\r\n" + DescribeRtuResult(result));
        return;
    }
    const ParamValues values = ValuesFromRegisters(regs);
    const QString readAt =
        Qs(kDriveReadAt.Pick(ko)).arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    if (otherId != 0) {
        // Another drive's values: never the working copy's picture of its drive.
        std::string name;
        for (const auto& [id, n] : otherDrives_)
            if (id == otherId) name = n;
        SideState state{Source::OtherDrive,
                        {},
                        otherId,
                        WholeSet(values),
                        true,
                        Qs(OtherDriveHeader(otherId, name, ko)),
                        readAt};
        sides_[side] = std::move(state);
        ShowSide(side);
        Rebuild();
        return;
    }
    sides_[side] =
        SideState{Source::Drive,
                  {},
                  0,
                  WholeSet(values),
                  true,
                  Qs(kDriveHeader.Pick(ko)),
                  Qs(kDriveReadAt.Pick(ko)).arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")))};
    if (wiring_.Copy) wiring_.Copy->TakeDriveValues(values);
    // A second drive side shows the same read.
    const Side other = side == A ? B : A;
    if (sides_[other].source == Source::Drive && sides_[other].loaded) sides_[other] = sides_[side];
    ShowSide(A);
    ShowSide(B);
    Rebuild();
    UpdateActions();
}

void CompareDialog::OnSourceActivated(Side side, int index) {
    const int first = static_cast<int>(Source::OtherDrive);
    if (index >= first) {
        const auto k = static_cast<size_t>(index - first);
        if (k < otherDrives_.size()) ChooseSource(side, Source::OtherDrive, {}, otherDrives_[k].first);
        return;
    }
    const auto source = static_cast<Source>(index);
    if (source == Source::Backup) {
        const QComboBox* backups = Controls[side].backups;
        if (backups->count() > 0) {
            const int chosen = std::max(0, backups->currentIndex());
            ChooseSource(side, source, PathOf(backups->itemData(chosen).toString()));
        } else {
            ShowMessage(kNoBackups.Pick(wiring_.Korean));
            ShowSide(side);
        }
        return;
    }
    ChooseSource(side, source);
}

void CompareDialog::OnBackupActivated(Side side, int index) {
    const QString path = Controls[side].backups->itemData(index).toString();
    if (!path.isEmpty()) ChooseSource(side, Source::Backup, PathOf(path));
}

// The side's controls as its state says: the source list on its source (none
// before one is chosen), the file or backup chooser of that source.
void CompareDialog::ShowSide(Side side) {
    const SideState& s = sides_[side];
    SideControls& c = Controls[side];
    c.source->setCurrentIndex(EntryOf(s));
    c.backups->setVisible(s.loaded && s.source == Source::Backup);
    if (s.source == Source::Backup) c.backups->setCurrentIndex(c.backups->findData(QsPath(s.file)));
    c.browse->setVisible(s.loaded && s.source == Source::File);
    const QString status = readingFor_ == side ? Qs(kReadingDrive.Pick(wiring_.Korean)) : s.status;
    c.status->setText(status);
    c.status->setToolTip(status);
}

void CompareDialog::Rebuild() {
    const bool ko = wiring_.Korean;
    const ParamSet none;
    const ParamSet& a = sides_[A].loaded ? sides_[A].set : none;
    const ParamSet& b = sides_[B].loaded ? sides_[B].set : none;
    rows_ = CompareSets(a, b);
    differences_ = CountDifferences(rows_);
    shown_.clear();
    for (const CompareRow& row : rows_)
        if (!OnlyDifferences->isChecked() || row.differs) shown_.push_back(row);

    Table->setUpdatesEnabled(false);
    Table->clearContents();
    Table->setRowCount(static_cast<int>(shown_.size()));
    Table->setHorizontalHeaderLabels({Qs(kNumberColumn.Pick(ko)), Qs(kNameColumn.Pick(ko)),
                                      QStringLiteral("A: ") + sides_[A].header,
                                      QStringLiteral("B: ") + sides_[B].header, Qs(kNoteColumn.Pick(ko))});
    for (int r = 0; r < static_cast<int>(shown_.size()); ++r) {
        const CompareRow& row = shown_[static_cast<size_t>(r)];
        const QString texts[kColumnCount] = {Qs(RowNumberText(row)), Qs(RowNameText(row, ko)),
                                             Qs(RowValueText(row, a, ko)), Qs(RowValueText(row, b, ko)),
                                             Qs(RowNoteText(row, ko))};
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (row.differs && (c == 2 || c == 3)) item->setBackground(kDifferingRow);
            Table->setItem(r, c, item);
        }
    }
    // Once, after every cell is written: a column sized to its contents on
    // each write would measure the whole column again for every cell.
    Table->resizeColumnsToContents();
    Table->setUpdatesEnabled(true);
    DifferenceCount->setText(Qs(kDifferenceCount.Pick(ko)).arg(differences_));
    UpdateActions();
}

void CompareDialog::UpdateActions() {
    const bool ko = wiring_.Korean;
    const bool reading = Reading();
    const bool linked = wiring_.Link != nullptr && wiring_.Link->IsConnected();
    const bool anyBackup = Controls[A].backups->count() > 0;
    for (SideControls& c : Controls) {
        EnableEntry(c.source, static_cast<int>(Source::Drive), linked, Qs(kNeedsDrive.Pick(ko)));
        EnableEntry(c.source, static_cast<int>(Source::Backup), anyBackup, Qs(kNoBackups.Pick(ko)));
        for (int k = static_cast<int>(Source::OtherDrive); k < c.source->count(); ++k)
            EnableEntry(c.source, k, linked, Qs(kNeedsDrive.Pick(ko)));
        c.source->setEnabled(!reading);
        c.backups->setEnabled(!reading);
        c.browse->setEnabled(!reading);
    }
    const bool canTake = sides_[B].loaded && sides_[B].source != Source::WorkingCopy;
    TakeButton->setEnabled(!reading && canTake && Table->selectionModel()->hasSelection());
    CopyButton->setEnabled(!shown_.empty());
    ExportButton->setEnabled(!shown_.empty());
    ReadAgainButton->setEnabled(!reading && (sides_[A].loaded || sides_[B].loaded));
    BackupAllButton->setEnabled(!reading && linked);
}

void CompareDialog::FollowPage() {
    if (!isVisible()) return;
    for (Side side : {A, B}) {
        const SideState& s = sides_[side];
        if (s.loaded && s.source == Source::WorkingCopy && wiring_.Copy &&
            wiring_.Copy->Values() != s.set.values)
            ChooseSource(side, Source::WorkingCopy);
    }
    UpdateActions();
}

void CompareDialog::ReadAgain() {
    FillBackupLists();
    for (Side side : {A, B}) {
        const SideState& s = sides_[side];
        if (!s.loaded) continue;
        if (s.source == Source::Drive)
            StartDriveRead(side); // a second drive side takes the same read
        else
            ChooseSource(side, s.source, s.file, s.driveId);
    }
}

void CompareDialog::TakeSelected() {
    if (!sides_[B].loaded || sides_[B].source == Source::WorkingCopy || !wiring_.Copy) return;
    std::vector<CompareRow> rows;
    for (const QModelIndex& index : Table->selectionModel()->selectedRows())
        if (index.row() >= 0 && index.row() < static_cast<int>(shown_.size()))
            rows.push_back(shown_[static_cast<size_t>(index.row())]);
    if (rows.empty()) return;
    const auto taken = static_cast<int>(wiring_.Copy->TakeRows(rows, sides_[B].set).size());
    Note->setText(Qs(kTaken.Pick(wiring_.Korean)).arg(taken));
    if (sides_[A].source == Source::WorkingCopy && sides_[A].loaded)
        ChooseSource(A, Source::WorkingCopy);
    else
        Rebuild();
}

std::vector<CompareRow> CompareDialog::RowsForCopy() const {
    std::vector<CompareRow> rows;
    for (const QModelIndex& index : Table->selectionModel()->selectedRows())
        if (index.row() >= 0 && index.row() < static_cast<int>(shown_.size()))
            rows.push_back(shown_[static_cast<size_t>(index.row())]);
    std::sort(rows.begin(), rows.end(),
              [](const CompareRow& x, const CompareRow& y) { return x.number < y.number; });
    return rows.empty() ? shown_ : rows;
}

void CompareDialog::CopyToClipboard() {
    const ParamSet none;
    const std::string text =
        CompareTableText(RowsForCopy(), sides_[A].loaded ? sides_[A].set : none,
                         sides_[B].loaded ? sides_[B].set : none, "A: " + sides_[A].header.toStdString(),
                         "B: " + sides_[B].header.toStdString(), TableFormat::Tabs, wiring_.Korean);
    QApplication::clipboard()->setText(Qs(text));
}

bool CompareDialog::ExportCsvTo(const std::filesystem::path& path) {
    const ParamSet none;
    const std::string csv =
        CompareTableText(shown_, sides_[A].loaded ? sides_[A].set : none,
                         sides_[B].loaded ? sides_[B].set : none, "A: " + sides_[A].header.toStdString(),
                         "B: " + sides_[B].header.toStdString(), TableFormat::Csv, wiring_.Korean);
    std::string error;
    if (!WriteFileAtomically(path, csv, {&error, wiring_.Korean})) {
        std::string text = kFileSaveError;
        text += "\r\n";
        text += error;
        ShowMessage(text);
        return false;
    }
    return true;
}

QString CompareDialog::AskFile(bool save, const QString& filter) {
    const QString folder = QsPath(ParameterFolder());
    if (FileDialogAnswer) return FileDialogAnswer(save, folder, filter);
    FileDialogOptions options;
    options.Save = save;
    options.Folder = folder;
    options.Filter = filter;
    options.DefaultSuffix = save ? QStringLiteral("csv") : QStringLiteral("par");
    return RunFileDialog(this, options);
}

} // namespace velt
