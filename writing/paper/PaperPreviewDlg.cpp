// The composition-paper preview window and its two actions.
#include "PaperPreviewDlg.h"

#include "EmptyEssayNotice.h"
#include "GbkText.h"
#include "OkDialog.h"
#include "PaperPages.h"
#include "QtText.h"
#include "SaveFileChooser.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

// The pages one under another on a grey desk, each at A4's proportions.
class PaperSheetsView : public QWidget
{
public:
    static constexpr int kPageWidth = 600;
    static constexpr int kPageHeight = kPageWidth * 297 / 210;
    static constexpr int kSpacing = 16;

    explicit PaperSheetsView(QWidget *parent) : QWidget(parent) {}

    void SetLayout(const PaperLayout *layout)
    {
        m_layout = layout;
        const int pages = static_cast<int>(layout->pages.size());
        setFixedSize(kPageWidth + 2 * kSpacing, pages * (kPageHeight + kSpacing) + kSpacing);
        update();
    }

    QRect PageRect(int index) const
    {
        return QRect(kSpacing, kSpacing + index * (kPageHeight + kSpacing), kPageWidth, kPageHeight);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0x9E, 0x9E, 0xA0));
        if (!m_layout)
            return;
        for (int i = 0; i < static_cast<int>(m_layout->pages.size()); ++i) {
            const QRect page = PageRect(i);
            if (!page.intersects(event->rect()))
                continue;
            painter.fillRect(page, Qt::white);
            PaintPaperPage(painter, *m_layout, i, page);
        }
    }

private:
    const PaperLayout *m_layout = nullptr;
};

namespace {

CPaperPreviewDlg::PrinterChooser &InstalledPrinterChooser()
{
    static CPaperPreviewDlg::PrinterChooser chooser;
    return chooser;
}

bool ChoosePrinterWithDialog(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QString::fromUtf8("打印稿纸"));
    return dialog.exec() == QDialog::Accepted;
}

void ShowNotice(QWidget *parent, const QString &message)
{
    static const std::string kCaption = Utf8ToGbk("确 定");
    COkDialog::Show(kCaption, QStringToGbk(message), parent);
}

QString GridCaption(const PaperGrid &grid)
{
    return QString::fromUtf8("%1 × %2（每页 %3 格）").arg(grid.columns).arg(grid.rows).arg(grid.columns * grid.rows);
}

const char *const kButtonStyle =
    "QPushButton { background: #299F3A; color: white; border: 1px solid #0E803B; border-radius: 4px;"
    " padding: 4px 16px; }"
    "QPushButton:hover { background: #1DAA39; }"
    "QPushButton:pressed { background: #0E803B; }";

} // namespace

void CPaperPreviewDlg::SetPrinterChooser(PrinterChooser chooser)
{
    InstalledPrinterChooser() = std::move(chooser);
}

CPaperPreviewDlg::CPaperPreviewDlg(const std::string &titleGbk, const std::string &bodyGbk, QWidget *parent)
    : CDialog(parent, DialogKind::FramedWindow), m_titleUtf8(GbkToUtf8(titleGbk)), m_bodyUtf8(GbkToUtf8(bodyGbk))
{
    SetDraggable(false);
    setWindowTitle(QString::fromUtf8("作文稿纸"));
    CreateControls();
    SetGrid(CommonPaperGrids().front());
}

void CPaperPreviewDlg::ShowPreview(QWidget *parent, const std::string &titleGbk, const std::string &bodyGbk)
{
    if (RefuseEmptyEssay(parent, bodyGbk))
        return;
    CPaperPreviewDlg preview(titleGbk, bodyGbk, parent);
    preview.DoModal();
}

void CPaperPreviewDlg::CreateControls()
{
    setAutoFillBackground(true);
    QPalette cream = palette();
    cream.setColor(QPalette::Window, QColor(0xF6, 0xF8, 0xE3));
    setPalette(cream);

    m_gridChooser = new QComboBox(this);
    m_gridChooser->setObjectName(QStringLiteral("paperGrid"));
    for (const PaperGrid &grid : CommonPaperGrids())
        m_gridChooser->addItem(GridCaption(grid));
    m_exportButton = new QPushButton(QString::fromUtf8("导出PDF"), this);
    m_exportButton->setObjectName(QStringLiteral("paperExportPdf"));
    m_printButton = new QPushButton(QString::fromUtf8("打印"), this);
    m_printButton->setObjectName(QStringLiteral("paperPrint"));
    m_closeButton = new QPushButton(QString::fromUtf8("关闭"), this);
    m_closeButton->setObjectName(QStringLiteral("paperClose"));
    for (QPushButton *button : {m_exportButton, m_printButton, m_closeButton}) {
        button->setStyleSheet(QString::fromLatin1(kButtonStyle));
        button->setCursor(Qt::PointingHandCursor);
        button->setAutoDefault(false);
    }

    m_sheets = new PaperSheetsView(this);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_sheets);
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: #9E9EA0; border: none; }"));

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(12, 8, 12, 8);
    bar->addWidget(new QLabel(QString::fromUtf8("稿纸规格"), this));
    bar->addWidget(m_gridChooser);
    bar->addStretch();
    bar->addWidget(m_exportButton);
    bar->addWidget(m_printButton);
    bar->addWidget(m_closeButton);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(bar);
    column->addWidget(m_scroll, 1);

    connect(m_gridChooser, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(CommonPaperGrids().size()))
            SetGrid(CommonPaperGrids()[static_cast<std::size_t>(index)]);
    });
    connect(m_exportButton, &QPushButton::clicked, this, [this] { ExportPdf(); });
    connect(m_printButton, &QPushButton::clicked, this, [this] { Print(); });
    connect(m_closeButton, &QPushButton::clicked, this, [this] { EndDialog(kIdCancel); });
}

void CPaperPreviewDlg::OnInitDialog()
{
    // A page and a half in view where the screen allows it, never taller than its work area.
    QSize size(PaperSheetsView::kPageWidth + 2 * PaperSheetsView::kSpacing + 40, 900);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        size = size.boundedTo(area.size() - QSize(40, 60));
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    resize(size);
}

void CPaperPreviewDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        EndDialog(kIdCancel);
        return;
    }
    CDialog::keyPressEvent(event);
}

void CPaperPreviewDlg::SetGrid(const PaperGrid &grid)
{
    if (grid == m_layout.grid && !m_layout.pages.empty())
        return;
    m_layout = LayOutPaper(m_titleUtf8, m_bodyUtf8, grid);
    m_sheets->SetLayout(&m_layout);
}

QString CPaperPreviewDlg::DocumentTitle() const
{
    return m_titleUtf8.empty() ? QString::fromUtf8("作文") : QString::fromStdString(m_titleUtf8);
}

bool CPaperPreviewDlg::ExportPdf()
{
    SaveFileRequest request;
    request.suggestedName = DocumentTitle() + QStringLiteral(".pdf");
    request.defaultSuffix = QStringLiteral("pdf");
    request.filter = QString::fromUtf8("PDF文档 (*.pdf)");
    request.confirmOverwrite = true;
    const auto chosen = ChooseSaveFile(this, request);
    if (!chosen || chosen->isEmpty())
        return false;
    const int error = ExportPaperPdf(QFile::encodeName(*chosen).toStdString(), m_layout, DocumentTitle());
    if (error != 0) {
        ShowNotice(this, QString::fromUtf8("\t  稿纸保存失败！"));
        return false;
    }
    ShowNotice(this, QString::fromUtf8("稿纸已保存为 %1").arg(QFileInfo(*chosen).fileName()));
    return true;
}

bool CPaperPreviewDlg::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(DocumentTitle());
    const PrinterChooser &chooser = InstalledPrinterChooser();
    const bool accepted = chooser ? chooser(this, printer) : ChoosePrinterWithDialog(this, printer);
    if (!accepted)
        return false;
    if (!PaintPaperPages(printer, m_layout)) {
        ShowNotice(this, QString::fromUtf8("\t  打印失败！"));
        return false;
    }
    return true;
}
