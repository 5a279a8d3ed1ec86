// Pictures on high-density screens: the 2× sibling is picked above ratio 1, drawn at the 1× size in
// logical pixels, refused when it does not fit, and a 1× picture stretched on such a screen is reported.
#include "MemoryDC.h"
#include "PictureFixtures.h"
#include "xImage.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>

namespace {

const QRgb kOneColour = qRgb(200, 0, 0);
const QRgb kTwiceEdge = qRgb(0, 0, 200);
const QRgb kTwiceInside = qRgb(0, 160, 0);

// 1×: plain red. 2×: green with a one-device-pixel blue border, so the test sees which one was drawn
// and whether its pixels reached the device one to one.
QImage OnePicture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kOneColour);
    return img;
}
QImage TwicePicture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kTwiceEdge);
    QPainter(&img).fillRect(QRect(1, 1, w - 2, h - 2), QColor(kTwiceInside));
    return img;
}

QImage Surface(int w, int h, qreal ratio)
{
    QImage target(int(w * ratio + 0.5), int(h * ratio + 0.5), QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(ratio);
    target.fill(Qt::white);
    return target;
}

bool Reported(const std::string &path)
{
    const auto list = CxImage::UpscaledPictures();
    return std::find(list.begin(), list.end(), NormalisePicturePath(path)) != list.end();
}

class PictureRatio : public ::testing::Test
{
protected:
    void SetUp() override { CxImage::ResetUpscaledPictures(); }
    // Writes name (1×, 10 × 6) and, when twice is not null, its @2x sibling.
    std::string Write(const char *name, const QImage &twice, const char *format = "PNG")
    {
        const std::string path = (m_dir.path() + "/" + name).toStdString();
        WriteBytes(path, EncodeWithQt(OnePicture(10, 6), format));
        if (!twice.isNull())
            WriteBytes(CxImage::TwiceName(path), EncodeWithQt(twice, format));
        return path;
    }
    QTemporaryDir m_dir;
};

TEST(PictureNames, TwiceNameGoesBeforeTheExtensionOfTheFileOnly)
{
    const std::pair<const char *, const char *> cases[] = {
        {"img/x.png", "img/x@2x.png"},
        {"img\\hostimg\\moyunge.PNG", "img/hostimg/moyunge@2x.PNG"},
        {"a.b/c", "a.b/c@2x"},
        {"img/information_background.bmp", "img/information_background@2x.bmp"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(CxImage::TwiceName(in), out) << in;
}

TEST_F(PictureRatio, FrameForEachRatioAndFallbacks)
{
    struct Case
    {
        const char *name;
        QImage twice;   // the sibling written beside the 1× file (null: none)
        bool twiceUsed; // the sibling is accepted
    };
    const Case cases[] = {
        {"good.png", TwicePicture(20, 12), true},
        {"none.png", QImage(), false},
        {"same-size.png", TwicePicture(10, 6), false},
        {"off-by-one.png", TwicePicture(21, 12), false},
        {"triple.png", TwicePicture(30, 18), false},
    };
    for (const Case &c : cases) {
        CxImage::ResetUpscaledPictures();
        const std::string path = Write(c.name, c.twice);
        CxImage picture;
        ASSERT_TRUE(picture.load(path)) << c.name;
        EXPECT_EQ(picture.HasTwiceFrames(), c.twiceUsed) << c.name;
        EXPECT_EQ(picture.imageWidth(), 10u) << c.name; // sizes stay the 1× ones everywhere
        EXPECT_EQ(picture.Frame(0, 1.0).devicePixelRatio(), 1.0) << c.name;
        EXPECT_EQ(picture.Frame(0, 1.0).pixel(5, 3), kOneColour) << c.name;
        for (qreal ratio : {1.25, 1.5, 2.0}) {
            const QImage &frame = picture.Frame(0, ratio);
            EXPECT_EQ(frame.deviceIndependentSize(), QSizeF(10, 6)) << c.name << " at " << ratio;
            EXPECT_EQ(frame.pixel(5, 3), c.twiceUsed ? kTwiceInside : kOneColour) << c.name << " at " << ratio;
        }
        EXPECT_EQ(Reported(path), !c.twiceUsed) << c.name;
    }
}

TEST_F(PictureRatio, DamagedSiblingLeavesThePictureAt1x)
{
    const std::string path = Write("damaged.png", QImage());
    WriteBytes(CxImage::TwiceName(path), {0x89, 'P', 'N', 'G', 1, 2, 3});
    CxImage picture;
    ASSERT_TRUE(picture.load(path));
    EXPECT_FALSE(picture.HasTwiceFrames());
    EXPECT_EQ(picture.Frame(0, 2.0).pixel(0, 0), kOneColour);
}

TEST_F(PictureRatio, AtRatioTwoThe2xPixelsReachTheDeviceOneToOne)
{
    CxImage picture;
    ASSERT_TRUE(picture.load(Write("edge.png", TwicePicture(20, 12))));
    QImage target = Surface(14, 10, 2.0);
    QPainter painter(&target);
    ASSERT_TRUE(picture.draw(&painter, 2, 2));
    painter.end();
    // Logical (2, 2)-(12, 8) is device (4, 4)-(24, 16): a one-device-pixel border, then the inside.
    EXPECT_EQ(target.pixel(3, 4), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(4, 4), kTwiceEdge);
    EXPECT_EQ(target.pixel(5, 5), kTwiceInside);
    EXPECT_EQ(target.pixel(23, 15), kTwiceEdge);
    EXPECT_EQ(target.pixel(24, 16), qRgb(255, 255, 255));
    EXPECT_TRUE(CxImage::UpscaledPictures().empty());
}

TEST_F(PictureRatio, AtFractionalRatiosThe2xPictureIsScaledDownSmoothlyToTheLogicalSize)
{
    CxImage picture;
    ASSERT_TRUE(picture.load(Write("smooth.png", TwicePicture(20, 12))));
    QImage target = Surface(10, 6, 1.5); // 15 × 9 device pixels, the picture's logical size
    QPainter painter(&target);
    ASSERT_TRUE(picture.draw(&painter, 0, 0));
    painter.end();
    // Covers the whole surface (no white left), and the border blends into the inside: smooth.
    EXPECT_NE(target.pixel(14, 8), qRgb(255, 255, 255));
    const QRgb edge = target.pixel(0, 4);
    EXPECT_NE(edge, kTwiceEdge);
    EXPECT_NE(edge, kTwiceInside);
    EXPECT_EQ(target.pixel(7, 4), kTwiceInside);
}

TEST_F(PictureRatio, MemorySurfaceKeepsTheTargetsDensity)
{
    CxImage picture;
    ASSERT_TRUE(picture.load(Write("buffered.png", TwicePicture(20, 12))));
    QImage target = Surface(14, 10, 2.0);
    QPainter painter(&target);
    {
        CMemoryDC dc(&painter, QRect(0, 0, 14, 10));
        ASSERT_TRUE(dc.IsOffscreen());
        picture.draw(dc.dc(), 2, 2);
    }
    painter.end();
    EXPECT_EQ(target.pixel(4, 4), kTwiceEdge); // one device pixel wide: not drawn at 1× and stretched
    EXPECT_EQ(target.pixel(5, 5), kTwiceInside);
}

TEST_F(PictureRatio, OnePictureOnlyIsDrawnStretchedAndReported)
{
    const std::string path = Write("only.jpg", QImage(), "JPEG");
    CxImage picture;
    ASSERT_TRUE(picture.load(path));
    QImage plain = Surface(10, 6, 1.0);
    QPainter one(&plain);
    picture.draw(&one, 0, 0);
    one.end();
    EXPECT_TRUE(CxImage::UpscaledPictures().empty()); // at 100 % nothing is stretched

    QImage target = Surface(10, 6, 2.0);
    QPainter painter(&target);
    ASSERT_TRUE(picture.draw(&painter, 0, 0));
    painter.end();
    EXPECT_NE(target.pixel(19, 11), qRgb(255, 255, 255)); // still covers its logical size
    EXPECT_TRUE(Reported(path));
}

} // namespace
