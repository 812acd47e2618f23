#include "QtMessageService.h"

#include "controls/BusyScope.h"

#include <QApplication>
#include <QMessageBox>

namespace velt {

namespace {
QString Lines(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
} // namespace

MsgResult QtMessageService::Show(const std::string& text, MsgButtons buttons) {
    return ShowWithDetails(text, std::string(), buttons);
}

MsgResult QtMessageService::ShowWithDetails(const std::string& text, const std::string& details,
                                            MsgButtons buttons) {
    // The box runs its own event loop; a close of the main window arriving meanwhile (a stop
    // signal) waits for the box, so neither the box's parent nor the caller's window goes first.
    const BusyScope busy;
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("VELT_Host"));
    box.setText(Lines(text));
    if (!details.empty()) box.setDetailedText(Lines(details));
    if (buttons == MsgButtons::YesNoCancel) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        const int answer = box.exec();
        return answer == QMessageBox::Yes  ? MsgResult::Yes
               : answer == QMessageBox::No ? MsgResult::No
                                           : MsgResult::Cancel;
    }
    if (buttons == MsgButtons::YesNo) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    }
    box.setIcon(QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgResult::Ok;
}

} // namespace velt
