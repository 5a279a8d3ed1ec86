// CWriteView: the text area in which the student writes the essay body. It shows the rows of a
// CWriteDoc in a grid of byte columns, turns keys, typed and composed characters, the mouse,
// the clipboard and undo into document edits, holds the character limit and paints keywords.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>
#include <QRawFont>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ViewGrid.h"
#include "WheelSteps.h"
#include "WriteDoc.h"

class QMenu;
class QPainter;

// The colours of the editor: text on the cream background, keywords in green, and selected
// text near-white on black.
struct WriteViewColours
{
    static QColor Background() { return QColor(246, 248, 227); }
    static QColor Text() { return QColor(0, 0, 0); }
    static QColor Keyword() { return QColor(102, 197, 115); }
    static QColor SelectedText() { return QColor(250, 250, 250); }
    static QColor SelectedBackground() { return QColor(0, 0, 0); }
};

class CWriteView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    static constexpr std::int32_t kCharLimit = CWriteDoc::kCharLimit;
    // One Tab indents by the width of two Chinese characters, as an essay's paragraphs start.
    static constexpr int kTabSpaces = 4;
    // The marking pass and the painting cover at most this many rows from the first shown one.
    static constexpr std::int32_t kShownRowSpan = 100;

    explicit CWriteView(CWriteDoc &doc, QWidget *parent = nullptr);
    ~CWriteView() override;

    // The window that receives WM_WORDCOUNT (posted) and WM_KEYWORDPICK (sent).
    void SetTarget(QObject *target) { m_target = target; }
    QObject *Target() const { return m_target; }

    // The body as GBK with CR paragraph marks. SetText takes no check point and leaves the
    // changed flag alone; the caret goes to the start and the rows are cut at the next paint.
    void SetText(const std::string &gbk);
    std::string GetText() const { return m_doc.GetText(); }
    std::int32_t CharCount() const { return m_doc.CountChars(); }

    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return m_readOnly; }
    // Set by every edit; the writing screen clears it after a successful save.
    bool IsChanged() const { return m_changed; }
    void SetChanged(bool changed) { m_changed = changed; }

    bool CanUndo() const { return !m_readOnly && m_doc.CanUndo(); }
    bool CanRedo() const { return !m_readOnly && m_doc.CanRedo(); }
    bool CanCopy() const { return HasNonEmptySelection(); }
    bool CanCut() const { return !m_readOnly && HasNonEmptySelection(); }
    bool CanDelete() const { return !m_readOnly && m_selectionActive; }
    bool CanPaste() const;

    // One typed byte, as the keyboard delivers it: 8 Backspace, 9 Tab, 13 Enter, 32 Space,
    // printable bytes; a byte above 0x80 waits for its second byte.
    void OnChar(unsigned int byte);
    // Typed or committed text: converted to GBK (characters GBK cannot hold are left out) and
    // fed byte by byte, so it obeys every rule of typing.
    void TypeText(const QString &text);

    void Copy();
    void Cut();
    void Paste();
    void DeleteKey();
    void SelectAll();
    void Undo();
    void Redo();

    // The context menu "右键菜单" with its five items, enabled by the current state.
    QMenu *CreateContextMenu(QWidget *parent);

    DocPosition Caret() const { return m_caret; }
    bool HasSelection() const { return m_selectionActive; }
    DocPosition SelectionStart() const { return m_selStart; }
    DocPosition SelectionEnd() const { return m_selEnd; }
    std::string SelectedText() const;
    std::int32_t RowWidth() const { return m_rowWidth; }
    const ViewGrid &Grid() const { return m_grid; }
    int ScrollOffset() const;
    int ScrollRange() const { return m_scrollRange; }
    // The caret in this widget's coordinates (where the input method's window opens).
    QRect CaretRectangle() const;
    QString PreeditText() const { return m_preedit; }
    const CWriteDoc &Document() const { return m_doc; }

    // What the input method asks: the caret rectangle, the font, the text around the caret.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The marking pass run before each paint: the process-wide recognizer unless replaced
    // (the benchmark compares it with the keyword-by-keyword pass).
    using MarkingPass = std::function<void(CWriteDoc &doc, std::int32_t firstRow)>;
    void SetMarkingPass(MarkingPass pass) { m_markingPass = std::move(pass); }

    // The view as it would paint now, into an image of the viewport's size.
    QImage RenderImage();
    // How far the character with this GBK code (one byte, or lead << 8 | trail) advances as
    // drawn; 0 for one drawn through the font's fallback.
    qreal DrawnAdvance(std::uint16_t code) { return GlyphOf(code).advance; }

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    // ---- editing (WriteViewEdit.cpp) ----
    void InsertCharacter(const std::string &character);
    void InsertBytesAtCaret(const std::string &bytes);
    void Enter();
    void Backspace();
    void Tab();
    bool DeleteSelectionIfAny();
    // Replaces the text between two positions by text and cuts the rest of the paragraph
    // again; returns the position just after the new text.
    DocPosition ReplaceSpan(DocPosition from, DocPosition to, const std::string &text);
    void TakeCheckPoint();
    void AfterEdit();
    // Characters of GBK text as the limit counts them (paragraph marks free).
    static int CountLimitedChars(const std::string &text);
    std::string FitToLimit(const std::string &text) const;
    void ReflowDocument();

    // ---- caret, selection, scrolling (WriteViewMove.cpp) ----
    void MoveLeft(bool extend);
    void MoveRight(bool extend);
    void MoveVertically(int rows, bool extend);
    void MoveHome(bool extend, bool toTop);
    void MoveEnd(bool extend, bool toBottom);
    // A drag scrolls by its own rule, so it does not bring the caret into sight.
    void SetCaret(DocPosition caret, bool extend, bool bringIntoSight = true);
    void ClearSelection();
    void SelectWordAt(DocPosition at);
    void SelectRowAt(std::int32_t row);
    DocPosition PositionAt(QPoint point) const;
    DocPosition ClampedPosition(DocPosition position) const;
    std::int32_t LineEndColumn(std::int32_t row) const;
    bool HasNonEmptySelection() const;
    void EnsureCaretVisible();
    void ScrollTo(int offset);
    void ScrollLines(int lines);
    void SetScrollRange(int pixels);
    void UpdatePointer(QPoint point);
    void CaretMoved();

    // ---- painting (WriteViewPaint.cpp) ----
    void PaintContent(QPainter &painter, QSize size);
    void PaintRow(QPainter &painter, std::int32_t row, int top, int width);
    void PaintPreedit(QPainter &painter);
    int PreeditColumns(int characters) const;
    void InvalidateContent();

    // A character as drawn: its glyph in the essay font (a single byte's in the half-width
    // font), or its text for the font's fallback.
    struct Glyph
    {
        quint32 index = 0;
        qreal advance = 0;
        QString text;
        bool halfWidth = false;
        bool known = false;
    };
    const Glyph &GlyphOf(std::uint16_t code);

    CWriteDoc &m_doc;
    QPointer<QObject> m_target;
    QFont m_font;
    QRawFont m_rawFont;
    QFont m_halfWidthFont;
    QRawFont m_halfWidthRawFont;
    ViewGrid m_grid;
    std::vector<Glyph> m_glyphs;
    WheelSteps m_wheel{120, 1}; // one line a notch

    DocPosition m_caret;
    std::int32_t m_goalColumn = 0;
    bool m_selectionActive = false;
    DocPosition m_selStart;
    DocPosition m_selEnd;
    DocPosition m_anchor;
    bool m_dragging = false;

    std::int32_t m_rowWidth = 2;
    int m_scrollX = 0;
    int m_scrollRange = 0;
    bool m_readOnly = false;
    bool m_needsReflow = false;
    bool m_changed = false;
    int m_pendingLead = -1; // first byte of a double-byte character still to be completed
    bool m_pairToggle = false;

    QString m_preedit; // composition of the input method: shown, never in the document
    int m_preeditCursor = 0;

    QImage m_content; // the text as last painted, without the caret
    bool m_contentValid = false;
    bool m_caretShown = false;
    bool m_caretBlinkOn = true;
    QTimer m_blink;
    MarkingPass m_markingPass;
};
