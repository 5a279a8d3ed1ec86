// The framed multi-line field: the character limit against typing, the input method and pasting,
// and the text as the program reads it.
#include "CoolEdit.h"
#include "GbkText.h"
#include "ScreenKit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QtTest>

namespace {

QString Repeat(const char *utf8, int times)
{
    return QString::fromUtf8(utf8).repeated(times);
}

} // namespace

class CoolEditTest : public QObject
{
    Q_OBJECT

private slots:
    void countsCharactersNotBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("latin") << "abc" << 3;
        QTest::newRow("chinese") << QString::fromUtf8("作文分数") << 4;
        QTest::newRow("outside the basic plane") << QString::fromUtf8("\xF0\xA0\x80\x80x") << 2;
        QTest::newRow("line break") << "a\nb" << 3;
    }
    void countsCharactersNotBytes()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(CountFieldChars(text), count);
        CCoolEdit field;
        field.setPlainText(text);
        QCOMPARE(field.CharCount(), count);
    }

    void typingStopsAtTheLimit()
    {
        CCoolEdit field;
        field.SetLimitText(800);
        field.setPlainText(Repeat("写", 799));
        field.moveCursor(QTextCursor::End);
        CommitText(&field, QString::fromUtf8("字"));
        QCOMPARE(field.CharCount(), 800);
        CommitText(&field, QString::fromUtf8("多"));
        QTest::keyClicks(&field, "ab");
        QTest::keyClick(&field, Qt::Key_Return);
        QCOMPARE(field.CharCount(), 800);
        QCOMPARE(field.toPlainText().right(2), QString::fromUtf8("写字"));

        // A committed phrase is cut to the room left.
        QTest::keyClick(&field, Qt::Key_Backspace);
        QTest::keyClick(&field, Qt::Key_Backspace);
        CommitText(&field, QString::fromUtf8("春天来了"));
        QCOMPARE(field.toPlainText().right(3), QString::fromUtf8("写春天"));

        // Typing over a selection replaces it, so it fits.
        field.selectAll();
        QTest::keyClicks(&field, "x");
        QCOMPARE(field.toPlainText(), QString("x"));
        QTest::keyClick(&field, Qt::Key_Return);
        QCOMPARE(field.CharCount(), 2);
    }

    void pastingStopsAtTheLimit()
    {
        CCoolEdit field;
        field.SetLimitText(10);
        field.setPlainText("1234567");
        field.moveCursor(QTextCursor::End);
        QApplication::clipboard()->setText(QString::fromUtf8("八九十一二"));
        field.paste();
        QCOMPARE(field.toPlainText(), QString::fromUtf8("1234567八九十"));
        field.paste();
        QCOMPARE(field.toPlainText(), QString::fromUtf8("1234567八九十"));
        // Pasted CR LF line breaks count one each.
        field.clear();
        QApplication::clipboard()->setText("ab\r\ncd\r\nef\r\ngh");
        field.paste();
        QCOMPARE(field.toPlainText(), QString("ab\ncd\nef\ng"));
    }

    // What GBK cannot hold (emoji) is left out however it comes in, so the field shows what is
    // sent; the rest of the text goes in unchanged.
    void charactersGbkCannotHoldAreLeftOut()
    {
        CCoolEdit field;
        field.SetLimitText(800);
        CommitText(&field, QString::fromUtf8("我的🌸春天"));
        QApplication::clipboard()->setText(QString::fromUtf8(" Spring😀\r\n下一行"));
        field.paste();
        QKeyEvent emojiKey(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("🌸"));
        QApplication::sendEvent(&field, &emojiKey);
        QTest::keyClicks(&field, "!");
        QCOMPARE(field.toPlainText(), QString::fromUtf8("我的春天 Spring\n下一行!"));
        QCOMPARE(field.WindowText(), Utf8ToGbk("我的春天 Spring\r\n下一行!"));
    }

    void textReadsAsGbkWithCrLf()
    {
        CCoolEdit field;
        field.SetWindowText(Utf8ToGbk("第一行\r\n第二行\n三"));
        QCOMPARE(field.blockCount(), 3);
        QCOMPARE(field.WindowText(), Utf8ToGbk("第一行\r\n第二行\r\n三"));
    }
};

QTEST_MAIN(CoolEditTest)
#include "CoolEditTest.moc"
