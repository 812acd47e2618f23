#include "CMainFrame.h"

#include "CVELT_HostApp.h"
#include "ShellTexts.h"
#include "controls/DialogFont.h"

#include <QCloseEvent>

namespace velt {

CMainFrame::CMainFrame(CVELT_HostApp& app)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      app_(app) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QString::fromStdString(MainWindowTitle()));
    setFont(DialogFont());
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (app_.IsBusy()) {
        app_.CloseWhenIdle();
        event->ignore();
        return;
    }
    app_.Shutdown();
    event->accept();
}

} // namespace velt
