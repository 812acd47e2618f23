#pragma once
// What the two value entry dialogs share: a top-level window without parent,
// created once and only shown and hidden; the parameter number, the help
// text, OK and Cancel, and the store into the working copy the parameter page
// shows. User-interface thread only.
#include "params/ParamWorkingCopy.h"

#include <QDialog>

#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace velt {

class ValueDialog : public QDialog {
    Q_OBJECT
public:
    int16_t ParamNo = 0;   // the parameter being edited
    int32_t EditValue = 0; // the value being edited

    QLabel* NumberLabel = nullptr;
    QLabel* ValueCaption = nullptr; // "Value :", beside the value at 66,24
    QPlainTextEdit* HelpEdit = nullptr;
    QPushButton* OkButton = nullptr;     // 1
    QPushButton* CancelButton = nullptr; // 2

public slots:
    // Cancel, Escape and the close box: hide; nothing is stored.
    void reject() override;

protected:
    // Caption, size in dialog units and the OK and Cancel buttons' places;
    // `copy` takes the confirmed values and outlives the dialog.
    ValueDialog(const char* objectName, const char* caption, int heightDlu, const QRect& okRect,
                const QRect& cancelRect, bool korean, ParamWorkingCopy& copy);

    // Steps shared by OpenForParameter: number, value, help text.
    void Fill(const QString& help, int number, int32_t value);
    // Shows the dialog in front (it may be open already for another parameter).
    void ShowInFront();
    // EditValue into the working copy for ParamNo (both words of a pair).
    void StoreEditedValue();

    const bool korean_;
    ParamWorkingCopy& copy_;
};

} // namespace velt
