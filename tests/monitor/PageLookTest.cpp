// The monitoring page's look in both languages, its accessible names, what a
// disconnected page shows and does, and the frame lists with their menu.
#include "PageFixture.h"
#include "controls/CButtonST.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "monitor/FrameLogList.h"
#include "monitor/MonitorTexts.h"
#include "repeat/CDlgRepeat.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

namespace velt {
namespace {

using namespace std::chrono_literals;

QString AccessibleText(QObject* object, QAccessible::Text t) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(t) : QStringLiteral("<none>");
}

QStringList LabelTexts(const QWidget* page) {
    QStringList texts;
    for (const QLabel* label : page->findChildren<QLabel*>())
        texts.push_back(label->text());
    return texts;
}

using PageLookTest = PageTest;

TEST_F(PageLookTest, EnglishCaptionsGridTextsColoursAndEditDefaults) {
    StartPage(0);
    const QStringList labels = LabelTexts(page);
    for (const char* caption :
         {"Control Mode", "Command Form", "Switch Control Mode", "Switch Command Form", "POS", "SPEED",
          "TORQ", "Enc Clear", "Send", "Receive", "CRC Error", "TimeOut Error"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(caption))) << caption;
    EXPECT_EQ(page->ModeSwitchButton->text(), "Control Mode Switching");
    EXPECT_EQ(page->PositionEdit->text(), "100000");
    EXPECT_EQ(page->SpeedEdit->text(), "500");
    EXPECT_EQ(page->TorqueEdit->text(), "300");
    EXPECT_EQ(page->EncoderClearEdit->text(), "0");
    EXPECT_EQ(page->RepeatButton->text(), "Repeat Test");
    EXPECT_EQ(page->RepeatButton->CaptionColour(), Qrgb(255, 107, 26));

    const CGridCtrl* s = page->StateGrid;
    ASSERT_EQ(s->GetRowCount(), 3);
    ASSERT_EQ(s->GetColumnCount(), 12);
    EXPECT_EQ(Cell(s, 0, 0), "Driver State");
    EXPECT_EQ(Cell(s, 1, 2), "Position");
    EXPECT_EQ(Cell(s, 1, 8), "Ext Volume");
    EXPECT_EQ(Cell(s, 2, 10), "-");
    EXPECT_EQ(s->GetColumnWidth(0), 70);
    EXPECT_EQ(s->GetColumnWidth(11), 91);
    EXPECT_EQ(s->GetItemBkColour(2, 4), Rgb(50, 70, 50));
    EXPECT_EQ(s->GetItemFgColour(0, 1), Rgb(0, 0, 255));
    EXPECT_EQ(s->GetItemFgColour(1, 1), Rgb(255, 0, 0));
    EXPECT_EQ(s->GetItemFgColour(1, 11), Rgb(0, 0, 128));

    const CGridCtrl* in = page->InputGrid;
    const CGridCtrl* out = page->OutputGrid;
    ASSERT_EQ(in->GetRowCount(), 4);
    ASSERT_EQ(in->GetColumnCount(), 9);
    EXPECT_EQ(Cell(in, 0, 0), "D/I");
    EXPECT_EQ(Cell(out, 0, 0), "D/O");
    EXPECT_EQ(Cell(in, 3, 0), "Pol");
    EXPECT_EQ(Cell(in, 0, 8), "IN 8");
    EXPECT_EQ(Cell(out, 0, 4), "OUT 4");
    EXPECT_EQ(Cell(out, 0, 5), "-");
    EXPECT_EQ(in->GetItemBkColour(1, 0), in->GetDefaultCell(true, false).bk);
    EXPECT_EQ(in->GetColumnWidth(8), 112);
    // The three tables fit their places: no scroll bars.
    for (const CGridCtrl* g : {s, in, out})
        EXPECT_LE(g->Model().TotalHeight(), g->height() - 2 * g->frameWidth());

    EXPECT_EQ(page->ControlModeLabel->TextColour(), Qrgb(128, 0, 0));
    EXPECT_EQ(page->CommandFormLabel->TextColour(), Qrgb(0, 0, 128));
    EXPECT_FALSE(page->CrcErrorCount->isVisible());
    EXPECT_FALSE(page->TimeOutCount->isVisible());
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(page->Lamp(k)->text(), QString::fromUtf8(kLampCaptions[k]));
}

TEST_F(PageLookTest, KoreanCaptionsAndGridTexts) {
    StartPage(1);
    const QStringList labels = LabelTexts(page);
    for (const char* caption : {"제어모드", "지령방법", "전환 제어모드", "전환 지령방법"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(caption))) << caption;
    EXPECT_EQ(page->ModeSwitchButton->text(), QString::fromUtf8("제어모드 전환"));
    EXPECT_EQ(Cell(page->StateGrid, 0, 0), QString::fromUtf8("Driver 상태"));
    EXPECT_EQ(Cell(page->StateGrid, 1, 6), QString::fromUtf8("현재 전류"));
    EXPECT_EQ(Cell(page->InputGrid, 1, 0), QString::fromUtf8("기능"));
    EXPECT_EQ(Cell(page->OutputGrid, 3, 0), QString::fromUtf8("극성"));
    EXPECT_TRUE(WaitFor([this] { return Cell(page->InputGrid, 3, 1) == QString::fromUtf8("B 접점"); }));
    EXPECT_EQ(page->SendList->CopyAction()->text(), QString::fromUtf8("복사"));
    EXPECT_EQ(page->SendList->SaveAsAction()->text(), QString::fromUtf8("다른 이름으로 저장…"));
    EXPECT_EQ(AccessibleText(page->Lamp(0), QAccessible::Description), QString::fromUtf8("꺼짐"));
}

TEST_F(PageLookTest, EveryControlHasAnAccessibleName) {
    StartPage(0);
    for (QWidget* w : page->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QLabel*>(w) || qobject_cast<QListWidget*>(w) ||
                             qobject_cast<CGridCtrl*>(w) || qobject_cast<QGroupBox*>(w);
        if (!control) continue;
        EXPECT_FALSE(AccessibleText(w, QAccessible::Name).isEmpty()) << w->metaObject()->className();
    }
    EXPECT_EQ(AccessibleText(page->RunButton, QAccessible::Name), "RUN");
    EXPECT_EQ(AccessibleText(page->EncoderResetButton, QAccessible::Name), "Encoder Reset");
    EXPECT_EQ(AccessibleText(page->RepeatButton, QAccessible::Name), "Repeat Test");
    EXPECT_EQ(AccessibleText(page->OutputButtons[3], QAccessible::Name), "OUT 2 OFF");
    EXPECT_EQ(AccessibleText(page->PositionEdit, QAccessible::Name), "POS");
    EXPECT_EQ(AccessibleText(page->EncoderClearEdit, QAccessible::Name), "Enc Clear");
    EXPECT_EQ(AccessibleText(page->SendList, QAccessible::Name), "Send");
    EXPECT_EQ(AccessibleText(page->ReceiveList, QAccessible::Name), "Receive");
    EXPECT_EQ(AccessibleText(page->StateGrid, QAccessible::Name), "State");
    EXPECT_EQ(AccessibleText(page->CrcErrorCount, QAccessible::Name), "CRC Error");
    EXPECT_EQ(AccessibleText(page->Lamp(4), QAccessible::Name), "Inposition");
    EXPECT_EQ(AccessibleText(page->Lamp(4), QAccessible::Description), "off");
    EXPECT_EQ(AccessibleText(page->ControlModeLabel, QAccessible::Name), "Control Mode");
    page->UpdateIndicators();
    EXPECT_EQ(AccessibleText(page->ControlModeLabel, QAccessible::Description), " Position Control");
    EXPECT_EQ(AccessibleText(app->RtuMonitor()->RegisterGrid, QAccessible::Name), "Register Monitor");
}

QString TableCell(CGridCtrl* grid, int row, int col) {
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(grid)->tableInterface();
    if (table == nullptr) return QStringLiteral("<no table>");
    QAccessibleInterface* cell = table->cellAt(row, col);
    return cell != nullptr ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
}

// Screen readers and automation tools read the drive's values from the grids.
TEST_F(PageLookTest, TheGridsAndTheRegisterStripReadAsTables) {
    StartPage(0);
    page->QueueTxFrame(0, nullptr); // any tick will do
    ASSERT_TRUE(WaitFor([this] { return Cell(page->StateGrid, 0, 1) == "0"; }));
    QAccessibleTableInterface* state =
        QAccessible::queryAccessibleInterface(page->StateGrid)->tableInterface();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->rowCount(), 3);
    EXPECT_EQ(state->columnCount(), 12);
    EXPECT_EQ(TableCell(page->StateGrid, 0, 0), "Driver State");
    EXPECT_EQ(TableCell(page->StateGrid, 0, 1), "0");
    EXPECT_EQ(TableCell(page->InputGrid, 1, 1), " 0 : USER");
    EXPECT_EQ(TableCell(page->OutputGrid, 0, 4), "OUT 4");

    CGridCtrl* strip = app->RtuMonitor()->RegisterGrid;
    EXPECT_EQ(TableCell(strip, 0, 4), "DI_REG") << "a merged title answers for every cell it covers";
    QAccessibleInterface* title =
        QAccessible::queryAccessibleInterface(strip)->tableInterface()->cellAt(0, 9);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->tableCellInterface()->columnExtent(), 3);
    EXPECT_EQ(TableCell(strip, 1, 11), "0");
}

TEST_F(PageLookTest, DisconnectedEveryButtonIsSilentAndTheModeLabelsAreGrey) {
    StartDrive();
    StartPage(0);
    page->PositionEdit->setText("1O000"); // not even checked while disconnected
    for (QPushButton* b :
         {page->RunButton, page->StopButton, page->EmgButton, page->ResetButton, page->ServoOnButton,
          page->ServoOffButton, page->HomeButton, page->EncoderResetButton, page->ModeSwitchButton})
        b->click();
    for (QPushButton* b : page->OutputButtons)
        b->click();
    Pump(100ms);
    EXPECT_TRUE(drive->Requests().empty());
    EXPECT_TRUE(answers.Texts.empty());
    EXPECT_EQ(page->SendList->count(), 0);
    EXPECT_EQ(page->ReceiveList->count(), 0);

    page->UpdateIndicators();
    for (CColorStatic* label : {page->ControlModeLabel, page->CommandFormLabel, page->SwitchControlModeLabel,
                                page->SwitchCommandFormLabel}) {
        EXPECT_EQ(label->BkColour(), Qrgb(50, 50, 50));
        EXPECT_EQ(label->TextColour(), Qrgb(128, 128, 128));
    }
    EXPECT_EQ(page->AlarmLabel->text(), " 0 : Alarm None");
    EXPECT_EQ(page->AlarmLabel->BkColour(), Qrgb(0, 128, 0));
    EXPECT_EQ(page->Lamp(0)->BkColour(), Qrgb(50, 50, 50));
    EXPECT_EQ(Cell(page->StateGrid, 0, 1), "0");

    // "Repeat Test" needs only the link object.
    page->RepeatButton->click();
    EXPECT_TRUE(app->Repeat()->isVisible());
}

TEST_F(PageLookTest, TheFiftySecondFrameRemovesTheOldestLineAndAnEmptyReplyIsAnEmptyLine) {
    StartPage(0);
    for (int i = 0; i < 52; ++i) {
        const uint8_t frame[3] = {1, 3, static_cast<uint8_t>(i)};
        page->QueueTxFrame(3, frame);
    }
    page->QueueRxFrame(0, nullptr);
    ASSERT_TRUE(WaitFor([this] {
        return page->SendList->count() == 51 && page->SendList->Lines().Lines().back().Text == "01 03 33 ";
    }));
    EXPECT_EQ(page->SendList->item(0)->text(), "01 03 01 ");
    EXPECT_EQ(page->SendList->item(50)->text(), "01 03 33 ");
    EXPECT_EQ(page->SendList->Lines().Lines().front().Text, "01 03 01 ");
    ASSERT_EQ(page->ReceiveList->count(), 1);
    EXPECT_EQ(page->ReceiveList->item(0)->text(), "");
    Pump(50ms);
    EXPECT_EQ(page->SendList->count(), 51);
}

TEST_F(PageLookTest, TheListMenuCopiesTheSelectedLinesClearsAndSavesBothListsWithTimes) {
    StartPage(0);
    const uint8_t request[8] = {1, 6, 0, 0x78, 0, 4, 8, 0x10};
    const uint8_t reply[5] = {1, 0x86, 4, 0x43, 0xA3};
    for (int i = 0; i < 3; ++i) {
        page->QueueTxFrame(8 - i, request);
        page->QueueRxFrame(5, reply);
    }
    ASSERT_TRUE(WaitFor([this] { return page->SendList->count() == 3 && page->ReceiveList->count() == 3; }));
    FrameLogList* send = page->SendList;
    EXPECT_EQ(send->CopyAction()->text(), "Copy");
    EXPECT_EQ(send->ClearAction()->text(), "Clear");
    EXPECT_EQ(send->SaveAsAction()->text(), "Save As…");

    send->item(2)->setSelected(true);
    send->item(0)->setSelected(true);
    send->CopyAction()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "01 06 00 78 00 04 08 10 \n01 06 00 78 00 04 ");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("frames.txt");
    ASSERT_TRUE(page->SaveLogTo(path));
    std::ifstream file(path.toStdString(), std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::string text = content.str();
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].substr(23), "  Send     01 06 00 78 00 04 08 10");
    EXPECT_EQ(lines[1].substr(23), "  Receive  01 86 04 43 A3");
    EXPECT_EQ(lines[4].substr(23), "  Send     01 06 00 78 00 04");
    EXPECT_EQ(lines[0][19], '.') << "arrival time to the millisecond";

    EXPECT_FALSE(page->SaveLogTo(dir.filePath("no/such/folder/frames.txt")));
    ASSERT_EQ(answers.Texts.size(), 1u);
    EXPECT_EQ(answers.Texts[0].rfind("The frame log could not be saved.", 0), 0u);

    send->ClearAction()->trigger();
    EXPECT_EQ(send->count(), 0);
    EXPECT_TRUE(send->Lines().Lines().empty());
    EXPECT_EQ(page->ReceiveList->count(), 3);
}

} // namespace
} // namespace velt
