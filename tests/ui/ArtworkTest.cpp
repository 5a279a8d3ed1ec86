// The shipped pictures: every name the program opens exists with its exact case, decodes with the
// format its name gives and has the size its screen needs.
#include "PictureFixtures.h"
#include "xImage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <set>

namespace {

struct Picture
{
    const char *name;  // relative to img/
    int width, height; // 0 = any
};

// Every picture the screens name, with the size their layouts imply.
const Picture kPictures[] = {
    {"hint.png", 312, 170},
    {"msgbt.png", 0, 25},
    {"login.png", 0, 0},
    {"login.gif", 157, 15},
    {"startpage.jpg", 1024, 700},
    {"information_background.bmp", 0, 0},
    {"logo.png", 0, 0},
    {"say_left.png", 0, 123},
    {"say_mid.png", 0, 123},
    {"say_right.png", 0, 123},
    {"verify.png", 0, 0},
    {"dashline.png", 0, 0},
    {"tel.png", 0, 0},
    {"mail.png", 0, 0},
    {"right_bottom.png", 0, 26},
    {"w.jpg", 202, 45},
    {"w_down.png", 202, 45},
    {"p.jpg", 202, 45},
    {"p_down.png", 202, 45},
    {"l.jpg", 202, 45},
    {"l_down.jpg", 202, 45},
    {"c.jpg", 202, 45},
    {"c_down.jpg", 202, 45},
    {"a.jpg", 202, 45},
    {"a_down.jpg", 202, 45},
    {"f.jpg", 202, 45},
    {"f_down.jpg", 202, 45},
    {"help.png", 29, 13},
    {"help_down.png", 29, 13},
    {"party.png", 111, 31},
    {"party_down.png", 111, 31},
    {"party_bg.png", 0, 0},
    {"callback.png", 50, 12},
    {"callback_down.png", 50, 12},
    {"shiyongxinde.png", 70, 13},
    {"zuowenchengji.png", 70, 13},
    {"match_down.png", 139, 28},
    {"match_up.png", 139, 28},
    {"write1.png", 89, 28},
    {"write2.png", 89, 28},
    {"write3.png", 89, 28},
    {"ok1.png", 64, 24},
    {"ok2.png", 64, 24},
    {"ok3.png", 64, 24},
    {"xuan1.png", 41, 20},
    {"xuan2.png", 41, 20},
    {"xuan3.png", 41, 20},
    {"submit.png", 75, 28},
    {"submit_up.png", 75, 28},
    {"submit_down.png", 75, 28},
    {"cancel.png", 75, 28},
    {"cancel_up.png", 75, 28},
    {"cancel_down.png", 75, 28},
    {"body.png", 0, 0},
    {"dot.png", 0, 0},
    {"jiantou1.png", 0, 0},
    {"jiantou2.png", 0, 0},
    {"write.png", 0, 0},
    {"hostimg/1.png", 313, 172},
    {"hostimg/tijiao.JPG", 63, 23},
    {"hostimg/quxiao.JPG", 63, 23},
    {"hostimg/backbutton1.png", 73, 28},
    {"hostimg/backbutton2.png", 73, 28},
    {"hostimg/hiddenbutton1.png", 43, 28},
    {"hostimg/hiddenbutton2.png", 43, 28},
    {"hostimg/maxmizebutton1.png", 40, 28},
    {"hostimg/maxmizebutton2.png", 40, 28},
    {"hostimg/return_normal.png", 40, 28},
    {"hostimg/return_up.png", 40, 28},
    {"hostimg/closebutton1.png", 43, 28},
    {"hostimg/closebutton2.png", 43, 28},
    {"hostimg/arrowsbackbutton1.png", 20, 19},
    {"hostimg/arrowsbackbutton2.png", 20, 19},
    {"hostimg/arrowsrepeatbutton1.png", 20, 19},
    {"hostimg/arrowsrepeatbutton2.png", 20, 19},
    {"hostimg/changyunge.png", 344, 31},
    {"hostimg/yunyunge1.PNG", 269, 31},
    {"hostimg/wenyaoqiu1.PNG", 73, 31},
    {"hostimg/moyunge.PNG", 0, 0},
    {"hostimg/xiezuobiaoti.PNG", 0, 0},
    {"hostimg/wordcount.png", 129, 27},
    {"hostimg/savetozone1.jpg", 133, 28},
    {"hostimg/savetozone2.jpg", 133, 28},
    {"hostimg/savetozone3.jpg", 133, 28},
    {"hostimg/dasaizhenwen1.png", 133, 28},
    {"hostimg/dasaizhenwen2.png", 133, 28},
    {"hostimg/dasaizhenwen3.png", 133, 28},
    {"hostimg/fenxiang.png", 207, 60},
    {"hostimg/time1.PNG", 0, 0},
    {"MySpace/savebendi1.png", 86, 26},
    {"MySpace/savebendi2.png", 86, 26},
    {"MySpace/savebendi3.png", 86, 26},
    {"MySpace/jixuxie1.png", 79, 26},
    {"MySpace/jixuxie2.png", 79, 26},
    {"MySpace/jixuxie13.png", 79, 26},
    {"MySpace/del1.png", 63, 25},
    {"MySpace/del2.png", 63, 25},
    {"MySpace/del3.png", 63, 25},
    {"MySpace/top1.png", 30, 25},
    {"MySpace/top2.png", 30, 25},
    {"MySpace/top3.png", 30, 25},
    {"MySpace/sou1.png", 33, 18},
    {"MySpace/sou2.png", 33, 18},
    {"PersonInfo/xiugaigeren1.png", 96, 26},
    {"PersonInfo/xiugaigeren2.png", 96, 26},
    {"PersonInfo/xiugaigeren3.png", 96, 26},
    {"PersonInfo/xiugaimima1.png", 96, 26},
    {"PersonInfo/xiugaimima2.png", 96, 26},
    {"PersonInfo/xiugaimima3.png", 96, 26},
};

uint32_t FormatOfName(const QString &name)
{
    const QString ext = QFileInfo(name).suffix();
    if (ext == "png" || ext == "PNG")
        return CxImage::kFormatPng;
    if (ext == "jpg" || ext == "JPG")
        return CxImage::kFormatJpg;
    if (ext == "gif")
        return CxImage::kFormatGif;
    return CxImage::kFormatBmp;
}

TEST(Artwork, EveryNamedPictureExistsWithItsFormatAndSize)
{
    for (const Picture &p : kPictures) {
        CxImage img;
        ASSERT_TRUE(img.load(SourceImgDir() + "/" + p.name, CxImage::kFormatUnknown)) << p.name;
        EXPECT_EQ(img.DecodedFormat(), FormatOfName(p.name)) << p.name;
        if (p.width) {
            EXPECT_EQ(img.imageWidth(), uint32_t(p.width)) << p.name;
        }
        if (p.height) {
            EXPECT_EQ(img.imageHeight(), uint32_t(p.height)) << p.name;
        }
    }
}

TEST(Artwork, FacesOfOneButtonDifferFromEachOther)
{
    const std::vector<std::vector<const char *>> sets = {
        {"hostimg/closebutton1.png", "hostimg/closebutton2.png"},     {"ok1.png", "ok2.png", "ok3.png"},
        {"submit.png", "submit_up.png", "submit_down.png"},           {"w.jpg", "w_down.png"},
        {"MySpace/del1.png", "MySpace/del2.png", "MySpace/del3.png"}, {"match_down.png", "match_up.png"}};
    for (const auto &set : sets) {
        std::vector<QImage> faces;
        for (const char *name : set) {
            CxImage img;
            ASSERT_TRUE(img.load(SourceImgDir() + "/" + name)) << name;
            faces.push_back(img.Frame(0));
        }
        for (size_t i = 0; i < faces.size(); ++i)
            for (size_t j = i + 1; j < faces.size(); ++j)
                EXPECT_NE(faces[i], faces[j]) << set[i] << " vs " << set[j];
    }
}

TEST(Artwork, NotifierSkinIsA24BitBitmapWithMagentaCorners)
{
    const auto bytes = ReadBytes(SourceImgDir() + "/information_background.bmp");
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes[28], 24); // bits per pixel
    CxImage img;
    ASSERT_TRUE(img.decodeFromMemory(bytes.data(), bytes.size(), CxImage::kFormatBmp));
    const QImage &f = img.Frame(0);
    EXPECT_EQ(f.width() % 4, 0); // the window shape reads rows of a multiple of 4 pixels
    EXPECT_EQ(f.pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(f.pixel(f.width() - 1, f.height() - 1), qRgb(255, 0, 255));
    EXPECT_NE(f.pixel(f.width() / 2, f.height() / 2), qRgb(255, 0, 255));
}

TEST(Artwork, SharePopupHasNoWhiteInsideItsTargets)
{
    CxImage img;
    ASSERT_TRUE(img.load(SourceImgDir() + "/hostimg/fenxiang.png"));
    // White is the popup's colour key: the target areas must be visible, so not white.
    const QRect areas[] = {{2, 8, 67, 15},  {75, 8, 55, 15},  {136, 8, 66, 15},
                           {2, 29, 68, 14}, {75, 29, 57, 14}, {136, 29, 66, 15}};
    for (const QRect &r : areas) {
        int white = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                white += img.Frame(0).pixel(x, y) == qRgb(255, 255, 255);
        EXPECT_LT(white, r.width() * r.height() / 10) << r.x() << "," << r.y();
    }
}

} // namespace
