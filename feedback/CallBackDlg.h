// CCallBackDlg: the feedback screen, opened in the main window's place: a note about the product
// and its corpus, a framed field for the user's comments, submit and cancel.
#pragma once
#include "FatherDlg.h"
#include "xImage.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

class CCoolEdit;
class CGdipButton;

// Where the screen's own parts go for a client size.
struct CallBackLayout
{
    QPoint note;    // the product note's first line
    QPoint heading; // "意见反馈："
    QRect field;    // the framed field: its frame at the rectangle's edge
    QRect submit;   // 75 x 28
    QRect cancel;   // 75 x 28
    QPoint body;    // "img\body.png"
    QPoint dots[3]; // "img\dot.png", one before each of the first three paragraphs
};
CallBackLayout LayOutCallBack(const QSize &client);

class CCallBackDlg : public CFatherDlg
{
    Q_OBJECT

public:
    static constexpr int kLimit = 800;

    explicit CCallBackDlg(QWidget *parent);

    // The window whose closing ends the program (the sign-in window). By default the topmost
    // owner of this screen's parent.
    void SetApplicationWindow(QWidget *window) { m_applicationWindow = window; }

    void OnSubmit();
    void OnCancel();
    // The close button: this screen, its opener (the main window) and the application window
    // close, in that order, so the program ends.
    void CloseProgram();

    CCoolEdit *Field() const { return m_field; }
    CGdipButton *SubmitButton() const { return m_submit; }
    CGdipButton *CancelButton() const { return m_cancel; }

    // The product note, line by line (empty lines between its paragraphs).
    static QStringList NoteLines();

protected:
    void SetUpContent() override;
    void PaintContent(QPainter &painter, const QRect &client) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void PlaceContent();
    QWidget *ApplicationWindow() const;

    CCoolEdit *m_field = nullptr;
    CGdipButton *m_submit = nullptr;
    CGdipButton *m_cancel = nullptr;
    CxImage m_body;
    CxImage m_dot;
    QPointer<QWidget> m_applicationWindow;
};
