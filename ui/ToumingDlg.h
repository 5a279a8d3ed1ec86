// CToumingDlg: translucent black cover laid over a window while a modal dialog runs above it.
// Over a window it is a child covering the whole window, blended by the window system's own
// painting, so it darkens the window the same with or without a compositing desktop.
#pragma once
#include "Dialog.h"

class CToumingDlg : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kOpacity = 150; // of 255

    // With a window, a child covering it; without, a top-level window at that opacity.
    explicit CToumingDlg(QWidget *window = nullptr);

    // Covers the window, runs the dialog modally, removes the cover; returns the dialog's result.
    static int RunCovered(QWidget *window, CDialog &dialog);

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
};
