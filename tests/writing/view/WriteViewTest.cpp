// The essay editor view driven as a student drives it: keys, typed and composed Chinese, the
// mouse, the clipboard, undo, and the messages it sends its writing screen.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QScrollBar>
#include <QtTest>

#include "Keywords.h"
#include "OkDialog.h"
#include "QtText.h"
#include "ViewTestSupport.h"
#include "WindowMessage.h"

Q_DECLARE_METATYPE(DocPosition)

namespace {

std::string Gbk(const char *utf8)
{
    return QStringToGbk(QString::fromUtf8(utf8));
}

void SetKeywords(std::vector<KeywordEntry> list)
{
    KeywordList = std::move(list);
    ++KeywordListGeneration;
}

QString ClipboardText()
{
    return QGuiApplication::clipboard()->text();
}

} // namespace

class WriteViewTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SetKeywords({}); }

    void gridArithmetic()
    {
        ViewGrid grid;
        grid.columnWidth = 10;
        grid.lineHeight = 30;
        grid.fontHeight = 20;
        QCOMPARE(grid.RowWidth(600), 58);
        QCOMPARE(grid.RowWidth(10), CWriteDoc::kMinRowWidth);
        QCOMPARE(grid.CellTopLeft(2, 3, 0, 30), QPoint(40, 35));
        QCOMPARE(grid.CaretRect(1, 4, 0, 0), QRect(50, 35, 2, 20));
        QCOMPARE(grid.RowAt(35, 30), 2);
        QCOMPARE(grid.RowAt(-1, 0), -1);
        QCOMPARE(grid.ColumnAt(45, 0), 3);
        QCOMPARE(grid.ColumnAt(5, 0), -1);
        QCOMPARE(grid.PageLines(100), 2);
        QCOMPARE(grid.PageLines(20), 1);
    }

    void typing_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("initial");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<DocPosition>("caret");
        QTest::addColumn<int>("count");
        const auto add = [](const char *name, int width, const char *initial, const char *script, const char *rows,
                            DocPosition caret, int count) {
            QTest::newRow(name) << width << QString::fromUtf8(initial) << QString::fromUtf8(script) << QString::fromUtf8(rows)
                                << caret << count;
        };
        add("letters", 10, "", "ab", "ab", {0, 2}, 2);
        add("committed Chinese", 10, "", "春天", "春天", {0, 4}, 2);
        add("Enter splits the row", 10, "", "abcd{Left}{Left}{Enter}", "ab¶|cd", {1, 0}, 4);
        add("Enter at the end opens a row", 10, "", "ab{Enter}", "ab¶|", {1, 0}, 2);
        add("Enter then typing", 10, "", "ab{Enter}c", "ab¶|c", {1, 1}, 3);
        add("Backspace after a Chinese character", 10, "", "a春{Backspace}", "a", {0, 1}, 1);
        add("Backspace joins paragraphs", 10, "", "ab{Enter}cd{Home}{Backspace}", "abcd", {0, 2}, 4);
        add("Backspace at a soft row start", 10, "春春春春春春", "{Down}{Home}{Backspace}", "春春春春春", {0, 8}, 5);
        add("Delete joins paragraphs", 10, "ab\ncd", "{End}{Delete}", "abcd", {0, 2}, 4);
        add("Delete a Chinese character", 10, "春天", "{Delete}", "天", {0, 0}, 1);
        add("Tab", 10, "", "{Tab}a", "    a", {0, 5}, 5);
        add("wrap keeps characters whole", 10, "", "a春春春春春", "a春春春春|春", {1, 2}, 6);
        add("typing into a full row pushes on", 10, "春春春春春春", "a", "a春春春春|春春", {0, 1}, 7);
        add("Left over a Chinese character", 10, "a春", "{End}{Left}", "a春", {0, 1}, 2);
        add("Right at a paragraph end", 10, "ab\ncd", "{End}{Right}", "ab¶|cd", {1, 0}, 4);
        add("Up lands after a second byte", 10, "春春\nabc", "{Down}{End}{Up}", "春春¶|abc", {0, 4}, 5);
        add("Down keeps the goal column", 10, "abcd\na\nabcd", "{End}{Down}{Down}", "abcd¶|a¶|abcd", {2, 4}, 9);
        add("Shift+Left then typing replaces", 10, "", "abc{S-Left}X", "abX", {0, 3}, 3);
        add("select all then Backspace", 10, "ab\ncd", "{C-a}{Backspace}", "", {0, 0}, 0);
        add("selection over a paragraph mark", 10, "ab\ncd", "{Right}{S-Down}{Backspace}", "ad", {0, 1}, 2);
        add("Enter over a selection", 10, "abcd", "{Right}{S-Right}{S-Right}{Enter}", "a¶|d", {1, 0}, 2);
        add("Shift+Home selects to the row start", 10, "abc", "{End}{S-Home}{Backspace}", "", {0, 0}, 0);
        add("Shift+End selects to the row end", 10, "abc\nd", "{Right}{S-End}x", "ax¶|d", {0, 2}, 3);
        add("Right ends a selection at its end", 10, "abcd", "{Right}{S-Right}{S-Right}{Right}x", "abcxd", {0, 4}, 5);
        add("Left ends a selection at its start", 10, "abcd", "{Right}{S-Right}{S-Right}{Left}x", "axbcd", {0, 2}, 5);
        add("Ctrl+End then Ctrl+Home", 10, "ab\ncd", "{C-End}x{C-Home}y", "yab¶|cdx", {0, 1}, 6);
    }

    void typing()
    {
        QFETCH(int, width);
        QFETCH(QString, initial);
        QFETCH(QString, script);
        EditorHarness editor(width);
        QCOMPARE(editor.View()->RowWidth(), width);
        editor.SetText(initial);
        editor.Run(script);
        QTEST(editor.Rows(), "rows");
        QTEST(editor.View()->Caret(), "caret");
        QTEST(editor.View()->CharCount(), "count");
    }

    void checkPointsPairChineseCharacters()
    {
        EditorHarness editor(20);
        editor.Run("a");
        for (const char *character : {"春", "天", "来", "了"})
            CommitText(editor.View(), QString::fromUtf8(character));
        // One check point for the letter, one for every second Chinese character.
        QCOMPARE(editor.View()->Document().UndoDepth(), std::size_t(3));
        editor.Run("{C-z}");
        QCOMPARE(editor.Rows(), QString::fromUtf8("a春天"));
        // A character whose second byte is below 0x80 takes its own check point.
        CommitText(editor.View(), QString::fromUtf8("丂"));
        QCOMPARE(editor.View()->GetText(), Gbk("a春天丂"));
        QCOMPARE(editor.View()->Document().UndoDepth(), std::size_t(3));
        editor.Run("{C-z}");
        QCOMPARE(editor.Rows(), QString::fromUtf8("a春天"));
    }

    void limitHoldsForEveryInput()
    {
        EditorHarness editor(40);
        editor.SetText(ChineseText(5000, 90)); // the last row is not full
        editor.Run("{C-End}");
        const std::string full = editor.View()->GetText();
        const std::int32_t rows = editor.View()->Document().RowCount();
        editor.Run("a{Tab} ");
        CommitText(editor.View(), QString::fromUtf8("春"));
        QCOMPARE(editor.View()->GetText(), full);
        QCOMPARE(editor.View()->CharCount(), 5000);
        editor.Run("{Enter}");
        QCOMPARE(editor.View()->GetText(), full + "\r");
        QCOMPARE(editor.View()->CharCount(), 5000);
        QCOMPARE(editor.View()->Document().RowCount(), rows + 1);
        // One character below the limit a Tab gives only the one space left.
        editor.Run("{Backspace}{Backspace}{Tab}");
        QCOMPARE(editor.View()->CharCount(), 5000);
        QCOMPARE(editor.View()->GetText().back(), ' ');
    }

    void paste_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("rows");
        const auto add = [](const char *name, const char *clip, const char *rows) {
            QTest::newRow(name) << QString::fromUtf8(clip) << QString::fromUtf8(rows);
        };
        add("CR LF becomes one mark", "ab\r\ncd", "xab¶|cdy");
        add("bare LF becomes one mark", "ab\ncd", "xab¶|cdy");
        add("character outside GBK left out", "a😀b𠀀c", "xabcy");
        add("tab and control characters", "a\tb\x01", "xa    by");
        add("long text wraps", "一二三四五六七八九十", "x一二三四|五六七八九|十y");
    }

    void paste()
    {
        QFETCH(QString, clipboard);
        EditorHarness editor(10);
        editor.SetText("xy");
        editor.Run("{Right}");
        QGuiApplication::clipboard()->setText(clipboard);
        editor.Run("{C-v}");
        QTEST(editor.Rows(), "rows");
        QCOMPARE(editor.View()->IsChanged(), true);
    }

    void pasteIsFittedToTheLimit()
    {
        EditorHarness editor(40);
        editor.SetText(ChineseText(4995, 100));
        editor.Run("{C-End}");
        const std::string before = editor.View()->GetText();
        QGuiApplication::clipboard()->setText(QString::fromUtf8("一二三四五六\r\n七八九十"));
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        editor.Run("{C-v}");
        QCOMPARE(editor.View()->CharCount(), 5000);
        QCOMPARE(editor.View()->GetText(), before + Gbk("一二三四五"));
        const auto counts = editor.TakeMessages(kMsgWordCount);
        QCOMPARE(counts.size(), std::size_t(1));
        QCOMPARE(counts[0].wParam, intptr_t(5000));
        // The student is told how much of the copied text did not go in (the line break is free).
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(responder.calls[0].message, Gbk("每篇文章最多5000字，还有5字没有粘贴进来。"));
        // At the limit already, nothing goes in and the whole copy is counted.
        responder.calls.clear();
        editor.Run("{C-v}");
        QCOMPARE(editor.View()->GetText(), before + Gbk("一二三四五"));
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(responder.calls[0].message, Gbk("每篇文章最多5000字，还有10字没有粘贴进来。"));
    }

    void pasteWithoutTextSaysSo()
    {
        EditorHarness editor(10);
        editor.SetText("ab");
        QGuiApplication::clipboard()->clear();
        MessageBoxResponder responder;
        ScopedMessageBoxResponder scoped(responder);
        editor.View()->Paste();
        QCOMPARE(responder.calls.size(), std::size_t(1));
        QCOMPARE(responder.calls[0].message, Gbk("无法从剪切板得到数据！"));
        QCOMPARE(editor.Rows(), QString("ab"));
    }

    void undoAndRedo()
    {
        EditorHarness editor(10);
        editor.Run("a");
        QCOMPARE(editor.View()->CanUndo(), false);
        editor.Run("b");
        QCOMPARE(editor.View()->CanUndo(), true);
        editor.Run("{C-z}");
        QCOMPARE(editor.Rows(), QString("a"));
        QCOMPARE(editor.View()->Caret(), (DocPosition{0, 1}));
        QCOMPARE(editor.View()->CanUndo(), false);
        QCOMPARE(editor.View()->CanRedo(), true);
        editor.Run("{C-y}");
        QCOMPARE(editor.Rows(), QString("ab"));
        QCOMPARE(editor.View()->Caret(), (DocPosition{0, 2}));
        editor.Run("{C-z}c");
        QCOMPARE(editor.Rows(), QString("ac"));
        QCOMPARE(editor.View()->CanRedo(), false);
    }

    // Snapshots hold rows cut for the width of their time; what Undo and Redo bring back is cut
    // again for the editor's width now.
    void undoAndRedoAfterAWidthChange()
    {
        EditorHarness editor(10);
        editor.Run("abcdefghijkl");
        QCOMPARE(editor.Rows(), QString("abcdefghij|kl"));
        editor.SetRowWidth(20); // maximised
        QCOMPARE(editor.Rows(), QString("abcdefghijkl"));
        editor.Run("m");
        editor.SetRowWidth(10); // restored
        QCOMPARE(editor.Rows(), QString("abcdefghij|klm"));
        editor.Run("{C-z}");
        QCOMPARE(editor.Rows(), QString("abcdefghij|kl"));
        QCOMPARE(editor.View()->Caret(), (DocPosition{1, 2}));
        editor.Run("{C-y}");
        QCOMPARE(editor.Rows(), QString("abcdefghij|klm"));
        QCOMPARE(editor.View()->Caret(), (DocPosition{1, 3}));
        editor.SetRowWidth(4);
        editor.Run("{C-z}");
        QCOMPARE(editor.Rows(), QString("abcd|efgh|ijkl"));
    }

    void copyAndCut()
    {
        EditorHarness editor(10);
        editor.SetText("ab\ncd");
        QGuiApplication::clipboard()->setText("unchanged");
        QCOMPARE(editor.View()->CanCopy(), false);
        editor.Run("{C-c}");
        QCOMPARE(ClipboardText(), QString("unchanged"));
        editor.Run("{C-a}{C-c}");
        QCOMPARE(ClipboardText(), QString("ab\rcd"));
        editor.Run("{C-Home}{S-Right}{S-Right}{C-x}");
        QCOMPARE(ClipboardText(), QString("ab"));
        QCOMPARE(editor.Rows(), QString("¶|cd"));
        editor.Run("{C-End}{C-v}");
        QCOMPARE(editor.Rows(), QString("¶|cdab"));
    }

    void contextMenuItemsFollowTheState()
    {
        EditorHarness editor(10);
        editor.SetText("ab");
        QGuiApplication::clipboard()->setText("x");
        const auto itemStates = [&] {
            std::unique_ptr<QMenu> menu(editor.View()->CreateContextMenu(nullptr));
            QStringList items;
            for (QAction *action : menu->actions())
                items << action->text() + (action->isEnabled() ? "+" : "-");
            return menu->title() + ": " + items.join(", ");
        };
        QCOMPARE(itemStates(), QString::fromUtf8("右键菜单: 剪切(&T)\tCtrl+X-, 复制(&C)\tCtrl+C-, 粘贴(&P)\tCtrl+V+, "
                                                 "删除(&D)-, 全选(&A)\tCtrl+A+"));
        editor.Run("{S-Right}");
        QCOMPARE(itemStates(), QString::fromUtf8("右键菜单: 剪切(&T)\tCtrl+X+, 复制(&C)\tCtrl+C+, 粘贴(&P)\tCtrl+V+, "
                                                 "删除(&D)+, 全选(&A)\tCtrl+A+"));
        std::unique_ptr<QMenu> menu(editor.View()->CreateContextMenu(nullptr));
        menu->actions().at(3)->trigger();
        QCOMPARE(editor.Rows(), QString("b"));
    }

    void doubleClickSelectsAWord_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<DocPosition>("start");
        QTest::addColumn<DocPosition>("end");
        QTest::newRow("inside Chinese text") << 6 << DocPosition{0, 3} << DocPosition{0, 11};
        QTest::newRow("second byte of its first character") << 4 << DocPosition{0, 3} << DocPosition{0, 11};
        QTest::newRow("Latin word") << 13 << DocPosition{0, 12} << DocPosition{0, 16};
        QTest::newRow("on the space") << 2 << DocPosition{0, 2} << DocPosition{0, 2};
    }

    void doubleClickSelectsAWord()
    {
        QFETCH(int, column);
        EditorHarness editor(40);
        editor.SetText(QString::fromUtf8("ab 春天来了,cd_9 x"));
        QTest::mouseDClick(editor.View()->viewport(), Qt::LeftButton, {}, editor.CellCentre(0, column));
        QTEST(editor.View()->SelectionStart(), "start");
        QTEST(editor.View()->SelectionEnd(), "end");
        QTEST(editor.View()->Caret(), "end");
    }

    void mousePlacesAndSelects()
    {
        EditorHarness editor(10);
        editor.SetText(QString::fromUtf8("春天\ncd"));
        QWidget *surface = editor.View()->viewport();
        QTest::mouseClick(surface, Qt::LeftButton, {}, editor.CellCentre(0, 1));
        QCOMPARE(editor.View()->Caret(), (DocPosition{0, 2}));
        QTest::mouseClick(surface, Qt::LeftButton, {}, editor.CellCentre(0, 8));
        QCOMPARE(editor.View()->Caret(), (DocPosition{0, 4}));
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(2, editor.CellCentre(0, 0).y()));
        QCOMPARE(editor.View()->SelectionStart(), (DocPosition{0, 0}));
        QCOMPARE(editor.View()->SelectionEnd(), (DocPosition{1, 0}));
        QCOMPARE(editor.View()->Caret(), (DocPosition{1, 0}));
        QTest::mousePress(surface, Qt::LeftButton, {}, editor.CellCentre(0, 2));
        QTest::mouseMove(surface, editor.CellCentre(1, 1));
        QTest::mouseRelease(surface, Qt::LeftButton, {}, editor.CellCentre(1, 1));
        QCOMPARE(editor.View()->SelectionStart(), (DocPosition{0, 2}));
        QCOMPARE(editor.View()->SelectionEnd(), (DocPosition{1, 1}));
        QCOMPARE(editor.View()->SelectedText(), Gbk("天\rc"));
    }

    void dragNearTheBottomScrolls()
    {
        EditorHarness editor(20, 200);
        editor.SetText(ChineseText(400, 5));
        QWidget *surface = editor.View()->viewport();
        QTest::mousePress(surface, Qt::LeftButton, {}, editor.CellCentre(0, 0));
        const QPoint bottom(40, surface->height() - 2);
        for (int i = 0; i < 3; ++i)
            QTest::mouseMove(surface, bottom + QPoint(i, 0));
        QTest::mouseRelease(surface, Qt::LeftButton, {}, bottom);
        QCOMPARE(editor.View()->ScrollOffset(), 3 * editor.View()->Grid().lineHeight);
        QCOMPARE(editor.View()->SelectionStart(), (DocPosition{0, 0}));
        QCOMPARE(editor.View()->SelectionEnd().row, editor.View()->Grid().RowAt(bottom.y(), editor.View()->ScrollOffset()));
    }

    // Touchpads and free-spinning wheels send deltas well under a notch; they must add up.
    void smallWheelDeltasAddUp_data()
    {
        QTest::addColumn<bool>("pixels");
        QTest::addColumn<int>("delta"); // per event, downwards; pixels: in halves of a line
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("lines");
        QTest::newRow("40 a turn, 3 turns") << false << 40 << 3 << 1;
        QTest::newRow("40 a turn, 7 turns") << false << 40 << 7 << 2;
        QTest::newRow("15 a turn, 7 turns") << false << 15 << 7 << 0;
        QTest::newRow("15 a turn, 16 turns") << false << 15 << 16 << 2;
        QTest::newRow("half a line of pixels, 5 times") << true << 1 << 5 << 2;
    }

    void smallWheelDeltasAddUp()
    {
        QFETCH(bool, pixels);
        QFETCH(int, delta);
        QFETCH(int, events);
        QFETCH(int, lines);
        EditorHarness editor(20, 200);
        editor.SetText(ChineseText(400, 5));
        const int line = editor.View()->Grid().lineHeight;
        const auto turn = [&](int units) {
            const QPoint angle = pixels ? QPoint(0, -units * 60) : QPoint(0, -units);
            const QPoint pixel = pixels ? QPoint(0, -units * line / 2) : QPoint();
            QWheelEvent wheel(QPointF(50, 50), editor.View()->viewport()->mapToGlobal(QPointF(50, 50)), pixel, angle,
                              Qt::NoButton, {}, Qt::ScrollUpdate, false);
            QCoreApplication::sendEvent(editor.View()->viewport(), &wheel);
        };
        for (int i = 0; i < events; ++i)
            turn(delta);
        QCOMPARE(editor.View()->ScrollOffset(), lines * line);
        // Back up the same way: the movement returns to the top, not beyond or short of it.
        for (int i = 0; i < events; ++i)
            turn(-delta);
        QCOMPARE(editor.View()->ScrollOffset(), 0);
    }

    void wheelAndPagesScrollByLines()
    {
        EditorHarness editor(20, 200);
        editor.SetText(ChineseText(400, 5));
        const int line = editor.View()->Grid().lineHeight;
        QWheelEvent wheel(QPointF(50, 50), editor.View()->viewport()->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -240),
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(editor.View()->viewport(), &wheel);
        QCOMPARE(editor.View()->ScrollOffset(), 2 * line);
        editor.Run("{PageDown}");
        const int page = editor.View()->Grid().PageLines(editor.View()->viewport()->height());
        QCOMPARE(editor.View()->ScrollOffset(), (2 + page) * line);
        editor.View()->verticalScrollBar()->setValue(5 * line + line / 2); // a thumb drag
        QCOMPARE(editor.View()->ScrollOffset(), 5 * line);
        // Page Down ends a selection; the caret stays where it was.
        editor.Run("{C-Home}{S-Right}{PageDown}");
        QCOMPARE(editor.View()->HasSelection(), false);
        QCOMPARE(editor.View()->Caret(), (DocPosition{0, 2}));
        // Down on the last row scrolls one line.
        editor.SetText("ab");
        editor.Host()->resize(editor.Host()->width(), line / 2 + ViewGrid::kTextTop);
        QCoreApplication::processEvents();
        const int before = editor.View()->ScrollOffset();
        editor.Run("{Down}");
        QCOMPARE(editor.View()->ScrollOffset(), before + line);
    }

    void composingIsNotAnEdit()
    {
        EditorHarness editor(10);
        editor.Run("ab");
        editor.View()->SetChanged(false);
        editor.TakeMessages();
        const std::size_t depth = editor.View()->Document().UndoDepth();
        Compose(editor.View(), "chun");
        QCOMPARE(editor.View()->PreeditText(), QString("chun"));
        QCOMPARE(editor.Rows(), QString("ab"));
        QCOMPARE(editor.View()->CharCount(), 2);
        QCOMPARE(editor.View()->IsChanged(), false);
        QCOMPARE(editor.View()->Document().UndoDepth(), depth);
        QCOMPARE(editor.TakeMessages().size(), std::size_t(0));
        // Cancelled: the document is as it was.
        Compose(editor.View(), "");
        QCOMPARE(editor.View()->PreeditText(), QString());
        QCOMPARE(editor.Rows(), QString("ab"));
        QCOMPARE(editor.View()->IsChanged(), false);
        // Committed: exactly as typed.
        Compose(editor.View(), "chuntian");
        CommitText(editor.View(), QString::fromUtf8("春天"));
        QCOMPARE(editor.View()->PreeditText(), QString());
        QCOMPARE(editor.Rows(), QString::fromUtf8("ab春天"));
        QCOMPARE(editor.View()->Caret(), (DocPosition{0, 6}));
        QCOMPARE(editor.View()->IsChanged(), true);
        const auto counts = editor.TakeMessages(kMsgWordCount);
        QVERIFY(!counts.empty());
        QCOMPARE(counts.back().wParam, intptr_t(4));
    }

    void commitOutsideGbkKeepsTheRest()
    {
        EditorHarness editor(20);
        CommitText(editor.View(), QString::fromUtf8("春😀天𠀀了"));
        QCOMPARE(editor.Rows(), QString::fromUtf8("春天了"));
        QCOMPARE(editor.View()->CharCount(), 3);
        QCOMPARE(editor.View()->GetText(), Gbk("春天了"));
    }

    void caretRectangleForTheInputMethod()
    {
        EditorHarness editor(20, 200);
        const auto reported = [&] { return editor.View()->inputMethodQuery(Qt::ImCursorRectangle).toRect(); };
        const auto expected = [&] {
            const DocPosition caret = editor.View()->Caret();
            return editor.View()->Grid().CaretRect(caret.row, caret.column, 0, editor.View()->ScrollOffset());
        };
        editor.Run("abc");
        QCOMPARE(reported(), expected());
        QCOMPARE(reported().topLeft(), editor.View()->Grid().CellTopLeft(0, 3, 0, 0));
        editor.SetText(ChineseText(400, 5));
        editor.Run("{C-End}");
        QVERIFY(editor.View()->ScrollOffset() > 0);
        QCOMPARE(reported(), expected());
        QVERIFY(editor.View()->viewport()->rect().contains(reported()));
        editor.Run("{PageUp}");
        QCOMPARE(reported(), expected());
        // A maximised screen: the rectangle follows the new size.
        editor.Screen()->resize(900, 600);
        editor.Host()->resize(900, 600);
        QCoreApplication::processEvents();
        QCOMPARE(reported(), expected());
        QCOMPARE(editor.View()->inputMethodQuery(Qt::ImSurroundingText).toString().isEmpty(), false);
    }

    void resizeReflowsAndKeepsTheCaret()
    {
        EditorHarness editor(10);
        editor.SetText(QString::fromUtf8("春春春春春春"));
        editor.Run("{Down}{End}");
        QCOMPARE(editor.Rows(), QString::fromUtf8("春春春春春|春"));
        const int chrome = editor.Host()->width() - editor.View()->viewport()->width();
        editor.Host()->resize(ViewGrid::kMargin + 21 * editor.View()->Grid().columnWidth + chrome, 300);
        QCOMPARE(editor.View()->RowWidth(), 20);
        QCOMPARE(editor.Rows(), QString::fromUtf8("春春春春春春"));
        QCOMPARE(editor.View()->Caret(), (DocPosition{0, 12}));
    }

    void keywordPickSendsTheClickedId()
    {
        SetKeywords({{7, Gbk("春天")}, {9, Gbk("学习")}, {-1, Gbk("我")}});
        EditorHarness editor(40);
        editor.SetText(QString::fromUtf8("我爱春天也爱学习"));
        QWidget *surface = editor.View()->viewport();
        const struct
        {
            int column;
            intptr_t id; // 0: nothing sent
        } clicks[] = {{4, 7}, {6, 7}, {12, 9}, {2, 0}, {0, 0}};
        for (const auto &click : clicks) {
            editor.TakeMessages();
            QTest::mouseClick(surface, Qt::LeftButton, {}, editor.CellCentre(0, click.column));
            const auto picks = editor.TakeMessages(kMsgKeywordPick);
            QCOMPARE(picks.size(), std::size_t(click.id != 0 ? 1 : 0));
            if (click.id != 0) {
                QCOMPARE(picks[0].wParam, click.id);
                QCOMPARE(picks[0].lParam, intptr_t(1));
                QCOMPARE(picks[0].posted, false);
            }
        }
    }

    void wordCountAfterEachEdit_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("count");
        const auto add = [](const char *name, const char *script, int count) {
            QTest::newRow(name) << QString::fromUtf8(script) << count;
        };
        add("letter", "{C-End}x", 6);
        add("Chinese", "{C-End}春", 6);
        add("Enter", "{Enter}", 5);
        add("Backspace", "{C-End}{Backspace}", 4);
        add("Delete", "{Delete}", 4);
        add("Tab", "{Tab}", 9);
        add("Space", " ", 6);
        add("paste", "{C-v}", 7);
        add("cut", "{S-Right}{C-x}", 4);
        add("undo", "x{C-End}y{C-z}", 6);
        add("redo", "x{C-End}y{C-z}{C-y}", 7);
    }

    void wordCountAfterEachEdit()
    {
        QFETCH(QString, script);
        QFETCH(int, count);
        EditorHarness editor(20);
        editor.SetText("ab\ncde");
        QGuiApplication::clipboard()->setText(QString::fromUtf8("春天"));
        editor.Run(script);
        const auto counts = editor.TakeMessages(kMsgWordCount);
        QVERIFY(!counts.empty());
        QCOMPARE(counts.back().wParam, intptr_t(count));
        QCOMPARE(counts.back().lParam, intptr_t(0));
        QCOMPARE(counts.back().posted, true);
        QCOMPARE(editor.View()->CharCount(), count);
    }

    void readOnlyIgnoresEveryEdit()
    {
        SetKeywords({{7, Gbk("春天")}});
        EditorHarness editor(20);
        editor.SetText(QString::fromUtf8("春天ab\ncd"));
        editor.Run("x{C-End}y"); // two check points, so undo would have something to do
        editor.View()->SetChanged(false);
        editor.View()->SetReadOnly(true);
        const std::string text = editor.View()->GetText();
        editor.TakeMessages();
        QGuiApplication::clipboard()->setText("pasted");
        editor.Run("z{Enter}{Backspace}{Delete}{Tab} {C-v}{C-a}{C-x}{C-z}{C-y}");
        CommitText(editor.View(), QString::fromUtf8("春"));
        editor.View()->Paste();
        editor.View()->OnChar('q');
        QCOMPARE(editor.View()->GetText(), text);
        QCOMPARE(editor.View()->IsChanged(), false);
        QCOMPARE(editor.TakeMessages().size(), std::size_t(0));
        QCOMPARE(editor.View()->CanUndo(), false);
        editor.Repaint();
        QCOMPARE(editor.View()->Document().Marks().Size(), std::size_t(0));
        // Copying out of a read-only essay still works.
        editor.Run("{C-c}");
        QCOMPARE(ClipboardText(), GbkToQString(text));
    }

    // Every character fills exactly its cells as drawn: a half-width letter one column, an
    // ideograph two, so Latin letters neither overlap ("m") nor leave gaps ("i").
    void charactersFillTheirCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("letters") << "HelloWorld mio ill MW";
        QTest::newRow("digits and marks") << "0189,.;:!?()-_@#";
        QTest::newRow("ideographs and full-width marks") << QString::fromUtf8("你好，春天。");
    }
    void charactersFillTheirCells()
    {
        QFETCH(QString, text);
        EditorHarness editor;
        const int column = editor.View()->Grid().columnWidth;
        for (const QChar c : text) {
            const std::string bytes = QStringToGbk(QString(c));
            const auto code = static_cast<std::uint16_t>(
                bytes.size() == 2 ? static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1])
                                  : static_cast<unsigned char>(bytes[0]));
            QCOMPARE(qRound(editor.View()->DrawnAdvance(code)), static_cast<int>(bytes.size()) * column);
        }
    }

    // A letter's ink stays inside its own column, so wide letters reach no neighbour; saved with
    // Latin and Chinese on one row for a look.
    void latinLettersStayInTheirColumns()
    {
        EditorHarness editor(40, 120);
        editor.SetText(QString::fromUtf8("Hello, mio 你好 ill\nm W M w @ m"));
        editor.Repaint();
        const QImage shot = editor.View()->RenderImage();
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
        QVERIFY(shot.save(QString(PENLARK_SCREENSHOT_DIR) + "/writing_view_latin.png"));

        // Row 1 has a space between letters, so clear ink within half a column of a letter's
        // column is that letter's own; a pixel of smoothing beyond its edge is allowed.
        const ViewGrid &grid = editor.View()->Grid();
        const int background = qGray(WriteViewColours::Background().rgb());
        const std::string row = editor.View()->Document().Rows()[1];
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(row.size()); i += 2) {
            const QPoint cell = grid.CellTopLeft(1, i, 0, 0);
            int left = shot.width();
            int right = -1;
            for (int x = cell.x() - grid.columnWidth / 2; x < cell.x() + grid.columnWidth * 3 / 2; ++x)
                for (int y = cell.y(); y < cell.y() + grid.fontHeight; ++y)
                    if (background - qGray(shot.pixel(x, y)) > 64) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            QVERIFY2(right >= 0, qPrintable(QString("no ink for '%1'").arg(row[i])));
            QVERIFY2(left >= cell.x() - 1 && right <= cell.x() + grid.columnWidth,
                     qPrintable(QString("'%1' inks %2..%3, its column is %4..%5")
                                    .arg(row[i]).arg(left).arg(right).arg(cell.x()).arg(cell.x() + grid.columnWidth - 1)));
        }
    }

    // The view with green keywords, a selection and a composition, saved for a look and checked
    // by its colours.
    void screenshot()
    {
        SetKeywords({{7, Gbk("春天")}, {9, Gbk("学而时习之")}});
        EditorHarness editor(36, 260);
        editor.SetText(QString::fromUtf8("学而时习之，不亦说乎？\n春天来了，小草从土里探出头来。 We write essays.\n"
                                         "有朋自远方来，不亦乐乎？"));
        // A selection from after "。" on row 1 down to the end of row 3, then a composition there.
        editor.Run("{C-Home}{Down}" + QString("{Right}").repeated(14) + "{S-Down}{S-Down}");
        QCOMPARE(editor.View()->SelectionStart(), (DocPosition{1, 28}));
        QCOMPARE(editor.View()->SelectionEnd(), (DocPosition{3, 24}));
        Compose(editor.View(), "chuntian");
        editor.Repaint();
        const QImage shot = editor.Host()->grab().toImage();
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
        QVERIFY(shot.save(QString(PENLARK_SCREENSHOT_DIR) + "/writing_view.png"));

        const ViewGrid &grid = editor.View()->Grid();
        const auto cellHas = [&](std::int32_t row, std::int32_t column, int columns, const QColor &colour) {
            const QRect cell(grid.CellTopLeft(row, column, 0, 0), QSize(columns * grid.columnWidth, grid.fontHeight));
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (shot.pixelColor(x, y) == colour)
                        return true;
            return false;
        };
        QCOMPARE(cellHas(0, 0, 10, WriteViewColours::Keyword()), true); // 学而时习之
        QCOMPARE(cellHas(1, 0, 4, WriteViewColours::Keyword()), true);  // 春天
        QCOMPARE(cellHas(1, 4, 4, WriteViewColours::Keyword()), false); // 来了
        QCOMPARE(cellHas(1, 4, 4, WriteViewColours::Text()), true);
        QCOMPARE(cellHas(2, 0, 2, WriteViewColours::SelectedBackground()), true);
        QCOMPARE(cellHas(3, 24, 8, WriteViewColours::Text()), true); // the composition
        QCOMPARE(editor.View()->GetText().find("chun"), std::string::npos);
    }
};

QTEST_MAIN(WriteViewTest)
#include "WriteViewTest.moc"
