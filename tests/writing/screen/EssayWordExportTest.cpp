// The save-as-Word action on real widgets: the empty-body notice, the request made of the save
// dialog (an untouched title field included), cancel, a failed write, and the platform dialog
// as it is set up.
#include "AppFolder.h"
#include "EssayWordExport.h"
#include "GbkText.h"
#include "MyEdit.h"
#include "OkDialog.h"
#include "SaveFileChooser.h"
#include "WordExport.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <sstream>

namespace {

std::string ReadBytes(const QString &path)
{
    std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Records every request and answers with a fixed choice.
struct RecordingChooser
{
    std::vector<SaveFileRequest> requests;
    std::optional<QString> answer;
    SaveFileChooser Function()
    {
        return [this](QWidget *, const SaveFileRequest &request) {
            requests.push_back(request);
            return answer;
        };
    }
};

} // namespace

class EssayWordExportTest : public QObject
{
    Q_OBJECT

private slots:
    void EmptyBodyGivesTheNoticeAndNoDialog()
    {
        RecordingChooser chooser;
        ScopedSaveFileChooser scoped(chooser.Function());
        MessageBoxResponder responder;
        ScopedMessageBoxResponder boxes(responder);
        QCOMPARE(ExportEssayToWord(nullptr, Utf8ToGbk("题目"), ""), false);
        QCOMPARE(chooser.requests.size(), std::size_t(0));
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(GbkToUtf8(responder.calls[0].message), std::string("\t  正文内容不能为空！"));
        QCOMPARE(GbkToUtf8(responder.calls[0].captions.at(0)), std::string("确 定"));
    }

    void UntouchedTitleIsSuggestedAsShownAndTheDocumentWritten()
    {
        CMyEdit title;
        title.SetHint(Utf8ToGbk(" 请输入写作题目"));
        title.show();
        QTemporaryDir folder;
        const QString path = folder.filePath(QString::fromUtf8("作文.doc"));
        RecordingChooser chooser;
        chooser.answer = path;
        ScopedSaveFileChooser scoped(chooser.Function());
        MessageBoxResponder responder;
        ScopedMessageBoxResponder boxes(responder);

        const std::string body = Utf8ToGbk("第一段\r第二段");
        QCOMPARE(ExportEssayToWord(&title, title.WindowText(), body), true);
        QCOMPARE(chooser.requests.size(), std::size_t(1));
        const SaveFileRequest &request = chooser.requests[0];
        QCOMPARE(request.suggestedName, QString::fromUtf8(" 请输入写作题目.doc"));
        QCOMPARE(request.filter, QString::fromUtf8("word文档 (*.doc)"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("doc"));
        QCOMPARE(request.confirmOverwrite, true);
        QCOMPARE(responder.calls.size(), std::size_t(1)); // the confirmation names the file
        QCOMPARE(responder.calls[0].kind, MessageBoxCall::Kind::Notice);
        QCOMPARE(responder.calls[0].message, Utf8ToGbk("作文已保存为 作文.doc"));
        QCOMPARE(ReadBytes(path), BuildWordDocument(Utf8ToGbk(" 请输入写作题目\r\n第一段\r第二段")));
    }

    void CancelWritesNothing()
    {
        QTemporaryDir folder;
        RecordingChooser chooser; // answers "cancelled"
        ScopedSaveFileChooser scoped(chooser.Function());
        MessageBoxResponder responder;
        ScopedMessageBoxResponder boxes(responder);
        QCOMPARE(ExportEssayToWord(nullptr, "t", "b"), false);
        QCOMPARE(chooser.requests.size(), std::size_t(1));
        QCOMPARE(responder.calls.size(), std::size_t(0));
        QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), qsizetype(0));
    }

    void FailedWriteGivesTheFailureNotice()
    {
        QTemporaryDir folder;
        RecordingChooser chooser;
        chooser.answer = folder.filePath(QStringLiteral("vanished/essay.doc"));
        ScopedSaveFileChooser scoped(chooser.Function());
        MessageBoxResponder responder;
        ScopedMessageBoxResponder boxes(responder);
        QCOMPARE(ExportEssayToWord(nullptr, "t", "b"), false);
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(responder.calls[0].message, WordExportFailureMessage());
        QCOMPARE(responder.calls[0].kind, MessageBoxCall::Kind::Notice);
    }

    // No chooser installed: the platform's dialog comes up set up for a Word document.
    void PlatformDialogOffersTheSuggestedNameAndConfirmsOverwrite()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("chosen.doc"));
        QString seenName;
        QStringList seenFilters;
        QString seenSuffix;
        bool seenConfirm = false;
        QFileDialog::AcceptMode seenMode = QFileDialog::AcceptOpen;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return; // the test then fails on the missing answer
            auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            seenName = nameField ? nameField->text() : QString();
            seenFilters = dialog->nameFilters();
            seenSuffix = dialog->defaultSuffix();
            seenConfirm = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            seenMode = dialog->acceptMode();
            dialog->selectFile(target);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it; the virtual call reaches it
        });
        SaveFileRequest request;
        request.suggestedName = QString::fromUtf8("春/天.doc");
        request.defaultSuffix = QStringLiteral("doc");
        request.filter = QString::fromUtf8("word文档 (*.doc)");
        const auto chosen = ChooseSaveFile(nullptr, request);
        QCOMPARE(chosen.value_or(QString()), target);
        QCOMPARE(seenName, QString::fromUtf8("春_天.doc"));
        QCOMPARE(seenFilters, QStringList{QString::fromUtf8("word文档 (*.doc)")});
        QCOMPARE(seenSuffix, QStringLiteral("doc"));
        QCOMPARE(seenConfirm, true);
        QCOMPARE(seenMode, QFileDialog::AcceptSave);
    }

    // The failure notice as the student sees it, saved for a look.
    void FailureNoticeIsShownInTheProgramsBox()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        COkDialog box(Utf8ToGbk("确 定"), WordExportFailureMessage());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.Label()->Message(), WordExportFailureMessage());
        QCOMPARE(box.Button()->text(), QString::fromUtf8("确 定"));
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
        QCOMPARE(box.grab().save(QStringLiteral(PENLARK_SCREENSHOT_DIR "/export-failed.png")), true);
        box.EndDialog(kIdOk);
    }
};

QTEST_MAIN(EssayWordExportTest)
#include "EssayWordExportTest.moc"
