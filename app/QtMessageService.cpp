#include "QtMessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace velt {

MsgResult QtMessageService::Show(const std::string& text, MsgButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("VELT_Host"));
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
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
