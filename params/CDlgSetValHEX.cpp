#include "CDlgSetValHEX.h"

#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "params/ParamTexts.h"
#include "params/ValueEntry.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>

namespace velt {

namespace {
constexpr int kBitCount = 8;
// Bit 0 sits at the right, bit 7 at the left.
int BitX(int k) {
    return 126 - 12 * k;
}
} // namespace

CDlgSetValHEX::CDlgSetValHEX(bool korean, ParamWorkingCopy& copy)
    : ValueDialog("CDlgSetValHEX", kBitDialogCaption.Pick(korean), 117, DluRect(6, 84, 54, 30),
                  DluRect(90, 84, 54, 30), korean, copy) {
    ValueLabel = new QLabel(this);
    ValueLabel->setGeometry(DluRect(66, 24, 78, 12));
    ValueLabel->setAlignment(Qt::AlignCenter);
    DescribeState(ValueLabel, QStringLiteral("Value"));

    auto* group = new QGroupBox(this);
    group->setGeometry(DluRect(6, 42, 138, 36));
    group->lower();
    auto* bitCaption = new QLabel(QStringLiteral("BIT"), this);
    bitCaption->setGeometry(DluRect(24, 54, 12, 8));
    for (int k = 0; k < kBitCount; ++k) {
        auto* digit = new QLabel(QString::number(k), this);
        digit->setGeometry(DluRect(BitX(k), 54, 6, 8));
        QCheckBox*& box = BitChecks[static_cast<size_t>(k)];
        box = new QCheckBox(this);
        box->setGeometry(DluRect(BitX(k), 66, 8, 8));
        NameAfterCaption(box, QStringLiteral("BIT %1").arg(k));
        connect(box, &QCheckBox::clicked, this, &CDlgSetValHEX::OnBitClicked);
    }
}

void CDlgSetValHEX::OpenForParameter(const QString& help, int number, int32_t value) {
    Fill(help, number, value);
    ValueLabel->setText(QString::number(value));
    // A bit the parameter cannot hold stays off; one that is set already
    // (a value read from the drive or a file) can still be cleared.
    const unsigned editable = EditableBits(number, value);
    const QString why = Qs(BitRangeText(number, korean_));
    for (int k = 0; k < kBitCount; ++k) {
        QCheckBox* box = BitChecks[static_cast<size_t>(k)];
        box->setChecked(((static_cast<uint32_t>(value) >> k) & 1u) != 0);
        const bool enabled = ((editable >> k) & 1u) != 0;
        box->setEnabled(enabled);
        box->setToolTip(enabled ? QString() : why);
    }
    ShowInFront();
}

void CDlgSetValHEX::OnBitClicked() {
    unsigned bits = 0;
    for (int k = 0; k < kBitCount; ++k)
        if (BitChecks[static_cast<size_t>(k)]->isChecked()) bits |= 1u << k;
    EditValue = ApplyBitsFor(ParamNo, EditValue, bits);
    ValueLabel->setText(QString::number(EditValue));
}

void CDlgSetValHEX::accept() {
    const BitEntry entry = CheckBitEntry(ParamNo, EditValue, korean_);
    if (!entry.ok) {
        ShowMessage(entry.message);
        return;
    }
    StoreEditedValue();
    hide();
}

} // namespace velt
