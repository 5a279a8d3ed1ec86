// Translucent cover window.
#include "ToumingDlg.h"

#include <QPainter>

CToumingDlg::CToumingDlg(QWidget *window) : CDialog(window, window ? DialogKind::Child : DialogKind::FramelessWindow)
{
    SetDraggable(false);
}

void CToumingDlg::OnInitDialog()
{
    if (isWindow())
        setWindowOpacity(kOpacity / 255.0);
}

void CToumingDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), isWindow() ? QColor(Qt::black) : QColor(0, 0, 0, kOpacity));
}

int CToumingDlg::RunCovered(QWidget *window, CDialog &dialog)
{
    CToumingDlg cover(window);
    cover.EnsureInitialized();
    if (window)
        cover.setGeometry(window->rect());
    cover.show();
    cover.raise();
    const int result = dialog.DoModal();
    cover.hide();
    return result;
}
