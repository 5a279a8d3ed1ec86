// Skinned controls driven with real events: selection group, faces, hinted fields, links, GIF
// playback and the wrapping label.
#include "GIFControl.h"
#include "Fonts.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "MyEdit.h"
#include "PictureFixtures.h"
#include "ScreenKit.h"
#include "WindowMessage.h"
#include "XHyperLink.h"
#include "YButton.h"
#include "YStatic.h"

#include <QClipboard>
#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimerEvent>
#include <QtTest>

namespace {

struct Trace
{
    int message;
    intptr_t wParam;
};

// Records the window messages sent or posted while it lives.
class MessageLog
{
public:
    MessageLog()
    {
        SetWindowMessageObserver([this](const WindowMessageTrace &t) { m_log.push_back({t.message, t.wParam}); });
    }
    ~MessageLog() { SetWindowMessageObserver({}); }
    int Count(int message) const
    {
        return int(std::count_if(m_log.begin(), m_log.end(), [&](const Trace &t) { return t.message == message; }));
    }
    std::vector<intptr_t> Params(int message) const
    {
        std::vector<intptr_t> out;
        for (const Trace &t : m_log)
            if (t.message == message)
                out.push_back(t.wParam);
        return out;
    }
    void Clear() { m_log.clear(); }

private:
    std::vector<Trace> m_log;
};

QImage Solid(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    return img;
}

void Enter(QWidget *w)
{
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &e);
}

void Leave(QWidget *w)
{
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

class ControlsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::string m_normal, m_hover, m_pressed, m_disabled;

    std::string WritePng(const char *name, const QImage &img)
    {
        const std::string path = (m_dir.path() + "/" + name).toStdString();
        WriteBytes(path, EncodeWithQt(img, "PNG"));
        return path;
    }

private slots:
    void initTestCase()
    {
        m_normal = WritePng("n.png", Solid(10, 8, qRgb(0, 0, 255)));
        m_hover = WritePng("h.png", Solid(10, 8, qRgb(0, 255, 0)));
        m_pressed = WritePng("p.png", Solid(10, 8, qRgb(255, 0, 0)));
        m_disabled = WritePng("d.png", Solid(10, 8, qRgb(90, 90, 90)));
    }

    void groupSelectionPostsOnlyOnChange()
    {
        QWidget parent;
        parent.resize(300, 100);
        CGdipButton a(&parent), b(&parent), hidden(&parent);
        for (CGdipButton *button : {&a, &b, &hidden}) {
            button->resize(40, 20);
            button->LoadImages(m_normal, m_hover, m_pressed);
            button->SetGroup(true);
            CGdipButton::AddToGroup(button);
        }
        b.move(50, 0);
        hidden.hide();
        CGdipButton::SetGroupSelection(&hidden);
        MessageLog log;

        QTest::mouseClick(&a, Qt::LeftButton);
        QCOMPARE(log.Count(kMsgNavSelected), 1);
        QCOMPARE(log.Params(kMsgNavSelected).front(), reinterpret_cast<intptr_t>(&a));
        QCOMPARE(log.Count(kMsgImageButtonPressed), 1);
        QCOMPARE(CGdipButton::GroupSelection(), &a);
        Leave(&a);
        QCOMPARE(a.CurrentFace(), CGdipButton::Face::Pressed); // the selection keeps its pressed face

        QTest::mouseClick(&b, Qt::LeftButton);
        QCOMPARE(a.CurrentFace(), CGdipButton::Face::Normal);
        QCOMPARE(a.IsClickedInside(), false);
        QCOMPARE(log.Params(kMsgNavSelected).back(), reinterpret_cast<intptr_t>(&b));

        log.Clear();
        QTest::mouseClick(&b, Qt::LeftButton); // the selected one again
        QCOMPARE(log.Count(kMsgNavSelected), 0);
        QCOMPARE(log.Count(kMsgImageButtonPressed), 1);
        QCOMPARE(CGdipButton::GroupSelection(), &b);

        // With no selection a press selects nothing: the owner names the first selection.
        CGdipButton::SetGroupSelection(nullptr);
        log.Clear();
        QTest::mouseClick(&a, Qt::LeftButton);
        QCOMPARE(log.Count(kMsgNavSelected), 0);
        QCOMPARE(log.Count(kMsgImageButtonPressed), 1);
        QCOMPARE(CGdipButton::GroupSelection(), static_cast<CGdipButton *>(nullptr));
    }

    void selectedGroupButtonComesBackToItsPressedFace()
    {
        QWidget parent;
        parent.resize(100, 20);
        CGdipButton named(&parent), pressed(&parent);
        for (CGdipButton *button : {&named, &pressed}) {
            button->resize(10, 8);
            button->LoadImages(m_normal, m_hover, m_pressed);
            button->SetGroup(true);
            CGdipButton::AddToGroup(button);
        }
        pressed.move(20, 0);
        const QRgb red = qRgb(255, 0, 0);

        // The selection the owner names at start, shown pressed.
        CGdipButton::SetGroupSelection(&named);
        named.ShowFace(CGdipButton::Face::Pressed);
        for (int pass = 0; pass < 2; ++pass) {
            Enter(&named);
            QCOMPARE(named.CurrentFace(), CGdipButton::Face::Hover);
            Leave(&named);
            QCOMPARE(named.CurrentFace(), CGdipButton::Face::Pressed);
            QCOMPARE(named.grab().toImage().pixel(5, 4), red);
        }

        // A selection made by a click, passed over again after the release.
        QTest::mouseClick(&pressed, Qt::LeftButton);
        QCOMPARE(CGdipButton::GroupSelection(), &pressed);
        Leave(&pressed);
        Enter(&pressed);
        Leave(&pressed);
        QCOMPARE(pressed.CurrentFace(), CGdipButton::Face::Pressed);
        QCOMPARE(pressed.grab().toImage().pixel(5, 4), red);

        // The former selection is an ordinary button again.
        Enter(&named);
        Leave(&named);
        QCOMPARE(named.CurrentFace(), CGdipButton::Face::Normal);
        CGdipButton::SetGroupSelection(nullptr);
    }

    void hoverPressedAndKeptFaces()
    {
        QWidget parent;
        CGdipButton button(&parent);
        button.resize(10, 8);
        button.LoadImages(m_normal, m_hover, m_pressed, m_disabled);
        button.SetToolTipText(Utf8ToGbk("返回主界面"));
        Enter(&button);
        QCOMPARE(button.CurrentFace(), CGdipButton::Face::Hover);
        QCOMPARE(button.IsToolTipPending(), true);
        QCOMPARE(button.ToolTipDelay(), 2000);
        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(button.CurrentFace(), CGdipButton::Face::Pressed);
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(button.CurrentFace(), CGdipButton::Face::Pressed); // until the pointer leaves
        Leave(&button);
        QCOMPARE(button.CurrentFace(), CGdipButton::Face::Normal);
        QCOMPARE(button.IsToolTipPending(), false);

        button.SetKeepFace(true);
        Enter(&button);
        QCOMPARE(button.CurrentFace(), CGdipButton::Face::Normal);

        // What reaches the screen: each face's colour, and the disabled look over everything.
        struct Case
        {
            CGdipButton::Face face;
            bool disabledLook;
            QRgb colour;
        };
        const Case cases[] = {{CGdipButton::Face::Normal, false, qRgb(0, 0, 255)},
                              {CGdipButton::Face::Hover, false, qRgb(0, 255, 0)},
                              {CGdipButton::Face::Pressed, false, qRgb(255, 0, 0)},
                              {CGdipButton::Face::Pressed, true, qRgb(90, 90, 90)}};
        for (const Case &c : cases) {
            button.ShowFace(c.face);
            button.SetDisabledLook(c.disabledLook);
            QCOMPARE(button.grab().toImage().pixel(5, 4), c.colour);
        }
    }

    void stretchScalesFacesAndNaturalSizeLeavesTheRest()
    {
        QWidget parent;
        CGdipButton button(&parent);
        button.resize(30, 20);
        button.LoadImages(m_normal, m_hover, m_pressed);
        QImage natural(30, 20, QImage::Format_ARGB32_Premultiplied);
        natural.fill(Qt::white);
        button.render(&natural, QPoint(), QRegion(), QWidget::RenderFlags());
        QCOMPARE(natural.pixel(5, 4), qRgb(0, 0, 255));
        QCOMPARE(natural.pixel(25, 15), qRgb(255, 255, 255));
        button.SetStretch(true);
        QImage stretched(30, 20, QImage::Format_ARGB32_Premultiplied);
        stretched.fill(Qt::white);
        button.render(&stretched, QPoint(), QRegion(), QWidget::RenderFlags());
        QCOMPARE(stretched.pixel(25, 15), qRgb(0, 0, 255));
    }

    void yButtonTellsItsParentAndResets()
    {
        QWidget parent;
        CYButton button(&parent);
        button.resize(10, 8);
        button.LoadImages(m_hover, m_normal, m_pressed, m_normal);
        MessageLog log;
        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(button.CurrentFace(), CYButton::Face::Pressed);
        QCOMPARE(log.Count(kMsgYButtonPressed), 2); // to itself, then passed on to the parent
        QCOMPARE(log.Params(kMsgYButtonPressed).back(), reinterpret_cast<intptr_t>(&button));
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(button.CurrentFace(), CYButton::Face::Released);
        Enter(&button);
        QCOMPARE(button.CurrentFace(), CYButton::Face::Hover); // released equals normal here
        SendWindowMessage(&button, kMsgYButtonReset);
        QCOMPARE(button.CurrentFace(), CYButton::Face::Normal);
    }

    void hintedPasswordFieldMasksOnlyTypedText()
    {
        QWidget window;
        CMyEdit edit(&window);
        edit.SetPassword(true);
        edit.SetHint(Utf8ToGbk(" 请输入密码"));
        QCOMPARE(edit.displayText(), QString::fromUtf8(" 请输入密码")); // hint in clear
        QCOMPARE(edit.echoMode(), QLineEdit::Normal);

        QFocusEvent in(QEvent::FocusIn);
        QCoreApplication::sendEvent(&edit, &in);
        QCOMPARE(edit.text(), QString());
        QTest::keyClicks(&edit, "abc");
        QCOMPARE(edit.displayText(), QString("***"));
        QCOMPARE(edit.WindowText(), std::string("abc"));

        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(&edit, &out);
        QCOMPARE(edit.displayText(), QString("***")); // typed text stays masked
        QCoreApplication::sendEvent(&edit, &in);
        edit.clear();
        QCoreApplication::sendEvent(&edit, &out);
        QCOMPARE(edit.displayText(), QString::fromUtf8(" 请输入密码"));
        QCOMPARE(edit.IsShowingHint(), true);

        CMyEdit plain(&window);
        plain.SetHint(Utf8ToGbk(" 请输入账号"));
        QCoreApplication::sendEvent(&plain, &in);
        QTest::keyClicks(&plain, "user1");
        QCoreApplication::sendEvent(&plain, &out);
        QCOMPARE(plain.displayText(), QString("user1"));
    }

    // A one-line field (the titles, the sign-in fields, the library search) leaves out what GBK
    // cannot hold whichever way it comes in, and the cursor stays after what was put in.
    void oneLineFieldsKeepOnlyWhatGbkHolds_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("typed") << "typed";
        QTest::newRow("pasted") << "pasted";
        QTest::newRow("input method") << "input method";
    }

    void oneLineFieldsKeepOnlyWhatGbkHolds()
    {
        QFETCH(QString, way);
        QWidget window;
        CMyEdit title(&window);
        QLineEdit search(&window);
        KeepFieldInGbk(&search);
        const QString incoming = QString::fromUtf8("我的🌸春天 Spring😀");
        for (QLineEdit *field : {static_cast<QLineEdit *>(&title), &search}) {
            field->setText("[]");
            field->setCursorPosition(1);
            if (way == "typed") {
                QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, incoming);
                QApplication::sendEvent(field, &key);
            } else if (way == "pasted") {
                QApplication::clipboard()->setText(incoming);
                field->paste();
            } else {
                CommitText(field, incoming);
            }
            QCOMPARE(field->text(), QString::fromUtf8("[我的春天 Spring]"));
            QCOMPARE(field->cursorPosition(), 12); // after "[我的春天 Spring"
        }
        QCOMPARE(title.WindowText(), Utf8ToGbk("[我的春天 Spring]"));
    }

    void linkColoursAndOpening()
    {
        std::vector<std::string> opened;
        bool succeed = true;
        CXHyperLink::SetOpener([&](const std::string &url) {
            opened.push_back(url);
            return succeed;
        });
        QWidget window;
        CXHyperLink empty(&window);
        QTest::mouseClick(&empty, Qt::LeftButton);
        QCOMPARE(opened.size(), size_t(0)); // nothing to open, yet counted as opened
        QCOMPARE(empty.IsVisited(), true);
        QCOMPARE(empty.CurrentColour(), QColor(0x55, 0x1A, 0x8B));

        CXHyperLink link(&window);
        link.move(30, 40);
        link.SetWindowText(Utf8ToGbk("忘记密码?"));
        QFont underlined = MakeFont(QString::fromUtf8("宋体"), 10);
        underlined.setUnderline(true);
        QCOMPARE(link.pos(), QPoint(30, 40)); // auto-sized to the text, left edge kept
        QCOMPARE(link.width(), QFontMetrics(underlined).horizontalAdvance(QString::fromUtf8("忘记密码?")) + 1);
        link.SetURL("http://127.0.0.1:1/user/forgetpw.aspx");
        QCOMPARE(link.CurrentColour(), QColor(0x00, 0x00, 0xEE));
        QCOMPARE(link.toolTip(), QString("http://127.0.0.1:1/user/forgetpw.aspx"));
        succeed = false;
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(link.IsVisited(), false); // a failed open beeps and stays unvisited
        succeed = true;
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(link.IsVisited(), true);
        QCOMPARE(opened.back(), std::string("http://127.0.0.1:1/user/forgetpw.aspx"));
        CXHyperLink::SetOpener({});

        // The background: the button face until a fill colour is set, then the fill.
        QPalette palette = link.palette();
        palette.setColor(QPalette::Button, QColor(0x12, 0x34, 0x56)); // unlike the window behind
        link.setPalette(palette);
        QCOMPARE(link.grab().toImage().pixelColor(0, 0), QColor(0x12, 0x34, 0x56));
        link.SetBackgroundColour(QColor(0xF6, 0xF8, 0xE3));
        QCOMPARE(link.grab().toImage().pixelColor(0, 0), QColor(0xF6, 0xF8, 0xE3));
    }

    void linkHoverEndsAtTheFirstTickAfterLeaving()
    {
        QWidget window;
        window.resize(300, 100);
        CXHyperLink link(&window);
        link.move(10, 10);
        link.SetWindowText("help");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCursor::setPos(link.mapToGlobal(QPoint(2, 2)));
        QTest::mouseMove(&link, QPoint(2, 2));
        QCOMPARE(link.IsHovering(), true);
        QCOMPARE(link.CurrentFont().underline(), true);
        QCOMPARE(link.CurrentColour(), QColor(0xFF, 0x00, 0x00));
        QCOMPARE(link.IsHoverTimerActive(), true);
        QTest::qWait(250);
        QCOMPARE(link.IsHovering(), true); // still over it
        QCursor::setPos(window.mapToGlobal(QPoint(250, 90)));
        QTRY_COMPARE_WITH_TIMEOUT(link.IsHovering(), false, 1000);
        QCOMPARE(link.CurrentFont().underline(), false);
        QCOMPARE(link.IsHoverTimerActive(), false);
    }

    void gifFramesFollowTheirDelaysAndWrap()
    {
        const std::string path = (m_dir.path() + "/anim.gif").toStdString();
        WriteBytes(path, EncodeGif(6, 4, {10, 10, 25}));
        QWidget window;
        CGIFControl gif(&window);
        gif.resize(6, 4);
        QVERIFY(gif.Load(path));
        QCOMPARE(gif.FrameCount(), size_t(3));
        gif.Play();
        QCOMPARE(gif.CurrentFrame(), size_t(0));
        QCOMPARE(gif.TimerInterval(), 100);
        const size_t expectedFrames[] = {1, 2, 0, 1};
        const int expectedIntervals[] = {100, 250, 100, 100};
        for (int i = 0; i < 4; ++i) {
            QTimerEvent tick(gif.TimerId());
            QCoreApplication::sendEvent(&gif, &tick);
            QCOMPARE(gif.CurrentFrame(), expectedFrames[i]);
            QCOMPARE(gif.TimerInterval(), expectedIntervals[i]);
        }
        QCOMPARE(gif.grab().toImage().pixel(1, 1), qRgb(0, 255, 0)); // frame 1 is green
        gif.Play();                                                  // already playing: nothing restarts
        QCOMPARE(gif.CurrentFrame(), size_t(1));
        // And on the real clock: a 100 ms frame moves on.
        QTRY_COMPARE_WITH_TIMEOUT(gif.CurrentFrame(), size_t(2), 2000);

        // Stopped, it keeps its frame and its timer is gone; played again, it starts over.
        gif.Stop();
        QCOMPARE(gif.IsPlaying(), false);
        QCOMPARE(gif.TimerInterval(), 0);
        gif.Play();
        QCOMPARE(gif.CurrentFrame(), size_t(0));
        QCOMPARE(gif.IsPlaying(), true);
    }

    void framedFieldAndColourBlock()
    {
        QWidget window;
        CCoolEdit edit(&window);
        edit.resize(80, 20);
        edit.SetFrameColor(QColor(0x0E, 0x80, 0x3B));
        const QImage framed = edit.grab().toImage();
        QCOMPARE(framed.pixelColor(0, 10), QColor(0x0E, 0x80, 0x3B));
        QCOMPARE(framed.pixelColor(79, 19), QColor(0x0E, 0x80, 0x3B));
        edit.SetFrame(false);
        QVERIFY(edit.grab().toImage().pixelColor(0, 10) != QColor(0x0E, 0x80, 0x3B));

        CColorStatic block(&window, QColor(0xA3, 0xD3, 0xAB));
        block.resize(10, 5);
        QCOMPARE(block.grab().toImage().pixelColor(9, 4), QColor(0xA3, 0xD3, 0xAB));
    }

    void staticWrapsChineseBetweenCharacters()
    {
        // a = 6, h = 12, width 100: right limit 88; a CJK character is 12 wide.
        const std::string text = Utf8ToGbk("我们一起写作 love 好词好句");
        const auto glyphs = LayoutStaticText(text, 12, 6, 100, 18);
        std::vector<int> tops;
        std::string firstLine;
        for (const auto &g : glyphs) {
            if (g.top == 6)
                firstLine += text.substr(g.offset, g.length);
            tops.push_back(g.top);
        }
        QCOMPARE(QString::fromStdString(GbkToUtf8(firstLine)), QString::fromUtf8("我们一起写作 lo"));
        QCOMPARE(tops.back(), 24); // second line, the control's own line height lower
        const auto tabbed = LayoutStaticText(Utf8ToGbk("\t好"), 12, 6, 300, 18);
        QCOMPARE(tabbed.front().x, 48);
        const auto broken = LayoutStaticText(Utf8ToGbk("好\r\n词\n句"), 12, 6, 300, 20);
        QCOMPARE(broken[1].top, 26);
        QCOMPARE(broken[2].top, 46);
        QCOMPARE(broken[2].x, 0);

        QWidget window;
        CYStatic label(&window);
        label.resize(100, 60);
        label.SetLineHeight(18);
        label.SetWindowText(text);
        QCOMPARE(label.Layout().size(), glyphs.size());
    }
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
