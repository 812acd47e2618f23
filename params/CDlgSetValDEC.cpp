#include "CDlgSetValDEC.h"

#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "link/DriveMap.h"
#include "params/ParamTexts.h"
#include "params/ValueEntry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velt {

CDlgSetValDEC::CDlgSetValDEC(bool korean, ParamWorkingCopy& copy)
    : ValueDialog("CDlgSetValDEC", kDecimalDialogCaption.Pick(korean), 87, DluRect(12, 54, 54, 24),
                  DluRect(84, 54, 54, 24), korean, copy) {
    ValueEdit = new QLineEdit(this);
    ValueEdit->setGeometry(DluRect(66, 24, 78, 12));
    ValueEdit->setAlignment(Qt::AlignCenter);
    NameAfterLabel(ValueEdit, ValueCaption);
    setTabOrder(ValueEdit, OkButton);
}

void CDlgSetValDEC::OpenForParameter(const QString& help, int number, int32_t value) {
    Fill(help, number, value);
    ValueEdit->setText(QString::number(value));
    ShowInFront();
    ValueEdit->setFocus();
    ValueEdit->selectAll();
}

void CDlgSetValDEC::accept() {
    const DecimalEntry entry =
        CheckDecimalEntry(ValueEdit->text().toStdString(), ParamNo, copy_.Values(), korean_);
    if (!entry.ok) {
        ShowMessage(entry.message);
        ValueEdit->setFocus();
        return;
    }
    EditValue = entry.value;
    StoreEditedValue();
    hide();
    if (ParamNo == drive::ParamBaudRate) ShowMessage(BaudRateNoticeText(korean_));
}

} // namespace velt
