// The composition-paper preview: the essay's pages at their real proportions, the sheet chooser,
// "导出PDF" and "打印". Opened from the writing screens and the library's essay viewer.
#pragma once

#include "Dialog.h"
#include "PaperLayout.h"

#include <QString>
#include <functional>
#include <string>

class QComboBox;
class QPrinter;
class QPushButton;
class QScrollArea;
class PaperSheetsView;

class CPaperPreviewDlg : public CDialog
{
    Q_OBJECT

public:
    // titleGbk and bodyGbk as the screens hold them (GBK, CR paragraph marks).
    CPaperPreviewDlg(const std::string &titleGbk, const std::string &bodyGbk, QWidget *parent = nullptr);

    // Opens the preview over parent and returns when the student closes it.
    static void ShowPreview(QWidget *parent, const std::string &titleGbk, const std::string &bodyGbk);

    const PaperLayout &Layout() const { return m_layout; }
    // Lays the essay out again on another sheet (one of CommonPaperGrids()).
    void SetGrid(const PaperGrid &grid);

    // Asks for the file (the title + ".pdf" suggested) and writes the PDF; a notice says where it
    // went or that it could not be written. True when written.
    bool ExportPdf();
    // Opens the print dialog and prints the pages. True when printed.
    bool Print();

    // The print dialog behind one replaceable function, so tests print to a file without a
    // dialog: it sets the printer up and says whether to print.
    using PrinterChooser = std::function<bool(QWidget *parent, QPrinter &printer)>;
    static void SetPrinterChooser(PrinterChooser chooser);

protected:
    void OnInitDialog() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CreateControls();
    QString DocumentTitle() const;

    std::string m_titleUtf8;
    std::string m_bodyUtf8;
    PaperLayout m_layout;
    QComboBox *m_gridChooser = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_printButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QScrollArea *m_scroll = nullptr;
    PaperSheetsView *m_sheets = nullptr;
};
