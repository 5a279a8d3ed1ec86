// CViewZuowenDlg: the essay viewer inside the library's viewer panel: the eye-care note, the
// essay's title centred in its strip and the content in a read-only essay editor.
#pragma once

#include "Dialog.h"

#include <string>

class CDlgTWriter;

class CViewZuowenDlg : public CDialog
{
    Q_OBJECT

public:
    explicit CViewZuowenDlg(QWidget *parent = nullptr);

    // GBK; the content's paragraphs end with CR. Both are the service's text, shown as written.
    void SetEssay(const std::string &title, const std::string &content);
    const std::string &Title() const { return m_title; }
    const std::string &Content() const { return m_content; }

    CDlgTWriter *Editor() const { return m_editor; }

protected:
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    std::string m_title;
    std::string m_content;
    CDlgTWriter *m_editor = nullptr;
};
