// CToumingDlg: translucent black cover laid over a window while a modal dialog runs above it.
#pragma once
#include "Dialog.h"

class CToumingDlg : public CDialog {
  Q_OBJECT

 public:
  static constexpr int kOpacity = 150;  // of 255

  explicit CToumingDlg(QWidget* parent = nullptr);

  // Covers the window, runs the dialog modally, removes the cover; returns the dialog's result.
  static int RunCovered(QWidget* window, CDialog& dialog);

 protected:
  void OnInitDialog() override;
  void OnPaint(QPainter& painter) override;
};
