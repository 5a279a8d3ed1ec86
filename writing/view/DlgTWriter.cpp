// The editor's host child dialog: document, view, accelerators.
#include "DlgTWriter.h"

#include <QResizeEvent>
#include <QShortcut>

CDlgTWriter::CDlgTWriter(QWidget *parent) : CDialog(parent, DialogKind::Child)
{
    m_view = new CWriteView(m_doc, this);
    m_view->SetTarget(parent);
    m_view->setGeometry(rect());
    setFocusProxy(m_view);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_C), &CWriteView::Copy);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_X), &CWriteView::Cut);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_V), &CWriteView::Paste);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_A), &CWriteView::SelectAll);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_Z), &CWriteView::Undo);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_Y), &CWriteView::Redo);
}

// The view goes first: it lets go of the document it shows.
CDlgTWriter::~CDlgTWriter()
{
    delete m_view;
}

void CDlgTWriter::AddAccelerator(const QKeySequence &keys, void (CWriteView::*command)())
{
    auto *shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, m_view, command);
}

void CDlgTWriter::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    m_view->setGeometry(QRect(QPoint(0, 0), event->size()));
}
