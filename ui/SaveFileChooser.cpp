// The installed chooser and the platform's save-file dialog.
#include "SaveFileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

SaveFileChooser &InstalledChooser()
{
    static SaveFileChooser chooser;
    return chooser;
}

QString &LastFolder()
{
    static QString folder;
    return folder;
}

QString StartFolder()
{
    if (!LastFolder().isEmpty() && QFileInfo(LastFolder()).isDir())
        return LastFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

std::optional<QString> ChooseSaveFile(QWidget *parent, const SaveFileRequest &request)
{
    if (InstalledChooser())
        return InstalledChooser()(parent, request);
    return ChooseSaveFileWithDialog(parent, request);
}

std::optional<QString> ChooseSaveFileWithDialog(QWidget *parent, const SaveFileRequest &request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(StartFolder());
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    QString name = request.suggestedName;
    dialog.selectFile(name.replace(QLatin1Char('/'), QLatin1Char('_')));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    LastFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}

ScopedSaveFileChooser::ScopedSaveFileChooser(SaveFileChooser chooser) : m_previous(std::move(InstalledChooser()))
{
    InstalledChooser() = std::move(chooser);
}

ScopedSaveFileChooser::~ScopedSaveFileChooser()
{
    InstalledChooser() = std::move(m_previous);
}
