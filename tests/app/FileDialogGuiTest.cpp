// Every file dialog of the program, driven as a user would: a path typed into
// the dialog's own line edit and accepted. A path that would block (a FIFO
// without a writer) must neither hang the program nor pass without a word,
// and no dialog may read a file's contents to show it.
#include "controls/CButtonST.h"
#include "controls/FileDialogs.h"
#include "monitor/CDlgMonitoring.h"
#include "params/ParamFileActions.h"
#include "scope/CDlgScope.h"
#include "scope/COScopeCtrl.h"
#include "tests/support/ParamPageFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <thread>

using namespace velt;
using namespace velt::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Fails the test instead of letting it hang: when the guarded code has not
// finished in time, the watchdog opens both ends of the FIFO (which frees a
// thread blocked opening or reading it) and says so; should even that not
// end the wait, it ends the process.
class Watchdog {
public:
    Watchdog(fs::path fifo, std::chrono::seconds limit)
        : fifo_(std::move(fifo)), thread_([this, limit] { Watch(limit); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    bool Fired() const { return fired_.load(); }

private:
    void Watch(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, limit, [this] { return done_; })) return;
        fired_ = true;
        std::fprintf(stderr, "watchdog: the program hangs on %s\n", fifo_.c_str());
        const int reader = ::open(fifo_.c_str(), O_RDONLY | O_NONBLOCK);
        const int writer = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
        const bool freed = wake_.wait_for(lock, 10s, [this] { return done_; });
        if (reader >= 0) ::close(reader);
        if (writer >= 0) ::close(writer);
        if (!freed) {
            std::fprintf(stderr, "watchdog: still hanging, ending the test program\n");
            std::abort();
        }
    }

    fs::path fifo_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

// Answers the next file dialog as a user would: looks at it (inspect), types
// `path` into its file name field and accepts; a question whether to replace
// the file is answered Yes.
class DialogUser {
public:
    explicit DialogUser(QString path, std::function<void(QFileDialog*)> inspect = {})
        : path_(std::move(path)), inspect_(std::move(inspect)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Step(); });
        timer_.start(10);
    }
    int DialogsSeen = 0;
    int QuestionsAnswered = 0;

private:
    void Step() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes); yes != nullptr && box != answered_) {
                answered_ = box;
                ++QuestionsAnswered;
                QTimer::singleShot(0, yes, &QAbstractButton::click);
            }
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr || dialog == handled_) return;
        handled_ = dialog;
        ++DialogsSeen;
        if (inspect_) inspect_(dialog);
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (edit == nullptr) {
            ADD_FAILURE() << "the dialog has no file name field";
            dialog->reject();
            return;
        }
        edit->setText(path_);
        // The dialog's Open or Save button.
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QPushButton* ok = buttons == nullptr ? nullptr
                                             : buttons->button(dialog->acceptMode() == QFileDialog::AcceptSave
                                                                   ? QDialogButtonBox::Save
                                                                   : QDialogButtonBox::Open);
        if (ok == nullptr || !ok->isEnabled()) {
            ADD_FAILURE() << "the dialog's button does not take " << path_.toStdString();
            dialog->reject();
            return;
        }
        // Pressed from the event loop: the dialog may ask a question in a
        // loop of its own, which this timer must be free to answer.
        QTimer::singleShot(0, ok, &QPushButton::click);
    }

    QString path_;
    std::function<void(QFileDialog*)> inspect_;
    QFileDialog* handled_ = nullptr;
    QMessageBox* answered_ = nullptr;
    QTimer timer_;
};

QString Q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

class FileDialogs : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        fifo = root / "blocking.par";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        // A file whose name says nothing and whose contents say PNG.
        sniffFolder = root / "sniff";
        fs::create_directories(sniffFolder);
        std::ofstream(sniffFolder / "picture", std::ios::binary)
            << std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0", 29);
    }

    // What every dialog of ours must be: Qt's own dialog with the provider
    // that goes by names, and a type column that did not read the file.
    void ExpectSafe(QFileDialog* dialog) {
        ++inspected;
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog->iconProvider(), FileDialogIconProvider());
        auto* model = dialog->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        // The file does not pass the dialog's filter: shown greyed, not hidden.
        model->setNameFilterDisables(true);
        dialog->setDirectory(Q(sniffFolder));
        const QString picture = Q(sniffFolder / "picture");
        QString type;
        EXPECT_TRUE(WaitUntil([&] {
            type = model->type(model->index(picture));
            return !type.isEmpty();
        })) << "dialog "
            << inspected << " valid " << model->index(picture).isValid() << " rows "
            << model->rowCount(model->index(Q(sniffFolder))) << " root " << model->rootPath().toStdString()
            << " dir " << dialog->directory().absolutePath().toStdString();
        EXPECT_EQ(type, QStringLiteral("File"))
            << type.toStdString() << ": the type was read from the contents";
    }

    // The boxes shown, as one text for failure messages.
    std::string AllBoxes() const {
        std::string all;
        for (const std::string& t : shown.Texts())
            all += t + "\n---\n";
        return all;
    }

    fs::path fifo;
    fs::path sniffFolder;
    int inspected = 0;
};

} // namespace

TEST_F(FileDialogs, TheParameterPagesLoadAndSaveRefuseAFifoWithAMessageAndNeverHang) {
    Start();
    velt::ParamValues sevens{};
    sevens.fill(7);
    Page().WorkingCopy().TakeFile(WholeSet(sevens));
    {
        Watchdog watchdog(fifo, 20s);
        DialogUser user(Q(fifo), [this](QFileDialog* d) { ExpectSafe(d); });
        app->MenuBar()->LoadButton->click();
        EXPECT_EQ(user.DialogsSeen, 1);
        EXPECT_FALSE(watchdog.Fired());
    }
    ASSERT_EQ(shown.Texts().size(), 1u) << AllBoxes();
    EXPECT_EQ(shown.Texts()[0],
              LoadErrorText(fifo, "it is not a regular file (a device, a pipe or a socket)"));
    EXPECT_EQ(Page().WorkingCopy().Values()[0], 7);
    {
        Watchdog watchdog(fifo, 20s);
        DialogUser user(Q(fifo), [this](QFileDialog* d) { ExpectSafe(d); });
        app->MenuBar()->SaveButton->click();
        EXPECT_EQ(user.DialogsSeen, 1);
        EXPECT_FALSE(watchdog.Fired());
    }
    ASSERT_EQ(shown.Texts().size(), 2u) << AllBoxes();
    EXPECT_EQ(shown.Texts()[1], "File Save Error\r\n" + fifo.string() +
                                    ": it is not a regular file (a device, a pipe or a socket)");
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo) << "the FIFO was replaced";
    EXPECT_EQ(inspected, 2);
}

TEST_F(FileDialogs, AnEmptyParameterFileIsAFileLoadErrorWithItsReason) {
    Start();
    velt::ParamValues sevens{};
    sevens.fill(7);
    Page().WorkingCopy().TakeFile(WholeSet(sevens));
    const fs::path empty = root / "empty.par";
    std::ofstream(empty).flush();
    const fs::path blank = root / "blank.par";
    std::ofstream(blank, std::ios::binary) << "\xEF\xBB\xBF \r\n\t\r\n";
    for (const fs::path& file : {empty, blank}) {
        DialogUser user(Q(file));
        app->MenuBar()->LoadButton->click();
        EXPECT_EQ(user.DialogsSeen, 1);
    }
    EXPECT_EQ(shown.Texts(), (std::vector<std::string>{LoadErrorText(empty, "the file is empty"),
                                                       LoadErrorText(blank, "the file is empty")}));
    EXPECT_EQ(Page().WorkingCopy().Values()[0], 7);
}

TEST_F(FileDialogs, TheFrameLogsSaveAsRefusesAFifoWithTheFileAndTheReason) {
    Start();
    {
        Watchdog watchdog(fifo, 20s);
        DialogUser user(Q(fifo), [this](QFileDialog* d) { ExpectSafe(d); });
        app->Monitoring()->SaveLogAs();
        EXPECT_EQ(user.DialogsSeen, 1);
        EXPECT_FALSE(watchdog.Fired());
    }
    ASSERT_EQ(shown.Texts().size(), 1u) << AllBoxes();
    EXPECT_EQ(shown.Texts()[0], "The frame log could not be saved.\r\n" + fifo.string() +
                                    ": it is not a regular file (a device, a pipe or a socket)");
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

TEST_F(FileDialogs, ScopeExportsThatCannotBeWrittenNameTheFileAndTheReason) {
    Start();
    COScopeCtrl* chart = app->Scope(0)->Chart;
    const COScopeCtrl::FileNameHook none = COScopeCtrl::SetFileNameHook({});
    for (const bool image : {false, true}) {
        Watchdog watchdog(fifo, 20s);
        DialogUser user(Q(fifo), [this](QFileDialog* d) { ExpectSafe(d); });
        if (image)
            chart->OnSaveImage();
        else
            chart->OnExportCsv();
        EXPECT_EQ(user.DialogsSeen, 1);
        EXPECT_FALSE(watchdog.Fired());
    }
    ASSERT_EQ(shown.Texts().size(), 2u) << AllBoxes();
    EXPECT_EQ(shown.Texts()[0], "File Save Error\r\n" + fifo.string() +
                                    ": it is not a regular file (a device, a pipe or a socket)");
    EXPECT_EQ(shown.Texts()[1], "File Save Error\r\n" + fifo.string() +
                                    ": it is not a regular file (a device, a pipe or a socket)");
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);

    // A "folder" that is a file: the system's reason.
    const fs::path plain = root / "plain";
    std::ofstream(plain) << "x";
    {
        DialogUser user(Q(plain / "trace.csv"));
        chart->OnExportCsv();
        EXPECT_EQ(user.DialogsSeen, 1);
    }
    {
        DialogUser user(Q(plain / "trace.png"));
        chart->OnSaveImage();
        EXPECT_EQ(user.DialogsSeen, 1);
    }
    COScopeCtrl::SetFileNameHook(none);
    ASSERT_EQ(shown.Texts().size(), 4u) << AllBoxes();
    EXPECT_EQ(shown.Texts()[2].rfind("File Save Error\r\n" + (plain / "trace.csv").string() + ": ", 0), 0u)
        << shown.Texts()[2];
    EXPECT_NE(shown.Texts()[2].find("Not a directory"), std::string::npos) << shown.Texts()[2];
    EXPECT_EQ(shown.Texts()[3].rfind("File Save Error\r\n" + (plain / "trace.png").string() + ": ", 0), 0u)
        << shown.Texts()[3];
    EXPECT_GT(shown.Texts()[3].size(),
              ("File Save Error\r\n" + (plain / "trace.png").string() + ": ").size() + 3)
        << "a reason follows the file";
}

TEST_F(FileDialogs, InKoreanQtsOwnButtonsAndOurReasonsAreKorean) {
    Start(1);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok);
    box.setDetailedText(QStringLiteral("details"));
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("예(&Y)"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("아니요(&N)"));
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("확인"));

    const fs::path empty = root / "empty.par";
    std::ofstream(empty).flush();
    {
        DialogUser user(Q(empty), [](QFileDialog* d) {
            // Qt's own dialog speaks Korean too.
            auto* buttons = d->findChild<QDialogButtonBox*>();
            ASSERT_NE(buttons, nullptr);
            EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("취소"));
        });
        app->MenuBar()->LoadButton->click();
    }
    {
        DialogUser user(Q(fifo));
        app->MenuBar()->SaveButton->click();
    }
    ASSERT_EQ(shown.Texts().size(), 2u) << AllBoxes();
    EXPECT_EQ(shown.Texts()[0], LoadErrorText(empty, "파일이 비어 있습니다"));
    EXPECT_EQ(shown.Texts()[1],
              "File Save Error\r\n" + fifo.string() + ": 일반 파일이 아닙니다 (장치, 파이프 또는 소켓)");
}
