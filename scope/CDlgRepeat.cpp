#include "CDlgRepeat.h"

#include "app/DialogFont.h"

namespace velt {

CDlgRepeat::CDlgRepeat() : QDialog(nullptr) {
    setObjectName(QStringLiteral("CDlgRepeat"));
    setWindowTitle(QString::fromUtf8("Repeat"));
    setFont(DialogFont());
    setFixedSize(DluSize(277, 142));
    setModal(false);
}

} // namespace velt
