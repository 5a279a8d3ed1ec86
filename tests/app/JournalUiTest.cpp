// The journal's widget layer: the timer writes an entry after an edit, and the sign-in offer
// opens, drops or keeps each left essay as the student answers.
#include "EssayAutosave.h"
#include "Fonts.h"
#include "GbkText.h"
#include "LeftEssayOffer.h"
#include "AppFolder.h"
#include "MsgDlg.h"
#include "OkDialog.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

namespace {

JournalEntry Entry(const std::string &user, const std::string &titleUtf8, std::int64_t savedAt)
{
    JournalEntry entry;
    entry.user = user;
    entry.title = Utf8ToGbk(titleUtf8);
    entry.body = Utf8ToGbk("正文");
    entry.savedAt = savedAt;
    return entry;
}

// An entry as an earlier run left it, with its own time.
void Leave(const EssayJournal &journal, const std::string &id, const JournalEntry &entry)
{
    std::ofstream(journal.EntryPath(id), std::ios::binary) << EssayJournal::Serialize(entry);
}

} // namespace

class JournalUiTest : public QObject
{
    Q_OBJECT

private slots:
    void EditIsWrittenByTheTimer()
    {
        QTemporaryDir folder;
        EssayJournal journal(folder.path().toStdString());
        EssayAutosave autosave(journal, journal.NewEntryId(), [&] { return Entry("42", "题", 0); });
        QCOMPARE(autosave.IsTimerActive(), false);
        autosave.OnEdit();
        QCOMPARE(autosave.IsTimerActive(), true);
        QCOMPARE(QFile::exists(QString::fromStdString(journal.EntryPath(autosave.Writer().EntryId()))), false);
        QTRY_COMPARE_WITH_TIMEOUT(autosave.IsTimerActive(), false, 5000);
        QCOMPARE(QFile::exists(QString::fromStdString(journal.EntryPath(autosave.Writer().EntryId()))), true);
        autosave.Writer().Retire();
    }

    void LeftEssaysAreOfferedOldestFirstAndAnsweredOneByOne()
    {
        QTemporaryDir folder;
        EssayJournal journal(folder.path().toStdString());
        Leave(journal, "c", Entry("42", "第三篇", 300));
        Leave(journal, "a", Entry("42", "第一篇", 100));
        Leave(journal, "b", Entry("42", "第二篇", 200));
        Leave(journal, "d", Entry("7", "别人的", 50));

        MessageBoxResponder responder;
        responder.answer = [&](const MessageBoxCall &) {
            return static_cast<int>(responder.calls.size()); // 1 open, 2 drop, 3 keep
        };
        ScopedMessageBoxResponder boxes(responder);
        std::vector<std::string> opened;
        const int count = OfferLeftEssays(nullptr, journal, "42", [&](const LeftJournalEntry &left) {
            opened.push_back(left.id + ":" + GbkToUtf8(left.entry.title));
        });
        QCOMPARE(count, 1);
        QCOMPARE(opened, std::vector<std::string>{"a:第一篇"});
        QCOMPARE(responder.calls.size(), std::size_t(3));
        QCOMPARE(GbkToUtf8(responder.calls[0].message), std::string("\t  上次没有保存的作文《第一篇》已找回，是否打开继续写？"));
        QCOMPARE(responder.calls[1].kind, MessageBoxCall::Kind::Question);
        std::vector<std::string> captions;
        for (const std::string &caption : responder.calls[1].captions)
            captions.push_back(GbkToUtf8(caption));
        QCOMPARE(captions, (std::vector<std::string>{"确定", "放弃", "取消"}));
        // The dropped one is gone; the kept one and the opened one (its screen carries on with
        // it) stay; the other user's is untouched.
        QCOMPARE(QFile::exists(QString::fromStdString(journal.EntryPath("b"))), false);
        QCOMPARE(QFile::exists(QString::fromStdString(journal.EntryPath("c"))), true);
        QCOMPARE(QFile::exists(QString::fromStdString(journal.EntryPath("a"))), true);
        QCOMPARE(QFile::exists(QString::fromStdString(journal.EntryPath("d"))), true);
    }

    void QuestionNamesTheTitleWithinThreeLines()
    {
        const struct
        {
            const char *title;
            const char *shown;
        } cases[] = {
            {"", "无题"},
            {"春天", "春天"},
            {"一二三四五六七八九十一二三四五六七八九十", "一二三四五六七八九十一二三四五六七八九十"},
            {"一二三四五六七八九十一二三四五六七八九十多", "一二三四五六七八九十一二三四五六七八九…"},
            {"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFG", "abcdefghijklmnopqrstuvwxyz0123456789AB…"},
        };
        for (const auto &c : cases) {
            const std::string question = GbkToUtf8(LeftEssayQuestion(Entry("42", c.title, 0)));
            QCOMPARE(question, "\t  上次没有保存的作文《" + std::string(c.shown) + "》已找回，是否打开继续写？");
            // Laid out as the box lays it out: no character below the third line.
            const QFont font = messagebox::BoxFont();
            int lastTop = 0;
            for (const BoxMessageGlyph &glyph :
                 LayoutBoxMessage(LeftEssayQuestion(Entry("42", c.title, 0)), font.pixelSize(), AverageCharWidth(font), 243))
                lastTop = glyph.top;
            const int lines = (lastTop - font.pixelSize() / 2) / kBoxLineHeight + 1;
            QCOMPARE(std::max(lines, 3), 3);
        }
    }

    // The real box as the student sees it, saved for a look: the question and three buttons.
    void OfferBoxShowsTheQuestionAndThreeButtons()
    {
        InitAppFolder(std::string(PENLARK_APP_DIR) + "/penlark");
        const std::string question = LeftEssayQuestion(Entry("42", "一二三四五六七八九十一二三四五六七八九十多", 0));
        CMsgDlg box(question, Utf8ToGbk("确定"), Utf8ToGbk("放弃"), Utf8ToGbk("取消"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.Label()->Message(), question);
        QStringList captions;
        for (int i = 0; i < 3; ++i)
            captions << (box.Button(i)->isVisible() ? box.Button(i)->text() : QString());
        QCOMPARE(captions, (QStringList{QString::fromUtf8("确定"), QString::fromUtf8("放弃"), QString::fromUtf8("取消")}));
        QDir().mkpath(PENLARK_SCREENSHOT_DIR);
        QCOMPARE(box.grab().save(QStringLiteral(PENLARK_SCREENSHOT_DIR "/left-essay-offer.png")), true);
        box.EndDialog(3);
    }
};

QTEST_MAIN(JournalUiTest)
#include "JournalUiTest.moc"
