// CFatherDlg: base of the full-size programme screens: title band, back, minimise, maximise,
// restore and close, drag while restored, and two hooks for the screen's own content.
#pragma once
#include "Dialog.h"
#include "WindowFrame.h"

#include <QRect>

class CGdipButton;

class CFatherDlg : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 700;

    explicit CFatherDlg(QWidget *parent = nullptr);

    // Set by the opener: true when the opener was not maximised.
    void SetOpenerRestored(bool restored) { m_openerRestored = restored; }
    bool OpenerRestored() const { return m_openerRestored; }
    bool IsMaximised() const { return m_frame.IsMaximised(); }

    // Back and CloseScreen show the main window again and free this screen (it must be on the
    // heap, and no one may keep a plain pointer to it).
    void Back();
    void Minimise();
    void CloseScreen();
    void Maximise();
    void Restore();
    void ToggleMaximised();

    CGdipButton *BackButton() const { return m_back; }
    CGdipButton *MinimiseButton() const { return m_minimise; }
    CGdipButton *MaximiseButton() const { return m_maximise; }
    CGdipButton *RestoreButton() const { return m_restore; }
    CGdipButton *CloseButton() const { return m_close; }

    // The restored rectangle: 1024 x 700, centred on the screen across, on the work area down.
    static QRect RestoredRect() { return WindowFrame::CentredRect(QSize(kWidth, kHeight)); }

protected:
    // Paint-content hook, after the frame and the buttons.
    virtual void PaintContent(QPainter &painter, const QRect &client);
    // Set-up-content hook, after the buttons exist.
    virtual void SetUpContent();

    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void PlaceButtons();

    CGdipButton *m_back = nullptr;
    CGdipButton *m_minimise = nullptr;
    CGdipButton *m_maximise = nullptr;
    CGdipButton *m_restore = nullptr;
    CGdipButton *m_close = nullptr;
    bool m_openerRestored = true;
    // Maximised, the screen covers the whole primary screen.
    WindowFrame m_frame{this, QSize(kWidth, kHeight), WindowFrame::MaximisedArea::WholeScreen};
};

// Sends the window a double click on its caption, which toggles it between maximised and restored.
void SendCaptionDoubleClick(QWidget *window);
