#pragma once
// The one way this program asks for a file name. The dialog is Qt's own
// (the same on every platform) with an icon provider that goes by a file's
// name and kind alone: neither the icons nor the type column ever open a
// file to look at its contents, so a folder such as /proc, a FIFO without a
// writer or a file that never ends cannot hang the dialog or its closing.
#include <QFileIconProvider>
#include <QString>

class QFileDialog;
class QWidget;

namespace velt {

struct FileDialogOptions {
    bool Save = false; // a save dialog (asks before overwriting), else an open dialog
    QString Caption;
    QString Folder;        // where the dialog starts
    QString FileName;      // the name selected at the start ("*.par"), may be empty
    QString Filter;        // "VELT Parameter File(*.par)"
    QString DefaultSuffix; // added to a typed name without one, may be empty
};

// Icons and type texts from the name and the kind (folder, file, drive)
// only. The type of a file is the one its extension says ("PNG image"),
// else a plain "File".
class NameOnlyIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

// The provider every file dialog of this program uses.
NameOnlyIconProvider* FileDialogIconProvider();

// Makes `dialog` one of ours: not the platform's native dialog, the
// provider above, no custom folder icons.
void MakeFileDialogSafe(QFileDialog* dialog);

// Shows the dialog modally (a close of the main window waits for it, as for
// a message box). The chosen path, or an empty text when the user cancels.
QString RunFileDialog(QWidget* parent, const FileDialogOptions& options);

} // namespace velt
