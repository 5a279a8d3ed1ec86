// Window bases and the start-up screen on real widgets: config.ini writes, maximise, restore and
// back with their messages, the translucent cover, the web panel's scrolling rule.
#include "AboutDlg.h"
#include "AppFolder.h"
#include "FatherDlg.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "ProfileFile.h"
#include "Screen.h"
#include "StartupScreenDlg.h"
#include "ToumingDlg.h"
#include "WelcomeDlg.h"
#include "WindowFrame.h"
#include "WindowMessage.h"
#include "YStatic.h"

#include <QFile>
#include <QPushButton>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A main window stand-in that records what screens tell it.
class MainWindowProbe : public CDialog
{
public:
    MainWindowProbe() : CDialog(nullptr, DialogKind::FramelessWindow) {}
    std::vector<std::pair<int, intptr_t>> messages;
    QRect closedRect;
    int captionDoubleClicks = 0;

protected:
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override
    {
        messages.emplace_back(message, wParam);
        if (message == kMsgScreenClosed)
            closedRect = *reinterpret_cast<const QRect *>(wParam);
        return CDialog::OnWindowMessage(message, wParam, lParam);
    }
    void mouseDoubleClickEvent(QMouseEvent *) override { ++captionDoubleClicks; }
};

class TestStartup : public CStartupScreenDlg
{
public:
    using CStartupScreenDlg::OnTimer;
};

std::string ReadShow(const std::string &config)
{
    return GetProfileString("StartPage", "Show", "missing", 10, config);
}

} // namespace

class WindowsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_app;
    std::string Config() const { return (m_app.path() + "/config.ini").toStdString(); }

private slots:
    void initTestCase()
    {
        // The program folder is a fresh one: no skin, no pictures, its own config.ini.
        InitAppFolder((m_app.path() + "/penlark").toStdString());
    }

    void startupScreenIsShownUnlessShowIsZero()
    {
        struct Case
        {
            const char *content;
            bool shown;
        };
        const Case cases[] = {{"[StartPage]\nShow=0\n", false},
                              {"[StartPage]\nShow=1\n", true},
                              {"[StartPage]\nShow=7\n", true},
                              {"[Login]\nUser=a\n", true},
                              {nullptr, true}};
        const std::string path = (m_app.path() + "/show.ini").toStdString();
        for (const Case &c : cases) {
            QFile::remove(QString::fromStdString(path));
            if (c.content) {
                QFile f(QString::fromStdString(path));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(c.content);
            }
            QCOMPARE(CStartupScreenDlg::ShouldShow(path), c.shown);
        }
    }

    void showZeroSkipsTheScreen()
    {
        QVERIFY(WriteProfileString("StartPage", "Show", "0", Config()));
        QCOMPARE(CStartupScreenDlg::ShowIfWanted(), false);
    }

    void checkBoxWritesShowAtEveryClick()
    {
        QFile::remove(QString::fromStdString(Config()));
        TestStartup screen;
        screen.EnsureInitialized();
        QCOMPARE(screen.HasTimer(CStartupScreenDlg::kCloseTimerId), true);
        QCOMPARE(screen.size(), QSize(1024, 700));
        QCOMPARE(screen.pos(), QPoint(ScreenSize().width() / 2 - 512, WorkArea().height() / 2 - 350));
        QTest::mouseClick(screen.CheckButton(), Qt::LeftButton);
        QCOMPARE(ReadShow(Config()), std::string("0"));
        QCOMPARE(screen.CheckButton()->CurrentFace(), CGdipButton::Face::Pressed);
        QTest::mouseClick(screen.CheckButton(), Qt::LeftButton);
        QCOMPARE(ReadShow(Config()), std::string("1"));
        QCOMPARE(screen.IsChecked(), false);
        QTest::mouseClick(screen.Label(), Qt::LeftButton); // the label toggles too
        QCOMPARE(ReadShow(Config()), std::string("0"));
        QCOMPARE(screen.Label()->WindowText(), Utf8ToGbk("下次不再显示"));
        screen.OnTimer(CStartupScreenDlg::kCloseTimerId); // ten seconds later
        QCOMPARE(screen.HasTimer(CStartupScreenDlg::kCloseTimerId), false);
        QCOMPARE(screen.isVisible(), false);
        QCOMPARE(ReadShow(Config()), std::string("0")); // one click stays written
    }

    void enterButtonStopsTheTimerAndEndsTheModalRun()
    {
        TestStartup screen;
        QTimer::singleShot(0, &screen, [&] { QTest::mouseClick(screen.EnterButton(), Qt::LeftButton); });
        QCOMPARE(screen.DoModal(), kIdOk);
        QCOMPARE(screen.HasTimer(CStartupScreenDlg::kCloseTimerId), false);
    }

    void startupScreenTakesItsLayoutFromTheSkin()
    {
        QDir(m_app.path()).mkpath("img");
        QFile skin(m_app.path() + "/img/skin.xml");
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write(
            R"(<s><start><enter x="100" y="200" width="80" height="30" normal="e.png"><Text x="5" y="6" width="70" height="16"/></enter></start></s>)");
        skin.close();
        TestStartup screen;
        screen.EnsureInitialized();
        QCOMPARE(screen.EnterButton()->geometry(), QRect(100, 200, 80, 30));
        QCOMPARE(screen.Label()->geometry(), QRect(5, 6, 70, 16));
        QCOMPARE(screen.CheckButton()->geometry(), QRect(466, 624, 14, 14)); // no CheckBox: keeps its place
        QFile::remove(m_app.path() + "/img/skin.xml");
    }

    void maximiseRestoreAndBack()
    {
        MainWindowProbe main;
        main.setGeometry(CFatherDlg::RestoredRect());
        auto *screen = new CFatherDlg(&main);
        screen->SetOpenerRestored(true);
        screen->show();
        QCOMPARE(screen->geometry(), CFatherDlg::RestoredRect());
        QCOMPARE(screen->CloseButton()->geometry(), QRect(1024 - 53, -1, 43, 28));
        QCOMPARE(screen->RestoreButton()->isVisible(), false);

        QTest::mouseClick(screen->MaximiseButton(), Qt::LeftButton);
        QCOMPARE(screen->IsMaximised(), true);
        QCOMPARE(screen->geometry(), QGuiApplication::primaryScreen()->geometry());
        QCOMPARE(screen->IsDraggable(), false);
        QCOMPARE(screen->MaximiseButton()->isVisible(), false);
        QCOMPARE(screen->RestoreButton()->isVisible(), true);
        QCOMPARE(screen->CloseButton()->x(), screen->width() - 53);

        QTest::mouseClick(screen->RestoreButton(), Qt::LeftButton);
        QCOMPARE(screen->geometry(), CFatherDlg::RestoredRect());
        QCOMPARE(screen->IsDraggable(), true);
        QCOMPARE(screen->MaximiseButton()->isVisible(), true);

        QTest::mouseDClick(screen, Qt::LeftButton, {}, QPoint(500, 300)); // double click toggles
        QCOMPARE(screen->IsMaximised(), true);

        // Back from a maximised screen whose opener was restored: the opener is toggled too.
        QPointer<CFatherDlg> alive(screen);
        const QRect rect = screen->frameGeometry();
        QTest::mouseClick(screen->BackButton(), Qt::LeftButton);
        QCOMPARE(main.captionDoubleClicks, 1);
        QCOMPARE(main.messages.size(), size_t(2));
        QCOMPARE(main.messages[0], std::make_pair(kMsgShowMainWindow, intptr_t(1)));
        QCOMPARE(main.messages[1].first, kMsgScreenClosed);
        QCOMPARE(main.closedRect, rect);
        QTRY_VERIFY(alive.isNull()); // deleted itself
    }

    // Each kind of window keeps its own pairing of the lit ("...1.png", "return_up.png") and plain
    // pictures on its title-bar buttons' normal, hover and pressed faces.
    void titleBarButtonsShowTheirWindowsPictures()
    {
        const QString dir = m_app.path() + "/img/hostimg/";
        QVERIFY(QDir().mkpath(dir));
        const QStringList files{"hiddenbutton1.png", "hiddenbutton2.png", "return_up.png", "return_normal.png"};
        const auto colourOf = [&files](const char *file) { return qRgb(40 * int(files.indexOf(file)) + 20, 90, 0); };
        for (const QString &file : files) {
            QImage picture(4, 4, QImage::Format_RGB32);
            picture.fill(colourOf(file.toUtf8().constData()));
            QVERIFY(picture.save(dir + file));
        }
        struct Case
        {
            const char *window;
            TitleBarFaces faces;
            CGdipButton *TitleBarButtons::*button;
            const char *normal, *hover, *pressed;
        };
        const Case cases[] = {
            {"programme screen", kProgrammeScreenFaces, &TitleBarButtons::minimise, "hiddenbutton2.png", "hiddenbutton1.png",
             "hiddenbutton1.png"},
            {"programme screen", kProgrammeScreenFaces, &TitleBarButtons::restore, "return_normal.png", "return_up.png",
             "return_up.png"},
            {"main window", kMainWindowFaces, &TitleBarButtons::minimise, "hiddenbutton1.png", "hiddenbutton1.png",
             "hiddenbutton2.png"},
            {"main window", kMainWindowFaces, &TitleBarButtons::restore, "return_up.png", "return_up.png", "return_normal.png"},
            {"writing screen", kWritingScreenFaces, &TitleBarButtons::minimise, "hiddenbutton1.png", "hiddenbutton2.png",
             "hiddenbutton2.png"},
            {"writing screen", kWritingScreenFaces, &TitleBarButtons::restore, "return_up.png", "return_normal.png",
             "return_normal.png"},
        };
        for (const Case &c : cases) {
            QWidget window;
            const TitleBarButtons bar = MakeTitleBarButtons(&window, c.faces);
            const CGdipButton *button = bar.*c.button;
            const auto fileShownBy = [&](CGdipButton::Face face) {
                const QImage shown = button->FaceImage(face);
                for (const QString &file : files)
                    if (!shown.isNull() && shown.pixel(0, 0) == colourOf(file.toUtf8().constData()))
                        return file;
                return QString("none");
            };
            using Face = CGdipButton::Face;
            QCOMPARE(QString("%1: %2 %3 %4")
                         .arg(c.window, fileShownBy(Face::Normal), fileShownBy(Face::Hover), fileShownBy(Face::Pressed)),
                     QString("%1: %2 %3 %4").arg(c.window, c.normal, c.hover, c.pressed));
            QCOMPARE(bar.restore->isHidden(), true); // until the window is maximised
        }
        QVERIFY(QDir(dir).removeRecursively()); // the other tests have no pictures
    }

    // Run on a 1280 x 800 screen and again on an 800 x 800 one (ctest's ui_windows_small_screen_test):
    // a screen that does not hold 1024 x 700 opens maximised, the other at its normal size.
    void programmeScreenOpensMaximisedWhereItDoesNotFit()
    {
        const bool fits = WorkArea().width() >= CFatherDlg::kWidth && WorkArea().height() >= CFatherDlg::kHeight;
        MainWindowProbe main;
        auto *screen = new CFatherDlg(&main);
        screen->show();
        QCOMPARE(screen->IsMaximised(), !fits);
        QCOMPARE(screen->geometry(), fits ? CFatherDlg::RestoredRect() : QGuiApplication::primaryScreen()->geometry());
        QCOMPARE(screen->RestoreButton()->isVisible(), !fits);
    }

    void backInTheOpenersStateSendsNoCaptionClick()
    {
        MainWindowProbe main;
        auto *screen = new CFatherDlg(&main);
        screen->SetOpenerRestored(true);
        screen->show();
        screen->Back();
        QCOMPARE(main.captionDoubleClicks, 0);
        QCOMPARE(main.messages.back().first, kMsgScreenClosed);
    }

    void minimiseAndCloseShowTheMainWindow()
    {
        MainWindowProbe main;
        QPointer<CFatherDlg> screen = new CFatherDlg(&main);
        screen->show();
        screen->CloseScreen();
        QCOMPARE(main.messages.back(), std::make_pair(kMsgShowMainWindow, intptr_t(1)));
        QTRY_VERIFY(screen.isNull()); // closed and freed
    }

    void coverDarkensTheWindowWhileTheDialogRuns()
    {
        QWidget window;
        window.setGeometry(100, 80, 400, 300);
        window.setStyleSheet("background: white");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CDialog dialog;
        QRgb covered = 0;
        bool coverShown = false;
        QTimer::singleShot(50, &dialog, [&] {
            const auto covers = window.findChildren<CToumingDlg *>();
            coverShown = covers.size() == 1 && covers.front()->isVisible() && covers.front()->geometry() == window.rect();
            covered = window.grab().toImage().pixel(200, 150);
            // The window changes size under the dialog (a window manager finishing a restore):
            // the cover still covers all of it.
            window.resize(520, 360);
            coverShown = coverShown && covers.front()->geometry() == window.rect();
            dialog.EndDialog(kIdOk);
        });
        QCOMPARE(CToumingDlg::RunCovered(&window, dialog), kIdOk);
        QCOMPARE(coverShown, true);
        QCOMPARE(qRed(covered), 105);                                        // white under black at 150/255
        QCOMPARE(window.findChildren<CToumingDlg *>().size(), qsizetype(0)); // removed afterwards
        QCOMPARE(window.grab().toImage().pixel(200, 150), qRgb(255, 255, 255));

        CToumingDlg alone; // without a window: a top-level window at that opacity
        alone.EnsureInitialized();
        QCOMPARE(qRound(alone.windowOpacity() * 255), 150);
    }

    void aboutBoxEndsWithOk()
    {
        CAboutDlg about;
        QTimer::singleShot(0, &about, [&] { QTest::mouseClick(about.OkButton(), Qt::LeftButton); });
        QCOMPARE(about.DoModal(), kIdOk);
    }

    void panelScrollingRule()
    {
        struct Case
        {
            int current;
            ScrollRequest request;
            int expected;
        };
        const Case cases[] = {
            {100, ScrollRequest::LineUp, 70},    {100, ScrollRequest::LineDown, 130}, {100, ScrollRequest::PageUp, 0},
            {100, ScrollRequest::PageDown, 200}, {20, ScrollRequest::LineUp, 0},      {480, ScrollRequest::PageDown, 500},
            {250, ScrollRequest::Top, 0},        {250, ScrollRequest::Bottom, 500},   {250, ScrollRequest::Other, 250}};
        for (const Case &c : cases)
            QCOMPARE(ScrollPosition(c.current, c.request, 0, 500), c.expected);
    }
};

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"
