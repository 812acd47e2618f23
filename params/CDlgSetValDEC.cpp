#include "CDlgSetValDEC.h"

#include "app/DialogFont.h"

namespace velt {

CDlgSetValDEC::CDlgSetValDEC() : QDialog(nullptr) {
    setObjectName(QStringLiteral("CDlgSetValDEC"));
    setWindowTitle(QString::fromUtf8("파라메터 변경(DEC)"));
    setFont(DialogFont());
    setFixedSize(DluSize(328, 87));
    setModal(false);
}

} // namespace velt
