// Skin reader: atoi reading, size and nesting limits, document shape and the shipped skin.
#include "PictureFixtures.h"
#include "SkinReader.h"
#include "xImage.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <climits>
#include <fstream>

namespace {

TEST(SkinAtoi, ReadsNumbersTheWayAtoiDoes)
{
    struct Case
    {
        const char *text;
        int value;
    };
    const Case cases[] = {{"120", 120},
                          {"  7", 7},
                          {"\t-3", -3},
                          {"+5", 5},
                          {"12px", 12},
                          {"3.9", 3},
                          {"", 0},
                          {"abc", 0},
                          {"-", 0},
                          {" - 4", 0},
                          {"99999999999", INT_MAX},
                          {"-99999999999", INT_MIN},
                          {nullptr, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(SkinAtoi(c.text), c.value) << (c.text ? c.text : "(null)");
}

std::string Nested(int depth)
{
    std::string s;
    for (int i = 0; i < depth; ++i)
        s += "<a x=\"1>2\">";
    for (int i = 0; i < depth; ++i)
        s += "</a>";
    return s;
}

TEST(SkinLimits, NestingAndSizeAreCheckedBeforeParsing)
{
    CSkinReader skin;
    EXPECT_TRUE(skin.Parse(Nested(64)));
    EXPECT_FALSE(skin.Parse(Nested(65)));
    EXPECT_FALSE(skin.Parse(Nested(100000))); // would exhaust TinyXML's recursion
    EXPECT_EQ(CSkinReader::NestingDepth("<r><!-- <a><b><c> --><x/><![CDATA[<d><e>]]><?pi <f>?></r>"), 1);
    EXPECT_EQ(CSkinReader::NestingDepth("<r><a"), -1);
    std::string big = "<r>" + std::string(CSkinReader::kMaxBytes, ' ') + "</r>";
    EXPECT_FALSE(skin.Parse(big));
    EXPECT_FALSE(skin.IsLoaded());
    EXPECT_FALSE(skin.Parse("<r><a></r>")); // not well formed
    EXPECT_FALSE(skin.Load("/nonexistent/skin.xml"));
}

TEST(SkinLimits, OnlyWellFormedUtf8IsParsed)
{
    struct Case
    {
        const char *text;
        bool parsed;
    };
    const Case cases[] = {
        {"<r><!-- \xE7\x99\xBB\xE5\xBD\x95 --><a x=\"\xE4\xB8\x80\"/></r>", true},
        // A sequence cut by the end of the text once sent the parser past its end.
        {"<r></r><\xE2\n", false},
        {"<r a=\"\xE2\"/>", false},
        {"<r><\xE4\xB8/></r>", false},       // cut inside the text
        {"<r>\xB5\xC7\xC2\xBC</r>", false}, // GBK bytes
        {"<r>\xC0\x80</r>", false},         // over-long form of a null
    };
    for (const Case &c : cases) {
        CSkinReader skin;
        EXPECT_EQ(skin.Parse(c.text), c.parsed) << c.text;
    }
}

TEST(SkinShape, StartUpGroupIsTheRootsFirstChildWhateverItsName)
{
    CSkinReader skin;
    ASSERT_TRUE(skin.Parse(R"(<any><g><btn x="10" y=" 20" width="30px" height="" normal="n.png" up="u.png">
      <Text x="1" y="2" width="3" height="4"/><CheckBox x="5" normal="c.png"/></btn></g>
      <LoadPage img="bg.jpg"><Edit_Pwd x="7" y="8" width="9" height="10"/><Edit_UserName x="1"/></LoadPage>
      <Pic_Login x="639" y="200"/></any>)"));
    const auto enter = skin.StartEnterButton();
    ASSERT_TRUE(enter.has_value());
    EXPECT_EQ(enter->x, 10);
    EXPECT_EQ(enter->y, 20);
    EXPECT_EQ(enter->width, 30);
    EXPECT_EQ(enter->height, 0);
    EXPECT_EQ(enter->normal, "n.png");
    EXPECT_EQ(enter->down, ""); // absent attribute
    EXPECT_EQ(skin.StartCheckBox()->normal, "c.png");
    EXPECT_EQ(skin.StartCheckBox()->y, 0);
    EXPECT_EQ(skin.StartText()->height, 4);
    EXPECT_EQ(skin.RootChild("LoadPage")->img, "bg.jpg");
    EXPECT_EQ(skin.RootChild("Pic_Login")->x, 639);
    EXPECT_EQ(skin.LoadPageChild("Edit_Pwd")->height, 10);
    EXPECT_EQ(skin.LoadPageChild("Edit_UserName")->x, 1); // order inside LoadPage does not matter
    EXPECT_FALSE(skin.LoadPageChild("Button_Login").has_value());
    EXPECT_FALSE(skin.LoadPageChild("edit_pwd").has_value()); // names match case-sensitively
}

TEST(SkinShape, LoadPageFirstMakesItsFirstChildTheEnterButton)
{
    CSkinReader skin;
    ASSERT_TRUE(skin.Parse(R"(<r><LoadPage img="bg.jpg"><Button_Login x="692"/><Edit_Pwd x="1"/></LoadPage>
      <Start><Enter x="5"/></Start></r>)"));
    EXPECT_EQ(skin.StartEnterButton()->x, 692);
    EXPECT_FALSE(skin.StartCheckBox().has_value());
    EXPECT_EQ(skin.LoadPageChild("Button_Login")->x, 692);
}

TEST(ShippedSkin, PlacesEverySignInElementInsideTheWindowWithExistingPictures)
{
    const std::string img = SourceImgDir();
    CSkinReader skin;
    ASSERT_TRUE(skin.Load(img + "/skin.xml"));
    const char *elements[] = {"Pic_UserSay",     "Pic_MediaSay",   "Edit_UserName", "Edit_Pwd",    "Text_ForgetPwd",
                              "Text_VCode",      "Text_NextVCode", "Edit_VCode",    "CB_Name",     "Text_Name",
                              "CB_Pwd",          "Text_Pwd",       "CB_Login",      "Text_Login",  "Button_Login",
                              "Button_Register", "Button_Min",     "Button_Max",    "Button_Close"};
    std::vector<SkinElement> all;
    for (const char *name : elements) {
        const auto e = skin.LoadPageChild(name);
        ASSERT_TRUE(e.has_value()) << name;
        all.push_back(*e);
    }
    all.push_back(*skin.StartEnterButton());
    all.push_back(*skin.StartCheckBox());
    all.push_back(*skin.StartText());
    all.push_back(*skin.RootChild("Pic_Login"));
    for (const SkinElement &e : all) {
        EXPECT_GT(e.width, 0);
        EXPECT_GT(e.height, 0);
        EXPECT_GE(e.x, -1);
        EXPECT_GE(e.y, -1);
        EXPECT_LE(e.x + e.width, 1024);
        EXPECT_LE(e.y + e.height, 700);
        for (const std::string &face : {e.normal, e.up, e.down, e.disable}) {
            if (face.empty())
                continue;
            CxImage picture;
            EXPECT_TRUE(picture.load(img + "\\" + face)) << face;
        }
    }
    CxImage background;
    ASSERT_TRUE(background.load(img + "/" + skin.RootChild("LoadPage")->img));
    EXPECT_EQ(background.imageWidth(), 1024u);
    EXPECT_EQ(background.imageHeight(), 700u);
}

} // namespace
