// File dialogs that never read a file to show it.
#include "controls/FileDialogs.h"

#include "controls/BusyScope.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMimeDatabase>

namespace velt {

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot()) return icon(QAbstractFileIconProvider::Drive);
    if (info.isDir()) return icon(QAbstractFileIconProvider::Folder);
    return icon(QAbstractFileIconProvider::File);
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
    // Folders and drives: the base class says so from the metadata alone.
    if (info.isRoot() || info.isDir()) return QFileIconProvider::type(info);
    // Files: by the extension only (the default would read the contents when
    // the name says nothing). Texts of Qt's own, translated with its dialogs.
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    if (!mime.isDefault() && !mime.comment().isEmpty()) return mime.comment();
    const QString suffix = info.suffix();
    if (suffix.isEmpty()) return QCoreApplication::translate("QAbstractFileIconProvider", "File");
    return QCoreApplication::translate("QAbstractFileIconProvider", "%1 File").arg(suffix);
}

NameOnlyIconProvider* FileDialogIconProvider() {
    static NameOnlyIconProvider provider;
    return &provider;
}

void MakeFileDialogSafe(QFileDialog* dialog) {
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::DontUseCustomDirectoryIcons, true);
    dialog->setIconProvider(FileDialogIconProvider());
}

QString RunFileDialog(QWidget* parent, const FileDialogOptions& options) {
    const BusyScope busy;
    QFileDialog dialog(parent, options.Caption, options.Folder, options.Filter);
    MakeFileDialogSafe(&dialog);
    dialog.setAcceptMode(options.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(options.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!options.DefaultSuffix.isEmpty()) dialog.setDefaultSuffix(options.DefaultSuffix);
    if (!options.FileName.isEmpty()) dialog.selectFile(options.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace velt
