#pragma once
// Parameter page (dialog 324, 660 x 337 dialog units): a child page of the
// main window, hidden at start. For now it keeps the working copy of the
// parameters up to date after every complete read; the table, the store
// sequence and the parameter files come with their own issues.
#include "link/CDriveLink.h"
#include "params/ParFile.h"

#include <QWidget>

namespace velt {

class CVELT_HostApp;

class CDlgParameter : public QWidget, public IParamsReadSink {
    Q_OBJECT
public:
    CDlgParameter(CVELT_HostApp& app, QWidget* frame);

    // Any thread: queues OnParamsRead on the user-interface thread (the
    // parameters-read message). Never blocks.
    void PostParamsRead() override;

    void LoadParameterFile();
    void SaveParameterFile();

    velt::ParamValues ParamValues{}; // the working copy, by parameter number
    int ParamsReadCount = 0; // handled parameters-read messages

public slots:
    void OnParamsRead(); // copies the link's parameter block into ParamValues

private:
    CVELT_HostApp& app_;
};

} // namespace velt
