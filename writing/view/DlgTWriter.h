// CDlgTWriter: the child dialog of a writing screen that holds the essay document and its
// editor view, fills itself with the view and gives it the editor's accelerator keys.
#pragma once

#include "Dialog.h"
#include "WriteDoc.h"
#include "WriteView.h"

class CDlgTWriter : public CDialog
{
    Q_OBJECT

public:
    // The parent is the writing screen: it receives WM_WORDCOUNT and WM_KEYWORDPICK.
    explicit CDlgTWriter(QWidget *parent = nullptr);
    ~CDlgTWriter() override;

    CWriteView *View() const { return m_view; }
    CWriteDoc &Document() { return m_doc; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void AddAccelerator(const QKeySequence &keys, void (CWriteView::*command)());

    CWriteDoc m_doc;
    CWriteView *m_view = nullptr;
};
