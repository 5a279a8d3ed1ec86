// The essay journal: entries come back byte for byte, only the user's own left entries are
// offered, damaged or foreign files are set aside and skipped, files are owner-only, and a
// failed write keeps the earlier entry.
#include "EssayJournal.h"
#include "JournalWriter.h"

#include "FileTestSupport.h"
#include "TestText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

JournalEntry FreeEntry(const std::string &user, const std::string &body)
{
    JournalEntry entry;
    entry.user = user;
    entry.title = G("我的一天");
    entry.body = body;
    return entry;
}

JournalEntry SecondRoundEntry()
{
    JournalEntry entry;
    entry.kind = WritingScreenKind::SecondRound;
    entry.user = "42";
    entry.title = G("春天来了");
    entry.body = G("第一段¶¶第三段：\"引号\"和\\反斜杠");
    entry.compositionId = "1007";
    entry.activityId = "3";
    entry.roundTitle = G("春天来了");
    entry.topicId = "12";
    entry.requirements = G("文体：记叙文¶题目：春天来了");
    entry.writingMinutes = 120;
    entry.clockSecondsLeft = 3599;
    return entry;
}

std::set<std::string> FileNames(const fs::path &folder)
{
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

unsigned ModeOf(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(EssayJournal, EntriesComeBackByteForByte)
{
    TempFolder folder;
    EssayJournal journal(folder.File("penlark"));
    JournalEntry preliminary = FreeEntry("42", G("初赛"));
    preliminary.kind = WritingScreenKind::PreliminaryRound;
    preliminary.roundTitle = G("初赛题目");
    preliminary.activityId = "5";
    // Every byte value, paragraph marks and lone lead bytes included.
    std::string allBytes;
    for (int byte = 0; byte < 256; ++byte)
        allBytes += static_cast<char>(byte);
    const JournalEntry entries[] = {FreeEntry("42", G("正文¶第二段")), SecondRoundEntry(), preliminary, FreeEntry("42", allBytes),
                                    FreeEntry("42", "")};
    for (const JournalEntry &entry : entries) {
        const std::string id = journal.NewEntryId();
        ASSERT_EQ(journal.Write(id, entry), 0);
        const auto left = journal.LeftEntries("42");
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0].id, id);
        JournalEntry expected = entry;
        expected.savedAt = left[0].entry.savedAt;
        EXPECT_EQ(left[0].entry, expected);
        EXPECT_GT(left[0].entry.savedAt, 1700000000);
        EXPECT_EQ(journal.Retire(id), 0);
        EXPECT_EQ(journal.LeftEntries("42").size(), 0u);
    }
}

TEST(EssayJournal, OnlyTheUsersOwnEntriesAreLeftForHim)
{
    TempFolder folder;
    EssayJournal journal(folder.Path().string());
    const std::string mine = journal.NewEntryId();
    const std::string theirs = journal.NewEntryId();
    ASSERT_EQ(journal.Write(mine, FreeEntry("42", G("我的"))), 0);
    ASSERT_EQ(journal.Write(theirs, FreeEntry("43", G("别人的"))), 0);
    const auto left = journal.LeftEntries("42");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].id, mine);
    EXPECT_EQ(journal.LeftEntries("43").at(0).id, theirs);
    EXPECT_EQ(journal.LeftEntries("").size(), 0u);
    EXPECT_EQ(EssayJournal(folder.File("none")).LeftEntries("42").size(), 0u);
}

TEST(EssayJournal, DamagedAndForeignFilesAreSetAsideAndSkipped)
{
    const std::string good = EssayJournal::Serialize(FreeEntry("42", G("完好的作文")));
    std::string otherVersion = good;
    otherVersion.replace(otherVersion.find("\"version\" : 1"), 13, "\"version\" : 2");
    std::string changedBody = good;
    const std::size_t body = changedBody.find("\"body\" : \"") + 10;
    changedBody[body] = changedBody[body] == 'A' ? 'B' : 'A';
    std::string garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += static_cast<char>((i * 7919) % 251);
    const struct
    {
        const char *what;
        std::string content;
    } cases[] = {
        {"truncated", good.substr(0, good.size() / 2)},
        {"garbage", garbage},
        {"empty", ""},
        {"another version", otherVersion},
        {"body changed behind the check value", changedBody},
        {"not an object", "[1, 2, 3]"},
        {"another program's JSON", "{\"version\": 1, \"body\": \"x\"}"},
    };
    for (const auto &c : cases) {
        TempFolder folder;
        EssayJournal journal(folder.Path().string());
        const std::string kept = journal.NewEntryId();
        ASSERT_EQ(journal.Write(kept, FreeEntry("42", G("另一篇"))), 0);
        WriteBytes(journal.EntryPath("00-bad"), c.content);

        const auto left = journal.LeftEntries("42");
        ASSERT_EQ(left.size(), 1u) << c.what;
        EXPECT_EQ(left[0].id, kept) << c.what;
        EXPECT_EQ(FileNames(folder.Path()), (std::set<std::string>{kept + ".journal", "00-bad.journal.damaged"})) << c.what;
        EXPECT_EQ(ReadBytes(folder.File("00-bad.journal.damaged")), c.content) << c.what;
    }
    TempFolder folder;
    EssayJournal journal(folder.Path().string());
    WriteBytes(journal.EntryPath("00-bad"), good);
    EXPECT_EQ(journal.LeftEntries("42").size(), 1u); // the good document itself reads
}

// Whatever one damaged byte or a cut does to a file, it never reads as a different essay.
TEST(EssayJournal, NoSmallDamageReadsAsAnotherEssay)
{
    JournalEntry original = SecondRoundEntry();
    original.savedAt = 1765000000;
    const std::string good = EssayJournal::Serialize(original);
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (const unsigned char flip : {0x01, 0x20, 0x80}) {
            std::string damaged = good;
            damaged[i] = static_cast<char>(damaged[i] ^ flip);
            JournalEntry read;
            if (EssayJournal::Parse(damaged, read)) {
                EXPECT_EQ(read, original) << "byte " << i << " ^ " << int(flip);
            }
        }
        JournalEntry read;
        const bool cutReads = EssayJournal::Parse(good.substr(0, i), read);
        EXPECT_EQ(cutReads, i + 1 == good.size()) << "cut at " << i; // only the final line end may go
    }
}

TEST(EssayJournal, ASecondDamagedFileWithTheSameNameKeepsTheFirst)
{
    TempFolder folder;
    EssayJournal journal(folder.Path().string());
    WriteBytes(journal.EntryPath("00-bad"), "first");
    journal.LeftEntries("42");
    WriteBytes(journal.EntryPath("00-bad"), "second");
    journal.LeftEntries("42");
    EXPECT_EQ(ReadBytes(folder.File("00-bad.journal.damaged")), "first");
    EXPECT_EQ(ReadBytes(folder.File("00-bad.journal.damaged.2")), "second");
}

TEST(EssayJournal, FolderAndFilesAreOwnerOnly)
{
    TempFolder folder;
    fs::permissions(folder.Path(), fs::perms(0755));
    const std::string existing = folder.File("existing");
    fs::create_directory(existing);
    fs::permissions(existing, fs::perms(0755));
    for (const std::string &path : {folder.File("data/penlark"), existing}) {
        EssayJournal journal(path);
        const std::string id = journal.NewEntryId();
        ASSERT_EQ(journal.Write(id, FreeEntry("42", "x")), 0) << path;
        EXPECT_EQ(ModeOf(path), 0700u) << path;
        EXPECT_EQ(ModeOf(journal.EntryPath(id)), 0600u) << path;
    }
    EXPECT_EQ(ModeOf(folder.File("data")), 0700u); // a parent made for the journal too
}

TEST(EssayJournal, InvalidIdsAreRefused)
{
    TempFolder folder;
    EssayJournal journal(folder.File("j"));
    for (const char *id : {"", "../x", "a/b", "ABC", "x.journal"}) {
        EXPECT_EQ(journal.Write(id, FreeEntry("42", "x")), EINVAL) << id;
        EXPECT_EQ(journal.Retire(id), EINVAL) << id;
    }
}

TEST(EssayJournal, AFailedWriteKeepsTheEarlierEntry)
{
    TempFolder folder;
    EssayJournal journal(folder.Path().string());
    const std::string id = journal.NewEntryId();
    ASSERT_EQ(journal.Write(id, FreeEntry("42", G("旧的正文"))), 0);
    const std::string before = ReadBytes(journal.EntryPath(id));
    std::string longBody;
    for (int i = 0; i < 2000; ++i)
        longBody += G("新");
    const int result = RunLimited(ChildLimit::SmallFiles, [&] { return journal.Write(id, FreeEntry("42", longBody)); });
    EXPECT_EQ(result, EFBIG);
    EXPECT_EQ(ReadBytes(journal.EntryPath(id)), before);
    EXPECT_EQ(journal.LeftEntries("42").at(0).entry.body, G("旧的正文"));
    EXPECT_EQ(FileNames(folder.Path()), std::set<std::string>{id + ".journal"});
}

TEST(EssayJournal, DefaultFolderFollowsTheDataHome)
{
    const char *savedData = std::getenv("XDG_DATA_HOME");
    const char *savedHome = std::getenv("HOME");
    const std::string keepData = savedData ? savedData : "";
    const std::string keepHome = savedHome ? savedHome : "";
    const struct
    {
        const char *dataHome; // nullptr: unset
        const char *home;
        const char *folder;
    } cases[] = {
        {"/data/me", "/home/me", "/data/me/penlark"},
        {nullptr, "/home/me", "/home/me/.local/share/penlark"},
        {"relative/data", "/home/me", "/home/me/.local/share/penlark"},
        {"", "/home/me", "/home/me/.local/share/penlark"},
    };
    for (const auto &c : cases) {
        if (c.dataHome)
            ::setenv("XDG_DATA_HOME", c.dataHome, 1);
        else
            ::unsetenv("XDG_DATA_HOME");
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(EssayJournal::DefaultFolder(), c.folder) << (c.dataHome ? c.dataHome : "(unset)");
    }
    savedData ? ::setenv("XDG_DATA_HOME", keepData.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    savedHome ? ::setenv("HOME", keepHome.c_str(), 1) : ::unsetenv("HOME");
}

// ---- The writer of one screen -------------------------------------------------------------------

using Clock = JournalWriter::Clock;
using std::chrono::milliseconds;

class JournalWriterTest : public ::testing::Test
{
protected:
    JournalWriterTest() : m_journal(m_folder.Path().string()) {}

    std::unique_ptr<JournalWriter> NewWriter(const std::string &id)
    {
        return std::make_unique<JournalWriter>(m_journal, id, [this] {
            ++m_snapshots;
            return FreeEntry("42", m_body);
        });
    }
    std::string OnDisk(const std::string &id)
    {
        JournalEntry entry;
        if (!fs::exists(m_journal.EntryPath(id)))
            return "<none>";
        return EssayJournal::Parse(ReadBytes(m_journal.EntryPath(id)), entry) ? entry.body : "<damaged>";
    }

    TempFolder m_folder;
    EssayJournal m_journal;
    std::string m_body = "a";
    int m_snapshots = 0;
    const Clock::time_point m_t0 = Clock::now();
};

TEST_F(JournalWriterTest, WritesAfterAPauseOrWithinASecondOfTyping)
{
    // Edits at the given times (ms after t0); the entry must be due at the given time.
    const struct
    {
        const char *what;
        std::vector<int> edits;
        int due;
    } cases[] = {
        {"one edit: after the pause", {0}, 300},
        {"a short burst: after its pause", {0, 100, 200}, 500},
        {"steady typing: a second after the first unwritten edit", {0, 200, 400, 600, 800, 1000, 1200}, 1000},
    };
    for (const auto &c : cases) {
        auto writer = NewWriter(m_journal.NewEntryId());
        EXPECT_EQ(writer->NextDue().has_value(), false);
        for (int at : c.edits)
            writer->Touch(m_t0 + milliseconds(at));
        ASSERT_EQ(writer->NextDue().has_value(), true) << c.what;
        EXPECT_EQ(*writer->NextDue() - m_t0, milliseconds(c.due)) << c.what;
        EXPECT_EQ(writer->FlushIfDue(m_t0 + milliseconds(c.due - 1)), false) << c.what;
        EXPECT_EQ(OnDisk(writer->EntryId()), "<none>") << c.what;
        EXPECT_EQ(writer->FlushIfDue(m_t0 + milliseconds(c.due)), true) << c.what;
        EXPECT_EQ(OnDisk(writer->EntryId()), "a") << c.what;
        EXPECT_EQ(writer->NextDue().has_value(), false) << c.what;
        writer->Retire();
    }
}

TEST_F(JournalWriterTest, WritesTheEssayAsItIsWhenDue)
{
    auto writer = NewWriter(m_journal.NewEntryId());
    writer->Touch(m_t0);
    m_body = G("后来的正文");
    ASSERT_EQ(writer->FlushIfDue(m_t0 + milliseconds(300)), true);
    EXPECT_EQ(OnDisk(writer->EntryId()), G("后来的正文"));
    EXPECT_EQ(m_snapshots, 1);
    EXPECT_EQ(writer->FlushIfDue(m_t0 + milliseconds(5000)), false); // nothing new: no write
    EXPECT_EQ(m_snapshots, 1);
}

TEST_F(JournalWriterTest, SaveRetiresUnlessEditedAfterIt)
{
    auto writer = NewWriter(m_journal.NewEntryId());
    writer->Touch(m_t0);
    ASSERT_EQ(writer->FlushIfDue(m_t0 + milliseconds(300)), true);

    const std::uint64_t atSave = writer->EditCount();
    writer->Touch(m_t0 + milliseconds(400)); // typed while the save was under way
    EXPECT_EQ(writer->RetireIfUnchangedSince(atSave), false);
    EXPECT_EQ(OnDisk(writer->EntryId()), "a");
    EXPECT_EQ(writer->NextDue().has_value(), true);

    EXPECT_EQ(writer->RetireIfUnchangedSince(writer->EditCount()), true);
    EXPECT_EQ(OnDisk(writer->EntryId()), "<none>");
    EXPECT_EQ(writer->NextDue().has_value(), false); // the pending write went with it

    writer->Touch(m_t0 + milliseconds(2000)); // an edit after the save brings the entry back
    m_body = "b";
    ASSERT_EQ(writer->FlushIfDue(m_t0 + milliseconds(2300)), true);
    EXPECT_EQ(OnDisk(writer->EntryId()), "b");
}

TEST_F(JournalWriterTest, AnOpenScreensEntryIsNotLeftUntilTheScreenIsGone)
{
    auto writer = NewWriter(m_journal.NewEntryId());
    const std::string id = writer->EntryId();
    writer->Touch(m_t0);
    ASSERT_EQ(writer->FlushIfDue(m_t0 + milliseconds(300)), true);
    EXPECT_EQ(m_journal.LeftEntries("42").size(), 0u);

    writer->Touch(m_t0 + milliseconds(400));
    m_body = G("关闭前的正文");
    writer.reset(); // closed without dropping the essay: what was unwritten is written
    const auto left = m_journal.LeftEntries("42");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].id, id);
    EXPECT_EQ(left[0].entry.body, G("关闭前的正文"));
    EXPECT_EQ(FileNames(m_folder.Path()), std::set<std::string>{id + ".journal"});

    // Reopened from the journal, the screen carries on with the same entry.
    auto reopened = NewWriter(id);
    reopened->Touch(m_t0);
    ASSERT_EQ(reopened->FlushIfDue(m_t0 + milliseconds(300)), true);
    EXPECT_EQ(m_journal.LeftEntries("42").size(), 0u);
    reopened->Retire();
    reopened.reset();
    EXPECT_EQ(FileNames(m_folder.Path()), std::set<std::string>{});
}

// The writer process of the test below: it tells the test through this pipe when its fourth
// replacement of the entry is written to the temporary file, and stops there for good.
int heldWriteSignal = -1;
int replacements = 0;

void HoldTheFourthReplacement(const std::string &)
{
    if (++replacements < 4)
        return;
    if (::write(heldWriteSignal, "x", 1) != 1)
        ::_exit(1);
    for (;;)
        ::pause();
}

// A program killed between writing the new entry and putting it in place leaves the last whole
// entry, which the next run offers; the torn copy is never read.
TEST_F(JournalWriterTest, AKilledProgramLeavesItsLastWholeEntry)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const std::string id = m_journal.NewEntryId();
    const pid_t child = ::fork();
    if (child == 0) {
        heldWriteSignal = ready[1];
        SetBeforeReplaceHook(HoldTheFourthReplacement);
        long version = 0;
        JournalWriter writer(m_journal, id, [&] { return FreeEntry("42", G("第") + std::to_string(version) + G("稿")); });
        for (;; ++version) {
            writer.Touch(Clock::now());
            writer.Flush();
        }
    }
    ASSERT_GT(child, 0);
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    // Held mid-replacement: the new entry is in a temporary file, the writer still runs.
    EXPECT_EQ(m_journal.LeftEntries("42").size(), 0u);
    int temporaries = 0;
    for (const std::string &name : FileNames(m_folder.Path()))
        temporaries += name.front() == '.' && name.find(id) != std::string::npos;
    EXPECT_EQ(temporaries, 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, true);
    ::close(ready[0]);
    ::close(ready[1]);

    const auto left = m_journal.LeftEntries("42");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].id, id);
    EXPECT_EQ(left[0].entry.body, G("第2稿")); // the third write, the last one put in place
    for (const std::string &name : FileNames(m_folder.Path()))
        EXPECT_EQ(name.find(".damaged"), std::string::npos) << name;
}

TEST_F(JournalWriterTest, LocksLeftByACrashGoWithTheirEntries)
{
    const std::string offered = m_journal.NewEntryId();
    const std::string neverWritten = m_journal.NewEntryId();
    ASSERT_EQ(m_journal.Write(offered, FreeEntry("42", "x")), 0);
    WriteBytes(m_journal.LockPath(offered), "");      // its screen crashed after writing
    WriteBytes(m_journal.LockPath(neverWritten), ""); // this one crashed before its first write
    ASSERT_EQ(m_journal.LeftEntries("42").size(), 1u);
    EXPECT_EQ(FileNames(m_folder.Path()), (std::set<std::string>{offered + ".journal", offered + ".lock"}));
    ASSERT_EQ(m_journal.Retire(offered), 0); // the student dropped it
    EXPECT_EQ(FileNames(m_folder.Path()), std::set<std::string>{});
}

TEST_F(JournalWriterTest, AFailedWriteIsTriedAgainASecondLater)
{
    WriteBytes(m_folder.File("blocked"), "a file where the folder should be");
    EssayJournal blocked(m_folder.File("blocked"));
    JournalWriter writer(blocked, blocked.NewEntryId(), [] { return FreeEntry("42", "x"); });
    writer.Touch(m_t0);
    EXPECT_EQ(writer.FlushIfDue(m_t0 + milliseconds(300)), false);
    EXPECT_EQ(writer.LastError(), ENOTDIR);
    ASSERT_EQ(writer.NextDue().has_value(), true);
    EXPECT_EQ(*writer.NextDue() - m_t0, milliseconds(1300));
    writer.Retire();
}

} // namespace
