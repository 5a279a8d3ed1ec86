// The editor view's set-up, its interface to the writing screen, keys, mouse, focus and the
// input method.
#include "WriteView.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "QtText.h"
#include "WindowMessage.h"

namespace {

constexpr int kBlinkMilliseconds = 530;

bool IsPrintable(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return !text.isEmpty();
}

} // namespace

CWriteView::CWriteView(CWriteDoc &doc, QWidget *parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_font(EssayFont()), m_rawFont(QRawFont::fromFont(m_font)),
      m_halfWidthFont(EssayHalfWidthFont()), m_halfWidthRawFont(QRawFont::fromFont(m_halfWidthFont)),
      m_grid(MeasureGrid(m_font, m_halfWidthFont)),
      m_glyphs(0x10000)
{
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(m_grid.lineHeight);
    // Dragging the thumb stops on whole lines.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        const int whole = value - value % m_grid.lineHeight;
        if (whole != value)
            verticalScrollBar()->setValue(whole);
    });
    m_rowWidth = m_grid.RowWidth(viewport()->width());
    SetScrollRange(2 * m_grid.lineHeight);
    m_blink.setInterval(kBlinkMilliseconds);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretBlinkOn = !m_caretBlinkOn;
        viewport()->update();
    });
    // Undo and Redo hand back the caret and scroll offset stored with the snapshot.
    m_doc.SetViewStateListener([this](const ViewState &state) {
        m_caret = ClampedPosition({state.caretRow, state.caretColumn});
        ScrollTo(state.scrollOffset);
    });
}

CWriteView::~CWriteView()
{
    m_doc.SetViewStateListener(nullptr);
}

void CWriteView::SetText(const std::string &gbk)
{
    m_doc.SetText(gbk);
    m_caret = {};
    m_goalColumn = 0;
    m_pendingLead = -1;
    ClearSelection();
    m_needsReflow = true;
    ReflowDocument();
    ScrollTo(0);
    InvalidateContent();
    CaretMoved();
}

void CWriteView::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_doc.Marks().Clear();
    viewport()->setCursor(readOnly ? Qt::ArrowCursor : Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    InvalidateContent();
}

bool CWriteView::CanPaste() const
{
    if (m_readOnly)
        return false;
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    return clip && clip->hasText();
}

int CWriteView::ScrollOffset() const
{
    return verticalScrollBar()->value();
}

QRect CWriteView::CaretRectangle() const
{
    return m_grid.CaretRect(m_caret.row, m_caret.column, m_scrollX, ScrollOffset()).translated(viewport()->pos());
}

bool CWriteView::event(QEvent *event)
{
    // The accelerators of the host are this editor's own keys; everything else goes to them.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & Qt::ControlModifier)
            return QAbstractScrollArea::event(event);
        if (IsPrintable(key->text())) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool CWriteView::focusNextPrevChild(bool)
{
    return false;
} // Tab is typed, not a focus move

void CWriteView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_rowWidth = m_grid.RowWidth(viewport()->width());
    verticalScrollBar()->setPageStep(m_grid.PageLines(viewport()->height()) * m_grid.lineHeight);
    ReflowDocument();
    InvalidateContent();
    CaretMoved();
}

void CWriteView::scrollContentsBy(int, int)
{
    InvalidateContent();
    CaretMoved();
}

void CWriteView::keyPressEvent(QKeyEvent *event)
{
    if (m_dragging)
        return;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        MoveLeft(shift);
        return;
    case Qt::Key_Right:
        MoveRight(shift);
        return;
    case Qt::Key_Up:
        MoveVertically(-1, shift);
        return;
    case Qt::Key_Down:
        MoveVertically(1, shift);
        return;
    case Qt::Key_Home:
        MoveHome(shift, control);
        return;
    case Qt::Key_End:
        MoveEnd(shift, control);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        ClearSelection();
        ScrollLines((event->key() == Qt::Key_PageUp ? -1 : 1) * m_grid.PageLines(viewport()->height()));
        return;
    case Qt::Key_Delete:
        DeleteKey();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnChar(13);
        return;
    case Qt::Key_Backspace:
        OnChar(8);
        return;
    case Qt::Key_Tab:
        OnChar(9);
        return;
    default:
        break;
    }
    if (!control && IsPrintable(event->text())) {
        TypeText(event->text());
        return;
    }
    event->ignore();
}

void CWriteView::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    static const std::string kPlaceholder = QStringToGbk(QString::fromUtf8("请在此输入内容"));
    if (!m_readOnly && m_doc.RowCount() == 1 && m_doc.Rows()[0] == kPlaceholder) {
        m_doc.ReplaceRows(0, 1, {std::string()});
        InvalidateContent();
    }
    if (point.x() < ViewGrid::kRowSelectZone) {
        SelectRowAt(m_grid.RowAt(point.y(), ScrollOffset()));
        return;
    }
    if (point.x() < ViewGrid::kCaretZone)
        return;
    ClearSelection();
    m_caret = PositionAt(point);
    m_goalColumn = m_caret.column;
    m_anchor = m_caret;
    m_dragging = true;
    CaretMoved();
}

void CWriteView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    UpdatePointer(point);
    if (!m_dragging)
        return;
    if (point.y() < ViewGrid::kEdgeScrollZone)
        ScrollLines(-1);
    else if (point.y() > viewport()->height() - ViewGrid::kEdgeScrollZone)
        ScrollLines(1);
    SetCaret(PositionAt(point), true, false);
}

void CWriteView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        if (m_readOnly)
            return;
        QMenu *menu = CreateContextMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    if (m_readOnly)
        return;
    if (const auto id = PickKeyword(m_doc.Marks(), m_caret.row, m_caret.column))
        SendWindowMessage(m_target, kMsgKeywordPick, *id, kKeywordPickSecondParam);
}

void CWriteView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || point.x() < ViewGrid::kCaretZone)
        return;
    SelectWordAt(PositionAt(point));
}

void CWriteView::wheelEvent(QWheelEvent *event)
{
    // One line a notch; a touchpad's pixels count by the line height.
    m_wheel.SetPixelsPerStep(m_grid.lineHeight);
    const int lines = m_wheel.Take(*event);
    if (lines != 0)
        ScrollLines(lines);
    event->accept();
}

void CWriteView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_caretShown = true;
    m_caretBlinkOn = true;
    m_blink.start();
    viewport()->update();
    CaretMoved();
}

void CWriteView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_caretShown = false;
    m_blink.stop();
    viewport()->update();
}

void CWriteView::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    // A composition is shown at the caret but stays out of the document until committed.
    const QString commit = event->commitString();
    m_preedit = event->preeditString();
    m_preeditCursor = static_cast<int>(m_preedit.size());
    for (const QInputMethodEvent::Attribute &attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor)
            m_preeditCursor = std::clamp(attribute.start, 0, static_cast<int>(m_preedit.size()));
    }
    if (!commit.isEmpty())
        TypeText(commit);
    InvalidateContent();
    event->accept();
}

QVariant CWriteView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const DocPosition caret = ClampedPosition(m_caret);
    const std::string &row = m_doc.Rows()[static_cast<std::size_t>(caret.row)];
    switch (query) {
    case Qt::ImEnabled:
        return !m_readOnly;
    case Qt::ImCursorRectangle:
        return CaretRectangle();
    case Qt::ImFont:
        return m_font;
    case Qt::ImSurroundingText: {
        std::string text = row;
        if (!text.empty() && text.back() == CWriteDoc::kParagraphMark)
            text.pop_back();
        return GbkToQString(text);
    }
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
        return static_cast<int>(GbkToQString(row.substr(0, static_cast<std::size_t>(caret.column))).size());
    case Qt::ImCurrentSelection:
        return GbkToQString(SelectedText());
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImMaximumTextLength:
        return static_cast<int>(kCharLimit);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

QMenu *CWriteView::CreateContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(QString::fromUtf8("右键菜单"), parent);
    const struct
    {
        const char *text;
        bool enabled;
        void (CWriteView::*command)();
    } items[] = {
        {"剪切(&T)\tCtrl+X", CanCut(), &CWriteView::Cut},     {"复制(&C)\tCtrl+C", CanCopy(), &CWriteView::Copy},
        {"粘贴(&P)\tCtrl+V", CanPaste(), &CWriteView::Paste}, {"删除(&D)", CanDelete(), &CWriteView::DeleteKey},
        {"全选(&A)\tCtrl+A", true, &CWriteView::SelectAll},
    };
    for (const auto &item : items) {
        QAction *action = menu->addAction(QString::fromUtf8(item.text));
        action->setEnabled(item.enabled);
        connect(action, &QAction::triggered, this, item.command);
    }
    return menu;
}
