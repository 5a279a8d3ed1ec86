// Composition paper end to end: the PDF read back by poppler's own tools (text, fonts, the grid in
// the rendered pixels), the preview window's sheets, export and printing, and the 稿纸 buttons of
// the writing screen and the library's essay viewer.
#include "AppFolder.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MyEdit.h"
#include "NoMarkDlg.h"
#include "OkDialog.h"
#include "PaperPreviewDlg.h"
#include "SaveFileChooser.h"
#include "ServiceContext.h"
#include "WriteView.h"
#include "ZiYouWriter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const QString kTitle = QString::fromUtf8("春天");
const QString kBody = QString::fromUtf8("春天来了，小草从地下探出头来。“你好！”我说。\n\n"
                                        "——这是第二段……Hello 2026.");

struct ToolRun
{
    int exitCode = -1;
    QByteArray output;
};

ToolRun RunTool(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput()};
}

QString WithoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

// The PDF's text as pdftotext reads it, blanks removed (it spaces the characters of the cells).
QString PdfText(const QString &path)
{
    return WithoutBlanks(QString::fromUtf8(RunTool("pdftotext", {path, "-"}).output));
}

int PdfPages(const QString &path)
{
    const QString info = QString::fromUtf8(RunTool("pdfinfo", {path}).output);
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Every paragraph of the body, in order, in the PDF's text.
void ExpectEssayText(const QString &pdfText, const QString &title, const QString &body)
{
    QVERIFY2(pdfText.startsWith(WithoutBlanks(title)), qPrintable(pdfText));
    qsizetype from = title.size();
    for (const QString &paragraph : body.split('\n', Qt::SkipEmptyParts)) {
        const qsizetype at = pdfText.indexOf(WithoutBlanks(paragraph), from);
        QVERIFY2(at >= from, qPrintable(paragraph + QStringLiteral(" in ") + pdfText));
        from = at + 1;
    }
}

bool IsGridLine(QRgb pixel)
{
    return qGreen(pixel) > qRed(pixel) + 40 && qGreen(pixel) > qBlue(pixel) + 40;
}

bool IsInk(QRgb pixel)
{
    return qRed(pixel) < 110 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}

// Runs of grid-coloured pixels along one line of the picture: their middles.
std::vector<int> LineRuns(const QImage &image, bool alongX, int at, int minimumLength = 1)
{
    std::vector<int> middles;
    const int length = alongX ? image.width() : image.height();
    int start = -1;
    for (int i = 0; i <= length; ++i) {
        const bool line = i < length && IsGridLine(alongX ? image.pixel(i, at) : image.pixel(at, i));
        if (line && start < 0)
            start = i;
        if (!line && start >= 0) {
            if (i - start >= minimumLength)
                middles.push_back((start + i) / 2);
            start = -1;
        }
    }
    return middles;
}

// Rows of the picture that are mostly grid colour: the horizontal lines of the cells.
std::vector<int> HorizontalLines(const QImage &image)
{
    std::vector<int> lines;
    for (int y = 0; y < image.height(); ++y) {
        int green = 0;
        for (int x = 0; x < image.width(); ++x)
            green += IsGridLine(image.pixel(x, y)) ? 1 : 0;
        if (green > image.width() / 2 && (lines.empty() || y > lines.back() + 1))
            lines.push_back(y);
    }
    return lines;
}

int InkInside(const QImage &image, int left, int top, int right, int bottom)
{
    int ink = 0;
    for (int y = top + 2; y < bottom - 1; ++y) {
        for (int x = left + 2; x < right - 1; ++x)
            ink += IsInk(image.pixel(x, y)) ? 1 : 0;
    }
    return ink;
}

// Runs an action on the preview window once it is open (it runs modally), then closes it with
// its own button; a preview that should not open is closed the same way and shows in Ran().
class PreviewDriver
{
public:
    explicit PreviewDriver(std::function<void(CPaperPreviewDlg *)> action) : m_action(std::move(action))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(20);
    }
    bool Ran() const { return m_ran; }

private:
    void Poll()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *preview = qobject_cast<CPaperPreviewDlg *>(widget);
            if (!preview || !preview->isVisible() || !preview->IsModalRunning())
                continue;
            m_ran = true;
            m_timer.stop();
            m_action(preview);
            preview->findChild<QPushButton *>(QStringLiteral("paperClose"))->click();
            return;
        }
    }

    std::function<void(CPaperPreviewDlg *)> m_action;
    QTimer m_timer;
    bool m_ran = false;
};

std::string Gbk(const QString &text)
{
    return Utf8ToGbk(text.toStdString());
}

} // namespace

class PaperPdfTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dataHome;

private slots:
    void initTestCase()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        InitServiceAddresses("127.0.0.1:1");
        // The screens keep their essays' journals in the user's data folder: a scratch one here.
        QVERIFY(m_dataHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
    }

    // essay-tool paper: poppler reads back the title and every paragraph in order, finds the
    // CJK font embedded, and the rendered page shows the 20 x 20 grid with the first character
    // of the body in the third cell of the third row (after the title and its empty row).
    void toolWritesThePaperAsPdf()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath("paper.pdf");
        const ToolRun run = RunTool(ESSAY_TOOL, {"paper", "--title", kTitle, "--out", pdf}, kBody.toUtf8());
        QCOMPARE(run.exitCode, 0);
        ExpectEssayText(PdfText(pdf), kTitle, kBody);
        QCOMPARE(PdfPages(pdf), 1);

        const QString fonts = QString::fromUtf8(RunTool("pdffonts", {pdf}).output);
        const auto embedded = QRegularExpression(QStringLiteral("(UMing|CJK)\\S*\\s+CID \\S+\\s+\\S+\\s+yes"));
        QVERIFY2(embedded.match(fonts).hasMatch(), qPrintable(fonts));

        QCOMPARE(RunTool("pdftoppm", {"-r", "100", "-png", "-f", "1", "-l", "1", "-singlefile", pdf, dir.filePath("page")}).exitCode, 0);
        const QImage page(dir.filePath("page.png"));
        QVERIFY(!page.isNull());
        const std::vector<int> rows = HorizontalLines(page);
        QCOMPARE(rows.size(), std::size_t(40)); // the top and the bottom line of 20 rows
        // The cell lines along the empty row under the title (no character crosses them there).
        const std::vector<int> columns = LineRuns(page, true, (rows[2] + rows[3]) / 2);
        QCOMPARE(columns.size(), std::size_t(21));
        QVERIFY(InkInside(page, columns[2], rows[4], columns[3], rows[5]) > 10); // 春
        QCOMPARE(InkInside(page, columns[0], rows[4], columns[1], rows[5]), 0); // the indent
        QCOMPARE(InkInside(page, columns[5], rows[2], columns[6], rows[3]), 0); // the empty row
    }

    void toolRefusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("unknown grid") << QStringList{"paper", "--title", "t", "--grid", "7x7", "--out", "x.pdf"} << 2 << QByteArray("text");
        QTest::newRow("no output") << QStringList{"paper", "--title", "t"} << 2 << QByteArray("text");
        QTest::newRow("unknown option") << QStringList{"paper", "--title", "t", "--out", "x.pdf", "--zoom", "2"} << 2 << QByteArray("text");
        QTest::newRow("folder missing") << QStringList{"paper", "--title", "t", "--out", "/nonexistent/dir/x.pdf"} << 1 << QByteArray("text");
        QTest::newRow("endless input") << QStringList{"paper", "--title", "t", "--out", QDir::temp().filePath("essay-tool-endless.pdf")} << 1
                                       << QByteArray(2 << 20, 'a');
    }

    void toolRefusesBadArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, input);
        QCOMPARE(RunTool(ESSAY_TOOL, arguments, input).exitCode, exitCode);
    }

    // The sheet chooser lays the essay out again: 24 x 25 holds the same essay on fewer pages.
    void previewChangesTheSheet()
    {
        const QString longBody = QString(900, QChar(0x6C34));
        CPaperPreviewDlg preview(Gbk(kTitle), Gbk(longBody));
        QCOMPARE(preview.Layout().grid, (PaperGrid{20, 20}));
        QCOMPARE(preview.Layout().pages.size(), std::size_t(3)); // 902 cells from the third row
        auto *chooser = preview.findChild<QComboBox *>(QStringLiteral("paperGrid"));
        QVERIFY(chooser);
        QCOMPARE(chooser->count(), 3);
        chooser->setCurrentIndex(2);
        QCOMPARE(preview.Layout().grid, (PaperGrid{24, 25}));
        QCOMPARE(preview.Layout().pages.size(), std::size_t(2));
        QCOMPARE(preview.Layout().characterCount, 900);
    }

    // Export writes the PDF where the student chose (title + ".pdf" suggested) and says so; a
    // folder that is not there gives the failure notice and no file.
    void previewExportsAndPrints()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        QTemporaryDir dir;
        QString target = dir.filePath("essay.pdf");
        QStringList suggested;
        ScopedSaveFileChooser chooser([&](QWidget *, const SaveFileRequest &request) -> std::optional<QString> {
            suggested << request.suggestedName;
            return target;
        });
        CPaperPreviewDlg preview(Gbk(kTitle), Gbk(kBody));
        QVERIFY(preview.ExportPdf());
        QCOMPARE(suggested, QStringList{kTitle + ".pdf"});
        ExpectEssayText(PdfText(target), kTitle, kBody);
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(GbkToUtf8(responder.calls[0].message)), QString::fromUtf8("稿纸已保存为 essay.pdf"));

        target = dir.filePath("missing/essay.pdf");
        QVERIFY(!preview.ExportPdf());
        QCOMPARE(QFile::exists(target), false);
        QCOMPARE(QString::fromStdString(GbkToUtf8(responder.calls.back().message)), QString::fromUtf8("\t  稿纸保存失败！"));

        // Printing paints the same pages on the printer the dialog set up (here a PDF file).
        const QString printed = dir.filePath("printed.pdf");
        CPaperPreviewDlg::SetPrinterChooser([&](QWidget *, QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            return true;
        });
        const bool didPrint = preview.Print();
        CPaperPreviewDlg::SetPrinterChooser({});
        QVERIFY(didPrint);
        ExpectEssayText(PdfText(printed), kTitle, kBody);
        QCOMPARE(PdfPages(printed), int(preview.Layout().pages.size()));

        // A cancelled print dialog prints nothing.
        QFile::remove(printed);
        CPaperPreviewDlg::SetPrinterChooser([](QWidget *, QPrinter &) { return false; });
        const bool cancelled = !preview.Print();
        CPaperPreviewDlg::SetPrinterChooser({});
        QVERIFY(cancelled);
        QCOMPARE(QFile::exists(printed), false);
    }

    // The 稿纸 button of the free-writing screen opens the preview with the essay as typed (an
    // untouched title is no title), and its export writes that essay.
    void writingScreenButtonOpensThePreview()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        QTemporaryDir dir;
        const QString target = dir.filePath("screen.pdf");
        ScopedSaveFileChooser chooser([&](QWidget *, const SaveFileRequest &) -> std::optional<QString> { return target; });
        QWidget parent;
        parent.resize(1024, 700);
        auto *screen = new CZiYouWriter(&parent);
        screen->EnsureInitialized();
        screen->show();
        screen->TitleField()->setText(kTitle);
        screen->View()->SetText(Gbk(QString(kBody).replace('\n', '\r')));

        QString shownRows;
        PreviewDriver driver([&](CPaperPreviewDlg *preview) {
            shownRows = QString::fromStdString(DumpPaperRows(preview->Layout()));
            preview->grab().save(QStringLiteral(PENLARK_SCREENSHOT_DIR "/paper_preview.png"));
            preview->ExportPdf();
        });
        QVERIFY(screen->PaperButton()->isVisible());
        screen->PaperButton()->click();
        QVERIFY(driver.Ran());
        QVERIFY2(shownRows.startsWith(QString::fromUtf8("_|_|_|_|_|_|_|_|_|春|天|")), qPrintable(shownRows));
        ExpectEssayText(PdfText(target), kTitle, kBody);
    }

    // The essay viewer's 稿纸 button: the shown essay; with no essay, the empty-content notice
    // and no preview.
    void viewerButtonOpensThePreview()
    {
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        QTemporaryDir dir;
        const QString target = dir.filePath("viewer.pdf");
        ScopedSaveFileChooser chooser([&](QWidget *, const SaveFileRequest &) -> std::optional<QString> { return target; });
        QWidget page;
        page.resize(700, 500);
        auto *panel = new CNoMarkDlg(&page);
        panel->setGeometry(0, 0, 700, 500);
        page.show();

        {
            PreviewDriver driver([](CPaperPreviewDlg *) {});
            panel->PaperButton()->click();
            QVERIFY(!driver.Ran());
        }
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(GbkToUtf8(responder.calls[0].message)), QString::fromUtf8("\t  正文内容不能为空！"));

        panel->ShowEssay("10001", Gbk(kTitle), Gbk(QString(kBody).replace('\n', '\r')));
        PreviewDriver driver([](CPaperPreviewDlg *preview) { preview->ExportPdf(); });
        QVERIFY(panel->PaperButton()->isVisible());
        panel->PaperButton()->click();
        QVERIFY(driver.Ran());
        ExpectEssayText(PdfText(target), kTitle, kBody);
    }
};

QTEST_MAIN(PaperPdfTest)
#include "PaperPdfTest.moc"
