// The notice box COkDialog and the question box CMsgDlg: the message layout (pure and as drawn),
// size and place, buttons, results, the open flag, drag, keys that must not close, the responder.
#include "Fonts.h"
#include "GbkText.h"
#include "MsgDlg.h"
#include "OkDialog.h"
#include "QtText.h"
#include "Screen.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

const std::string kOk = Utf8ToGbk("确 定");
const std::string kYes = Utf8ToGbk("确定");
const std::string kNo = Utf8ToGbk("取消");

std::string Dump(const std::vector<BoxMessageGlyph> &glyphs, const std::string &message)
{
    std::string text;
    for (const BoxMessageGlyph &g : glyphs)
        text += GbkToUtf8(message.substr(g.offset, g.length)) + "@" + std::to_string(g.x) + "," + std::to_string(g.top) + " ";
    return text;
}

bool IsDark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// Leftmost column with a dark pixel inside the rectangle, or -1.
// The laid-out text line by line (UTF-8 lines joined by "|").
QString LaidOutLines(const std::string &gbk, int labelWidth)
{
    QStringList lines;
    int top = -1;
    for (const BoxMessageGlyph &glyph : LayoutBoxMessage(gbk, 12, 6, labelWidth)) {
        if (glyph.top != top)
            lines << QString();
        top = glyph.top;
        lines.last() += QString::fromStdString(GbkToUtf8(gbk.substr(glyph.offset, glyph.length)));
    }
    return lines.join('|');
}

int LeftmostDark(const QImage &image, const QRect &area)
{
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (IsDark(image.pixel(x, y)))
                return x;
    return -1;
}

int DarkPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            count += IsDark(image.pixel(x, y)) ? 1 : 0;
    return count;
}

QImage RenderNotice(const std::string &message)
{
    COkDialog box(kOk, message);
    box.show();
    return box.grab().toImage();
}

template <typename Box> Box *OpenBox()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<Box *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

class MessageBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutFollowsTheBoxRule_data()
    {
        QTest::addColumn<QByteArray>("message"); // GBK
        QTest::addColumn<QString>("expected");
        auto gbk = [](const char *utf8) { return QByteArray::fromStdString(Utf8ToGbk(utf8)); };
        // Font 12 px high, average width 6, label 243 wide: right limit 231, first top 6.
        QTest::newRow("tab and two blanks start ten averages in")
            << gbk("\t  删除成功!") << QString(" @48,6  @54,6 删@60,6 除@72,6 成@84,6 功@96,6 !@108,6 ");
        QTest::newRow("CR, CR LF and LF each start one line")
            << gbk("a\rb\r\nc\nd\n\re") << QString("a@0,6 b@0,26 c@0,46 d@0,66 e@0,106 ");
        QTest::newRow("a byte without a high-bit partner is one average wide") << QByteArray("\xb1x") << QString("?@0,6 x@6,6 ");
    }

    void layoutFollowsTheBoxRule()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, expected);
        const std::string gbk = message.toStdString();
        QCOMPARE(QString::fromStdString(Dump(LayoutBoxMessage(gbk, 12, 6, 243), gbk)), expected);
    }

    void linesBreakBetweenAnyTwoCharactersPastTheRightLimit()
    {
        // Double-byte characters advance 12: the 20th ends at 240 > 231, the 21st starts a line.
        const std::string chinese = Utf8ToGbk(std::string("一二三四五六七八九十") + "一二三四五六七八九十" + "甲乙");
        const auto glyphs = LayoutBoxMessage(chinese, 12, 6, 243);
        QCOMPARE(glyphs.size(), size_t(22));
        QCOMPARE(glyphs[19].x, 228);
        QCOMPARE(glyphs[19].top, 6);
        QCOMPARE(glyphs[20].x, 0);
        QCOMPARE(glyphs[20].top, 26);

        // Single bytes advance 6: the 39th ends at 234 and the word is cut there.
        const std::string latin = std::string(38, 'a') + "wordbreak";
        const auto latinGlyphs = LayoutBoxMessage(latin, 12, 6, 243);
        QCOMPARE(latinGlyphs[38].x, 228);
        QCOMPARE(latinGlyphs[39].x, 0);
        QCOMPARE(latinGlyphs[39].top, 26);
        QCOMPARE(latin.substr(latinGlyphs[39].offset, 1), std::string("o"));

        // A tab is an advance too: from 216 it passes the limit, so the next character is below.
        const std::string tabbed = std::string(36, 'a') + "\tb";
        const auto tabGlyphs = LayoutBoxMessage(tabbed, 12, 6, 243);
        QCOMPARE(tabGlyphs.back().x, 0);
        QCOMPARE(tabGlyphs.back().top, 26);
    }

    // Lines of 20 double-byte characters (label 243, average 6): a closing mark or pause never
    // starts a line and an opening mark never ends one; the line's last characters move down.
    void chineseLineBreakingRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("lines");
        const QString twenty = QString::fromUtf8("一二三四五六七八九十一二三四五六七八九十");
        const QString nineteen = twenty.left(19);
        QTest::newRow("plain text breaks after twenty") << twenty + "甲乙" << twenty + "|甲乙";
        QTest::newRow("closing title mark") << twenty + QString::fromUtf8("》已找回") << nineteen + QString::fromUtf8("|十》已找回");
        QTest::newRow("comma") << twenty + QString::fromUtf8("，好") << nineteen + QString::fromUtf8("|十，好");
        QTest::newRow("pause mark") << twenty + QString::fromUtf8("、好") << nineteen + QString::fromUtf8("|十、好");
        QTest::newRow("two closing marks") << twenty + QString::fromUtf8("”。") << nineteen + QString::fromUtf8("|十”。");
        QTest::newRow("opening mark at the end") << nineteen + QString::fromUtf8("《春》") << nineteen + QString::fromUtf8("|《春》");
        QTest::newRow("opening mark before a closing one")
            << nineteen.left(18) + QString::fromUtf8("“《春》") << nineteen.left(18) + QString::fromUtf8("|“《春》");
        QTest::newRow("left-essay offer") << QString::fromUtf8("\t  上次没有保存的作文《春天的故事》已找回，是否打开继续写？")
                                          << QString::fromUtf8("  上次没有保存的作文《春天的故|事》已找回，是否打开继续写？");
    }
    void chineseLineBreakingRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, lines);
        QCOMPARE(LaidOutLines(QStringToGbk(message), 243), lines);
    }

    void drawnTabOffsetIsTenAverageWidths()
    {
        const int average = AverageCharWidth(messagebox::BoxFont());
        const QRect label(44, 50, 243, 74);
        const int plain = LeftmostDark(RenderNotice(Utf8ToGbk("删除成功!")), label);
        const int tabbed = LeftmostDark(RenderNotice(Utf8ToGbk("\t  删除成功!")), label);
        QVERIFY(plain >= 44);
        QCOMPARE(tabbed - plain, 10 * average);
    }

    void drawnLongSentenceWrapsOntoASecondLine()
    {
        // Thirty characters do not fit one line of the label with the box's own font.
        const std::string sentence = Utf8ToGbk("今天我们去公园里看花，春天的花开得真好看，红的黄的白的都有。");
        const QFont font = messagebox::BoxFont();
        const auto glyphs = LayoutBoxMessage(sentence, font.pixelSize(), AverageCharWidth(font), 243);
        const int secondTop = glyphs.back().top;
        QVERIFY(secondTop > glyphs.front().top);
        const QImage image = RenderNotice(sentence);
        const QRect firstLine(44, 50 + glyphs.front().top, 243, secondTop - glyphs.front().top);
        const QRect secondLine(44, 50 + secondTop, 243, secondTop - glyphs.front().top);
        QVERIFY(DarkPixels(image, secondLine) > 0);
        // Both lines start at the label's left edge (within a glyph's own side bearing).
        for (const QRect &line : {firstLine, secondLine}) {
            QVERIFY(LeftmostDark(image, line) >= 44);
            QVERIFY(LeftmostDark(image, line) < 44 + AverageCharWidth(font) / 2);
        }
    }

    void drawnMessageIsClippedAtTheLabelsHeight()
    {
        const QImage image = RenderNotice(Utf8ToGbk("第一行\n第二行\n第三行\n第四行\n第五行\n第六行"));
        // Lines at label tops 6, 26, 46, 66 (= box rows 56, 76, 96, 116); the label ends at row 124.
        QVERIFY(DarkPixels(image, QRect(44, 96, 243, 20)) > 0);
        QVERIFY(DarkPixels(image, QRect(44, 116, 243, 8)) > 0);
        QCOMPARE(DarkPixels(image, QRect(44, 124, 243, 18)), 0);
    }

    void boxesHaveTheirSizePlaceAndButtons()
    {
        COkDialog notice(kOk, "x");
        notice.show();
        const QPoint place(ScreenSize().width() / 2 - 156, WorkArea().height() / 2 - 85);
        QCOMPARE(notice.size(), QSize(312, 170));
        QCOMPARE(notice.pos(), place);
        QCOMPARE(notice.Button()->geometry(), QRect(126, 142, 67, 25));
        QCOMPARE(notice.Button()->text(), QString::fromUtf8("确 定"));
        QCOMPARE(notice.Label()->geometry(), QRect(44, 50, 243, 74));
        QCOMPARE(notice.windowFlags().testFlag(Qt::FramelessWindowHint), true);

        CMsgDlg question("x", kYes, "", kNo);
        question.show();
        QCOMPARE(question.pos(), place);
        QCOMPARE(question.Label()->geometry(), QRect(44, 60, 243, 64));
        QCOMPARE(question.Button(0)->geometry(), QRect(14, 142, 75, 25));
        QCOMPARE(question.Button(2)->geometry(), QRect(235, 142, 75, 25));
        QCOMPARE(question.Button(0)->isVisible(), true);
        QCOMPARE(question.Button(1)->isVisible(), false);
        QCOMPARE(question.Button(2)->isVisible(), true);
    }

    void questionReturnsTheClickedButtonAndIgnoresEnterAndEscape()
    {
        for (int button : {0, 2}) {
            bool survivedKeys = false;
            QTimer::singleShot(0, [&] {
                CMsgDlg *box = OpenBox<CMsgDlg>();
                QVERIFY(box);
                for (QWidget *target : {static_cast<QWidget *>(box), static_cast<QWidget *>(box->Button(button))}) {
                    QTest::keyClick(target, Qt::Key_Return);
                    QTest::keyClick(target, Qt::Key_Enter);
                    QTest::keyClick(target, Qt::Key_Escape);
                }
                box->close();
                survivedKeys = box->IsModalRunning() && box->isVisible();
                QTest::mouseClick(box->Button(button), Qt::LeftButton);
            });
            QCOMPARE(CMsgDlg::Show(Utf8ToGbk("\t  确定要删除吗?"), kYes, "", kNo), button + 1);
            QCOMPARE(survivedKeys, true);
        }
        QCOMPARE(COkDialog::IsOpen(), false); // the question box never touches the flag
    }

    void noticeHoldsTheFlagUntilItIsGone()
    {
        QCOMPARE(COkDialog::IsOpen(), false);
        bool openWhileShown = false;
        QTimer::singleShot(0, [&] {
            COkDialog *box = OpenBox<COkDialog>();
            QVERIFY(box);
            openWhileShown = COkDialog::IsOpen();
            QTest::keyClick(box, Qt::Key_Escape);
            QTest::mouseClick(box->Button(), Qt::LeftButton);
        });
        QCOMPARE(COkDialog::Show(kOk, Utf8ToGbk("\t  保存成功!")), kIdOk);
        QCOMPARE(openWhileShown, true);
        QCOMPARE(COkDialog::IsOpen(), false);
    }

    // A modeless notice (the contest clock's warnings) never raises the flag, so a lapsed session
    // is still renewed while it is up; a modal notice over it raises the flag as usual.
    void modelessNoticeLeavesTheFlagDown()
    {
        QWidget screen;
        screen.show();
        QPointer<COkDialog> box = COkDialog::ShowModeless(kOk, Utf8ToGbk("\t  时间到!"), &screen);
        QVERIFY(box);
        QCOMPARE(box->isVisible(), true);
        QCOMPARE(COkDialog::IsOpen(), false);
        bool openDuringModal = false;
        QTimer::singleShot(0, [&] {
            openDuringModal = COkDialog::IsOpen();
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *modal = qobject_cast<COkDialog *>(widget); modal && modal->IsModalRunning())
                    QTest::mouseClick(modal->Button(), Qt::LeftButton);
            }
        });
        COkDialog::Show(kOk, Utf8ToGbk("\t  网络连接失败!"), &screen);
        QCOMPARE(openDuringModal, true);
        QCOMPARE(COkDialog::IsOpen(), false);
        QVERIFY(box);
        QTest::mouseClick(box->Button(), Qt::LeftButton);
        QTRY_VERIFY(box.isNull()); // discarded

        // A box whose owner goes first is destroyed with it.
        auto *owner = new QWidget;
        QPointer<COkDialog> owned = COkDialog::ShowModeless(kOk, "x", owner);
        delete owner;
        QVERIFY(owned.isNull());
        QCOMPARE(COkDialog::IsOpen(), false);
    }

    void boxDragsFromAnyPointButTheButton()
    {
        COkDialog box(kOk, Utf8ToGbk("\t  拖动"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QPoint start = box.pos();
        const QPoint onLabel(100, 80);
        QTest::mousePress(&box, Qt::LeftButton, {}, onLabel);
        QTest::mouseMove(&box, onLabel + QPoint(30, 20));
        QTest::mouseRelease(&box, Qt::LeftButton, {}, onLabel + QPoint(30, 20));
        QCOMPARE(box.pos(), start + QPoint(30, 20));
    }

    void responderAnswersWithoutAnyWindow()
    {
        MessageBoxResponder responder;
        std::vector<bool> flagDuringAnswer;
        responder.answer = [&](const MessageBoxCall &call) {
            flagDuringAnswer.push_back(COkDialog::IsOpen());
            return call.kind == MessageBoxCall::Kind::Question ? 3 : 0;
        };
        {
            ScopedMessageBoxResponder installed(responder);
            COkDialog::ShowMessage(Utf8ToGbk("\t  网络连接失败!"));
            QCOMPARE(COkDialog::ShowModeless(kOk, "later", nullptr), static_cast<COkDialog *>(nullptr));
            QCOMPARE(CMsgDlg::Confirm(Utf8ToGbk("\t  确定退出吗?")), false);
            QCOMPARE(OpenBox<COkDialog>(), static_cast<COkDialog *>(nullptr));
            QCOMPARE(OpenBox<CMsgDlg>(), static_cast<CMsgDlg *>(nullptr));
        }
        QCOMPARE(InstalledMessageBoxResponder(), static_cast<MessageBoxResponder *>(nullptr));
        QCOMPARE(COkDialog::IsOpen(), false);
        QCOMPARE(flagDuringAnswer, std::vector<bool>({true, false, false}));

        QCOMPARE(responder.calls.size(), size_t(3));
        QCOMPARE(responder.calls[0].kind, MessageBoxCall::Kind::Notice);
        QCOMPARE(responder.calls[0].message, Utf8ToGbk("\t  网络连接失败!"));
        QCOMPARE(responder.calls[0].captions, std::vector<std::string>({kOk}));
        QCOMPARE(responder.calls[1].kind, MessageBoxCall::Kind::ModelessNotice);
        QCOMPARE(responder.calls[2].kind, MessageBoxCall::Kind::Question);
        QCOMPARE(responder.calls[2].captions, std::vector<std::string>({kYes, "", kNo}));
    }
};

QTEST_MAIN(MessageBoxTest)
#include "MessageBoxTest.moc"
