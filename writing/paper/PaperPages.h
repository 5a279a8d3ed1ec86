// Composition paper drawn: the pages of a paper layout painted on a screen, a PDF or a printer,
// all through one painting function so that what the student previews is what is printed.
#pragma once

#include "PaperLayout.h"

#include <QRectF>
#include <QString>
#include <string>

class QPagedPaintDevice;
class QPainter;

// The grid's colour, the colour of composition paper's printed lines.
extern const char *const kPaperLineColour;

// Paints page pageIndex of layout into pageRect (any units: the grid, the characters and the
// footer scale with it). The page's background is left as it is.
void PaintPaperPage(QPainter &painter, const PaperLayout &layout, int pageIndex, const QRectF &pageRect);

// Every page in order on a paged device (a PDF writer or a printer), one device page each.
// False when painting could not start on the device.
bool PaintPaperPages(QPagedPaintDevice &device, const PaperLayout &layout);

// The layout as an A4 PDF document, the CJK font embedded.
QByteArray BuildPaperPdf(const PaperLayout &layout, const QString &documentTitle);

// Writes BuildPaperPdf to path (native) atomically, like the Word export: an existing file is
// replaced whole or not at all. Returns 0 or the errno of the step that failed.
int ExportPaperPdf(const std::string &path, const PaperLayout &layout, const QString &documentTitle);

// The footer line of a page: "第 N 页 共 M 页" and the character count.
QString PaperFooterText(const PaperLayout &layout, int pageIndex);
