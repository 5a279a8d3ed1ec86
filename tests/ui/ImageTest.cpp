// CxImage and CMemoryDC: decoding every format, recognition, drawing, and refusal of hostile input.
#include "MemoryDC.h"
#include "PictureFixtures.h"
#include "xImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QPainter>
#include <QTemporaryDir>
#include <cstring>
#include <random>

namespace {

QImage HalfTransparent()
{
    QImage img(4, 2, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(0, 0, qRgba(0, 0, 255, 255)); // opaque blue
    img.setPixel(1, 0, qRgba(0, 0, 255, 128)); // half blue
    return img;
}

QImage Background()
{
    QImage bg(8, 8, QImage::Format_ARGB32_Premultiplied);
    bg.fill(qRgb(255, 0, 0));
    return bg;
}

class ImageFiles : public ::testing::Test
{
protected:
    std::string Path(const char *name) { return (m_dir.path() + "/" + name).toStdString(); }
    QTemporaryDir m_dir;
};

TEST_F(ImageFiles, TransparentPngLeavesBackgroundVisible)
{
    WriteBytes(Path("t.png"), EncodeWithQt(HalfTransparent(), "PNG"));
    CxImage img;
    ASSERT_TRUE(img.load(Path("t.png"), CxImage::kFormatUnknown));
    EXPECT_TRUE(img.HasAlpha());
    QImage bg = Background();
    QPainter p(&bg);
    img.draw(&p, 0, 0, -1, -1, nullptr, false);
    p.end();
    EXPECT_EQ(bg.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(bg.pixel(2, 0), qRgb(255, 0, 0)); // fully transparent: background shows
    EXPECT_EQ(bg.pixel(0, 1), qRgb(255, 0, 0));
    const QRgb half = bg.pixel(1, 0); // blended
    EXPECT_NEAR(qRed(half), 127, 2);
    EXPECT_NEAR(qBlue(half), 128, 2);
}

TEST_F(ImageFiles, DrawKeepsNaturalSizeWithMinusOneAndScalesOtherwise)
{
    QImage src(2, 2, QImage::Format_RGB32);
    src.fill(qRgb(0, 200, 0));
    WriteBytes(Path("g.bmp"), EncodeWithQt(src, "BMP"));
    CxImage img;
    ASSERT_TRUE(img.load(Path("g.bmp"), CxImage::kFormatBmp));
    EXPECT_EQ(img.imageWidth(), 2u);
    struct Case
    {
        int x, y, w, h;
        QPoint inside, outside;
    };
    const Case cases[] = {{-1, -1, -1, -1, {0, 0}, {1, 1}}, // natural size one pixel up-left of the edge
                          {2, 2, -1, -1, {3, 3}, {4, 4}},
                          {1, 1, 6, 5, {6, 5}, {7, 6}}}; // scaled
    for (const Case &c : cases) {
        QImage bg = Background();
        QPainter p(&bg);
        img.draw(&p, c.x, c.y, c.w, c.h);
        p.end();
        EXPECT_EQ(bg.pixel(c.inside), qRgb(0, 200, 0)) << c.x << "," << c.w;
        EXPECT_EQ(bg.pixel(c.outside), qRgb(255, 0, 0)) << c.x << "," << c.w;
    }
}

TEST_F(ImageFiles, FormatIsRecognisedByContentWhateverTheNameOrCode)
{
    QImage src(3, 3, QImage::Format_RGB32);
    src.fill(qRgb(10, 20, 30));
    WriteBytes(Path("really_png.jpg"), EncodeWithQt(src, "PNG"));
    WriteBytes(Path("really_jpeg.gif"), EncodeWithQt(src, "JPEG"));
    struct Case
    {
        const char *name;
        uint32_t code;
        uint32_t decoded;
    };
    const Case cases[] = {{"really_png.jpg", CxImage::kFormatUnknown, CxImage::kFormatPng},
                          {"really_png.jpg", CxImage::kFormatJpg, CxImage::kFormatPng}, // wrong code falls back
                          {"really_jpeg.gif", CxImage::kFormatUnknown, CxImage::kFormatJpg},
                          {"really_jpeg.gif", CxImage::kFormatGif, CxImage::kFormatJpg}};
    for (const Case &c : cases) {
        CxImage img;
        EXPECT_TRUE(img.load(Path(c.name), c.code)) << c.name;
        EXPECT_EQ(img.DecodedFormat(), c.decoded) << c.name;
        EXPECT_EQ(img.imageWidth(), 3u);
    }
}

TEST_F(ImageFiles, MissingFileStaysInvalidAndDrawsNothing)
{
    CxImage img;
    EXPECT_FALSE(img.load(Path("nothing.png"), CxImage::kFormatPng));
    EXPECT_EQ(img.imageWidth(), 0u);
    EXPECT_EQ(img.imageHeight(), 0u);
    QImage bg = Background();
    const QImage before = bg;
    QPainter p(&bg);
    EXPECT_FALSE(img.draw(&p, 0, 0));
    EXPECT_FALSE(img.stretchDraw(&p, 0, 0, 8, 8));
    p.end();
    EXPECT_EQ(bg, before);
}

TEST_F(ImageFiles, DoubledAndBackslashSeparatorsReachTheSameFile)
{
    QImage src(1, 1, QImage::Format_RGB32);
    src.fill(Qt::black);
    QDir(m_dir.path()).mkpath("img");
    WriteBytes(Path("img/a.png"), EncodeWithQt(src, "PNG"));
    CxImage img;
    EXPECT_TRUE(img.load(m_dir.path().toStdString() + "/\\img\\a.png"));
    EXPECT_EQ(NormalisePicturePath("/app//img\\x.png"), "/app/img/x.png");
}

TEST(GifFrames, AllFramesAndDelaysAreKeptAndTheFirstIsDrawn)
{
    const auto bytes = EncodeGif(5, 4, {5, 20, 7});
    CxImage img;
    ASSERT_TRUE(img.decodeFromMemory(bytes.data(), bytes.size(), CxImage::kFormatGif));
    EXPECT_EQ(img.FrameCount(), 3u);
    EXPECT_EQ(img.FrameDelay(0), 5);
    EXPECT_EQ(img.FrameDelay(1), 20);
    EXPECT_EQ(img.FrameDelay(2), 7);
    EXPECT_EQ(img.Frame(1).pixel(0, 0), qRgb(0, 255, 0));
    QImage bg = Background();
    QPainter p(&bg);
    img.draw(&p, 0, 0);
    p.end();
    EXPECT_EQ(bg.pixel(4, 3), qRgb(255, 0, 0)); // frame 0 is red in the palette
    EXPECT_EQ(bg.pixel(5, 3), qRgb(255, 0, 0));
}

TEST(GifFrames, ShippedLoadingAnimationDecodes)
{
    CxImage img;
    ASSERT_TRUE(img.load(SourceImgDir() + "/login.gif", CxImage::kFormatUnknown));
    EXPECT_EQ(img.imageWidth(), 157u);
    EXPECT_EQ(img.imageHeight(), 15u);
    EXPECT_EQ(img.FrameCount(), 12u);
    for (size_t i = 0; i < img.FrameCount(); ++i)
        EXPECT_EQ(img.FrameDelay(i), 10);
    EXPECT_NE(img.Frame(0), img.Frame(1));
}

TEST(CopyFrom, CopiesPixelsAlphaAndFrames)
{
    const auto bytes = EncodeGif(3, 2, {4, 4});
    CxImage temp, member;
    ASSERT_TRUE(temp.decodeFromMemory(bytes.data(), bytes.size(), CxImage::kFormatGif));
    member.copyFrom(temp);
    EXPECT_EQ(member.imageWidth(), 3u);
    EXPECT_EQ(member.FrameCount(), 2u);
    EXPECT_EQ(member.Frame(0), temp.Frame(0));
}

TEST(StretchDraw, SrcCopyReplacesTheTargetPixels)
{
    CxImage img;
    const auto bytes = EncodeWithQt(HalfTransparent(), "PNG");
    ASSERT_TRUE(img.decodeFromMemory(bytes.data(), bytes.size()));
    QImage bg = Background();
    QPainter p(&bg);
    img.stretchDraw(&p, 0, 0, 8, 4, CxImage::kSrcCopy);
    p.end();
    EXPECT_EQ(qAlpha(bg.pixel(7, 0)), 0); // copied transparent, not blended
    EXPECT_EQ(bg.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(bg.pixel(0, 5), qRgb(255, 0, 0));
}

// ---- hostile and truncated input ----

void PutBe32(std::vector<unsigned char> &b, size_t at, uint32_t v)
{
    b[at] = v >> 24;
    b[at + 1] = v >> 16;
    b[at + 2] = v >> 8;
    b[at + 3] = v;
}

std::vector<unsigned char> PngWithSize(uint32_t w, uint32_t h)
{
    QImage src(2, 2, QImage::Format_RGB32);
    src.fill(Qt::white);
    auto b = EncodeWithQt(src, "PNG");
    PutBe32(b, 16, w); // IHDR data starts at 16
    PutBe32(b, 20, h);
    PutBe32(b, 29, uint32_t(crc32(0, b.data() + 12, 17))); // keep the chunk's CRC valid
    return b;
}

std::vector<unsigned char> JpegWithSize(uint16_t w, uint16_t h)
{
    QImage src(8, 8, QImage::Format_RGB32);
    src.fill(Qt::gray);
    auto b = EncodeWithQt(src, "JPEG");
    for (size_t i = 2; i + 9 < b.size(); ++i)
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + 5] = h >> 8;
            b[i + 6] = h & 0xff;
            b[i + 7] = w >> 8;
            b[i + 8] = w & 0xff;
            break;
        }
    return b;
}

std::vector<unsigned char> Cut(std::vector<unsigned char> b, size_t keep)
{
    b.resize(std::min(keep, b.size()));
    return b;
}

TEST(HostileInput, IsRefusedWithoutCrashing)
{
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(qRgb(1, 2, 3));
    auto gifHugeScreen = EncodeGif(4, 4, {1});
    gifHugeScreen[6] = gifHugeScreen[7] = gifHugeScreen[8] = gifHugeScreen[9] = 0xff; // 65535 x 65535
    auto bmpHuge = EncodeWithQt(small, "BMP");
    bmpHuge[18] = 0xa0;
    bmpHuge[19] = 0x86;
    bmpHuge[20] = 0x01;
    bmpHuge[21] = 0x00; // width 100000
    const std::string garbage = "this is not a picture at all, only some text";
    struct Case
    {
        const char *what;
        std::vector<unsigned char> bytes;
        uint32_t code;
    };
    const std::vector<Case> cases = {
        {"png 5000x5000", PngWithSize(5000, 5000), CxImage::kFormatPng},
        {"png 4097x1", PngWithSize(4097, 1), CxImage::kFormatUnknown},
        {"png truncated", Cut(EncodeWithQt(small, "PNG"), 60), CxImage::kFormatUnknown},
        {"jpeg 10000x10000", JpegWithSize(10000, 10000), CxImage::kFormatJpg},
        {"jpeg truncated", Cut(EncodeWithQt(small, "JPEG"), 200), CxImage::kFormatUnknown},
        {"gif screen 65535", gifHugeScreen, CxImage::kFormatGif},
        {"gif too many frames", EncodeGif(1, 1, std::vector<int>(CxImage::kMaxFrames + 1, 1)), CxImage::kFormatGif},
        {"gif frames over pixel budget", EncodeGif(4096, 4096, {1, 1, 1, 1, 1}, 1, 1), CxImage::kFormatGif},
        {"gif truncated", Cut(EncodeGif(20, 20, {1, 1}), 40), CxImage::kFormatUnknown},
        {"bmp width 100000", bmpHuge, CxImage::kFormatBmp},
        {"bmp truncated", Cut(EncodeWithQt(small, "BMP"), 30), CxImage::kFormatUnknown},
        {"text", std::vector<unsigned char>(garbage.begin(), garbage.end()), CxImage::kFormatUnknown},
        {"one byte", {0x89}, CxImage::kFormatPng},
    };
    for (const Case &c : cases) {
        CxImage img;
        EXPECT_FALSE(img.decodeFromMemory(c.bytes.data(), c.bytes.size(), c.code)) << c.what;
        EXPECT_EQ(img.imageWidth(), 0u) << c.what;
    }
}

TEST(HostileInput, SizeLimitIsExactlyFourThousandNinetySixInEveryFormat)
{
    QImage wide(4097, 2, QImage::Format_RGB32), edge(4096, 2, QImage::Format_RGB32);
    wide.fill(Qt::gray);
    edge.fill(Qt::gray);
    struct Case
    {
        const char *what;
        std::vector<unsigned char> tooBig, fits;
    };
    const Case cases[] = {
        {"png", EncodeWithQt(wide, "PNG"), EncodeWithQt(edge, "PNG")},
        {"jpeg", EncodeWithQt(wide, "JPEG"), EncodeWithQt(edge, "JPEG")},
        {"bmp", EncodeWithQt(wide, "BMP"), EncodeWithQt(edge, "BMP")},
        {"gif", EncodeGif(4097, 2, {1}), EncodeGif(4096, 2, {1})},
    };
    for (const Case &c : cases) {
        CxImage img;
        EXPECT_FALSE(img.decodeFromMemory(c.tooBig.data(), c.tooBig.size())) << c.what;
        EXPECT_TRUE(img.decodeFromMemory(c.fits.data(), c.fits.size())) << c.what;
        EXPECT_EQ(img.imageWidth(), 4096u) << c.what;
    }
}

// Damaged copies of real pictures (bytes changed, files cut short): each either decodes into a
// consistent picture within the limits or is refused; none may crash (run under ASan too).
TEST(HostileInput, SeededDamageIsRefusedOrDecodesConsistently)
{
    QImage sample(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            sample.setPixel(x, y, qRgba(x * 7, y * 11, 90, (x * y) % 256));
    const std::vector<std::vector<unsigned char>> originals = {EncodeWithQt(sample, "PNG"), EncodeWithQt(sample, "JPEG"),
                                                               EncodeWithQt(sample, "BMP"),
                                                               ReadBytes(SourceImgDir() + "/login.gif")};
    std::mt19937 random(7);
    int decoded = 0, refused = 0;
    for (const auto &original : originals) {
        ASSERT_GT(original.size(), 40u);
        for (int round = 0; round < 150; ++round) {
            auto bytes = original;
            const int flips = 1 + int(random() % 6);
            for (int i = 0; i < flips; ++i)
                bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
            if (round % 3 == 0)
                bytes.resize(1 + random() % bytes.size());
            CxImage img;
            if (img.decodeFromMemory(bytes.data(), bytes.size())) {
                ++decoded;
                EXPECT_GT(img.imageWidth(), 0u);
                EXPECT_LE(img.imageWidth(), CxImage::kMaxSide);
                EXPECT_LE(img.imageHeight(), CxImage::kMaxSide);
                ASSERT_GE(img.FrameCount(), 1u);
                EXPECT_EQ(uint32_t(img.Frame(img.FrameCount() - 1).width()), img.imageWidth());
            } else {
                ++refused;
                EXPECT_EQ(img.imageWidth(), 0u);
            }
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(MemoryDC, ReachesTheTargetInOneCopyAtTheSamePlace)
{
    QImage target = Background();
    {
        QPainter p(&target);
        CMemoryDC dc(&p, QRect(2, 2, 4, 4));
        EXPECT_TRUE(dc.IsOffscreen());
        dc->fillRect(QRect(2, 2, 4, 4), Qt::white);
        dc->fillRect(QRect(3, 3, 1, 1), Qt::black);     // target coordinates
        EXPECT_EQ(target.pixel(3, 3), qRgb(255, 0, 0)); // nothing reached the target yet
    }
    EXPECT_EQ(target.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0)); // outside the rectangle: untouched
}

TEST(MemoryDC, SecondVariantCoversTheClipBoxAndStartsWhite)
{
    QImage target = Background();
    {
        QPainter p(&target);
        p.setClipRect(QRect(0, 0, 4, 8));
        CMemDC2 dc(&p);
        EXPECT_EQ(dc.Rect(), QRect(0, 0, 4, 8));
    }
    EXPECT_EQ(target.pixel(3, 7), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(4, 7), qRgb(255, 0, 0));
}

} // namespace
