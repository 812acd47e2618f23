#include "CDlgSetValHEX.h"

#include "app/DialogFont.h"

namespace velt {

CDlgSetValHEX::CDlgSetValHEX() : QDialog(nullptr) {
    setObjectName(QStringLiteral("CDlgSetValHEX"));
    setWindowTitle(QString::fromUtf8("파라메터 변경(HEX)"));
    setFont(DialogFont());
    setFixedSize(DluSize(328, 117));
    setModal(false);
}

} // namespace velt
