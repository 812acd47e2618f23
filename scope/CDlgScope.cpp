#include "CDlgScope.h"

#include "app/DialogFont.h"

namespace velt {

CDlgScope::CDlgScope() : QDialog(nullptr) {
    setObjectName(QStringLiteral("CDlgScope"));
    setWindowTitle(QString::fromUtf8("Scope"));
    setFont(DialogFont());
    setFixedSize(DluSize(539, 244));
    setModal(false);
}

} // namespace velt
