#include "ValueDialog.h"

#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "params/ParamTexts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace velt {

ValueDialog::ValueDialog(const char* objectName, const char* caption, int heightDlu, const QRect& okRect,
                         const QRect& cancelRect, bool korean, ParamWorkingCopy& copy)
    : QDialog(nullptr), korean_(korean), copy_(copy) {
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(Qs(caption));
    setFont(DialogFont());
    setFixedSize(DluSize(328, heightDlu));
    setModal(false);

    auto* numberCaption = new QLabel(QStringLiteral("Parameter No :"), this);
    numberCaption->setGeometry(DluRect(6, 6, 54, 12));
    NumberLabel = new QLabel(this);
    NumberLabel->setGeometry(DluRect(66, 6, 78, 12));
    NumberLabel->setAlignment(Qt::AlignCenter);
    DescribeState(NumberLabel, QStringLiteral("Parameter No"));
    ValueCaption = new QLabel(QStringLiteral("Value :"), this);
    ValueCaption->setGeometry(DluRect(6, 24, 54, 12));

    HelpEdit = new QPlainTextEdit(this);
    HelpEdit->setGeometry(DluRect(148, 6, 174, 72));
    HelpEdit->setReadOnly(true);
    HelpEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    NameAfterCaption(HelpEdit, Qs(kHelpTextName.Pick(korean)));

    OkButton = new QPushButton(Qs(kDialogOk.Pick(korean)), this);
    OkButton->setGeometry(okRect);
    OkButton->setDefault(true); // Enter, unless the focus is on Cancel
    CancelButton = new QPushButton(Qs(kDialogCancel.Pick(korean)), this);
    CancelButton->setGeometry(cancelRect);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &ValueDialog::reject);
}

void ValueDialog::reject() {
    hide();
}

void ValueDialog::Fill(const QString& help, int number, int32_t value) {
    ParamNo = static_cast<int16_t>(number);
    NumberLabel->setText(QString::number(number));
    EditValue = value;
    QString text = help;
    HelpEdit->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void ValueDialog::ShowInFront() {
    show();
    raise();
    activateWindow();
}

void ValueDialog::StoreEditedValue() {
    copy_.StoreEdited(ParamNo, EditValue);
}

} // namespace velt
