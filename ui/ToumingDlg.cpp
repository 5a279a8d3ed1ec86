// Translucent cover window.
#include "ToumingDlg.h"

#include <QPainter>

CToumingDlg::CToumingDlg(QWidget* parent) : CDialog(parent, DialogKind::FramelessWindow) {
  SetDraggable(false);
}

void CToumingDlg::OnInitDialog() { setWindowOpacity(kOpacity / 255.0); }

void CToumingDlg::OnPaint(QPainter& painter) { painter.fillRect(rect(), Qt::black); }

int CToumingDlg::RunCovered(QWidget* window, CDialog& dialog) {
  CToumingDlg cover(window);
  cover.EnsureInitialized();
  if (window) cover.setGeometry(window->frameGeometry());
  cover.show();
  const int result = dialog.DoModal();
  cover.hide();
  return result;
}
