// The artwork tool against the committed pictures: a fresh run writes exactly the files in img/ and
// icons/, byte for byte, and every picture has a 2× sibling of twice its size.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <map>

namespace {

const QString kSource = QStringLiteral(PENLARK_SOURCE_DIR);

bool IsPicture(const QString &name)
{
    const QString ext = QFileInfo(name).suffix().toLower();
    return ext == "png" || ext == "jpg" || ext == "gif" || ext == "bmp";
}

// Relative name -> bytes of every picture under root/folder.
std::map<QString, QByteArray> Pictures(const QString &root, const QString &folder)
{
    std::map<QString, QByteArray> out;
    QDirIterator it(root + "/" + folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!IsPicture(path))
            continue;
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            out[QDir(root).relativeFilePath(path)] = f.readAll();
    }
    return out;
}

QString TwiceName(const QString &name)
{
    const int dot = name.lastIndexOf('.');
    return name.left(dot) + "@2x" + name.mid(dot);
}

class ArtworkOutput : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char arg0[] = "artwork_output_test";
        static char *argv[] = {arg0, nullptr};
        if (!QGuiApplication::instance())
            new QGuiApplication(argc, argv);
        s_out = new QTemporaryDir;
        QProcess tool;
        tool.start(PENLARK_ARTWORK_TOOL, {s_out->path()});
        s_ran = tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    }
    static void TearDownTestSuite()
    {
        delete s_out;
        s_out = nullptr;
    }
    static QTemporaryDir *s_out;
    static bool s_ran;
};
QTemporaryDir *ArtworkOutput::s_out = nullptr;
bool ArtworkOutput::s_ran = false;

// A 2× pass that touched the 1× pictures, a changed drawing not re-committed, or a stale file
// left in img/ all show here.
TEST_F(ArtworkOutput, FreshRunEqualsTheCommittedPicturesByteForByte)
{
    ASSERT_TRUE(s_ran);
    for (const char *folder : {"img", "icons"}) {
        const auto made = Pictures(s_out->path(), folder);
        const auto committed = Pictures(kSource, folder);
        ASSERT_FALSE(made.empty()) << folder;
        for (const auto &[name, bytes] : made) {
            const auto it = committed.find(name);
            ASSERT_NE(it, committed.end()) << "not committed: " << qPrintable(name);
            EXPECT_TRUE(it->second == bytes) << "differs from the committed file: " << qPrintable(name);
        }
        for (const auto &entry : committed)
            EXPECT_TRUE(made.count(entry.first)) << "committed but no longer made: " << qPrintable(entry.first);
    }
}

TEST_F(ArtworkOutput, EveryPictureHasATwiceSizeSiblingWithTheSameFrames)
{
    int checked = 0;
    for (const auto &entry : Pictures(kSource, "img")) {
        const QString &name = entry.first;
        if (name.contains("@2x"))
            continue;
        QImageReader one(kSource + "/" + name), two(kSource + "/" + TwiceName(name));
        const QSize size = one.size();
        ASSERT_TRUE(size.isValid()) << qPrintable(name);
        EXPECT_EQ(two.size(), size * 2) << qPrintable(TwiceName(name));
        EXPECT_EQ(two.imageCount(), one.imageCount()) << qPrintable(name);
        ++checked;
    }
    EXPECT_GT(checked, 100); // the whole skin, not an empty folder
}

TEST_F(ArtworkOutput, ProgramIconGoesUpTo512)
{
    for (int size : {16, 32, 48, 64, 128, 256, 512}) {
        const QString name = QString("%1/icons/hicolor/%2x%2/apps/penlark.png").arg(kSource).arg(size);
        EXPECT_EQ(QImageReader(name).size(), QSize(size, size)) << qPrintable(name);
    }
}

} // namespace
