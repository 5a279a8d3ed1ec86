// The save-as-Word action.
#include "EssayWordExport.h"

#include "EmptyEssayNotice.h"
#include "GbkText.h"
#include "OkDialog.h"
#include "QtText.h"
#include "SaveFileChooser.h"
#include "WordExport.h"

#include <QFile>
#include <QFileInfo>

namespace {

void ShowNotice(QWidget *parent, const std::string &message)
{
    static const std::string kCaption = Utf8ToGbk("确 定");
    COkDialog::Show(kCaption, message, parent);
}

} // namespace

bool ExportEssayToWord(QWidget *parent, const std::string &titleAsShown, const std::string &body)
{
    if (RefuseEmptyEssay(parent, body))
        return false;
    SaveFileRequest request;
    request.suggestedName = GbkToQString(titleAsShown) + QStringLiteral(".doc");
    request.defaultSuffix = QStringLiteral("doc");
    request.filter = QString::fromUtf8("word文档 (*.doc)");
    request.confirmOverwrite = true;
    const auto chosen = ChooseSaveFile(parent, request);
    if (!chosen || chosen->isEmpty())
        return false;
    if (!ExportWordDocument(QFile::encodeName(*chosen).toStdString(), titleAsShown + "\r\n" + body)) {
        ShowNotice(parent, WordExportFailureMessage());
        return false;
    }
    // The student sees where the document went (composition paper confirms the same way).
    ShowNotice(parent, QStringToGbk(QString::fromUtf8("作文已保存为 %1").arg(QFileInfo(*chosen).fileName())));
    return true;
}
