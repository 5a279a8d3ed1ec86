// CNoMarkDlg: the viewer panel of the library page. It holds the shown essay (identifier, title,
// content), shows it in the viewer and offers two actions on it: save it locally as a Word
// document, and continue writing it in the free-writing screen, which the main window opens in
// its own place.
#pragma once

#include "Dialog.h"

#include <functional>
#include <string>

class CGdipButton;
class CViewZuowenDlg;

// The essay handed to the free-writing screen; all empty for a new essay.
struct EssayToContinue
{
    std::string id;      // decimal library identifier, "" for none
    std::string title;   // GBK
    std::string content; // GBK, CR paragraph marks
};

class CNoMarkDlg : public CDialog
{
    Q_OBJECT

public:
    // Makes the free-writing screen for an essay, to be opened by the main window: the title,
    // content and identifier set on it before its window exists, and the window it hides and
    // shows again. By default a CZiYouWriter; tests replace it, an empty function restores it.
    using FreeWritingFactory = std::function<CDialog *(const EssayToContinue &essay, QWidget *returnWindow)>;
    static void SetFreeWritingFactory(FreeWritingFactory factory);

    explicit CNoMarkDlg(QWidget *parent = nullptr);

    // The main window: it receives the free-writing screen.
    void SetReturnWindow(QWidget *window) { m_returnWindow = window; }
    QWidget *ReturnWindow() const { return m_returnWindow; }

    void ShowEssay(const std::string &id, const std::string &title, const std::string &content);
    void Clear();
    const EssayToContinue &Essay() const { return m_essay; }

    void OnSaveLocally();
    void OnContinueWriting();
    void OnPaper();

    CViewZuowenDlg *Viewer() const { return m_viewer; }
    CGdipButton *SaveButton() const { return m_save; }
    CGdipButton *ContinueButton() const { return m_continue; }
    CGdipButton *PaperButton() const { return m_paper; }

protected:
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void PlaceChildren();

    EssayToContinue m_essay;
    QWidget *m_returnWindow = nullptr;
    CViewZuowenDlg *m_viewer = nullptr;
    CGdipButton *m_save = nullptr;
    CGdipButton *m_continue = nullptr;
    CGdipButton *m_paper = nullptr;
};
