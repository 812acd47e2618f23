#include "CDlgParameter.h"

#include "app/CVELT_HostApp.h"
#include "app/DialogFont.h"

namespace velt {

CDlgParameter::CDlgParameter(CVELT_HostApp& app, QWidget* frame) : QWidget(frame), app_(app) {
    setObjectName(QStringLiteral("CDlgParameter"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 337));
}

void CDlgParameter::PostParamsRead() {
    QMetaObject::invokeMethod(this, &CDlgParameter::OnParamsRead, Qt::QueuedConnection);
}

void CDlgParameter::OnParamsRead() {
    if (!app_.Link) return;
    ParamValues = ValuesFromRegisters(app_.Link->ParamRegs());
    ++ParamsReadCount;
}

void CDlgParameter::LoadParameterFile() {}

void CDlgParameter::SaveParameterFile() {}

} // namespace velt
