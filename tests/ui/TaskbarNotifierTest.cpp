// The notification popup: where it comes out for each taskbar side, its slide on a stepped clock,
// the close corner, the message click and its link, and the see-through magenta of its skin.
#include "OpenUrl.h"
#include "TaskbarNotifier.h"
#include "WindowMessage.h"

#include <QBitmap>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

namespace {

constexpr int kSkinWidth = 160;
constexpr int kSkinHeight = 100;
const QRect kScreen(0, 0, 1024, 768);

// A skin with a magenta top-left corner (10 x 10) and a magenta last column, as the artwork
// rounds its corners.
std::string WriteSkin(const QTemporaryDir &dir)
{
    QImage skin(kSkinWidth, kSkinHeight, QImage::Format_RGB32);
    skin.fill(QColor(0x1D, 0xAA, 0x39));
    QPainter p(&skin);
    p.fillRect(0, 0, 10, 10, QColor(255, 0, 255));
    p.fillRect(kSkinWidth - 1, 30, 1, 40, QColor(255, 0, 255));
    p.end();
    const QString path = dir.filePath("skin.bmp");
    if (!skin.save(path, "BMP"))
        return {};
    return path.toStdString();
}

struct Recorder
{
    std::vector<WindowMessageTrace> messages;
    std::vector<QString> opened;
    Recorder()
    {
        SetWindowMessageObserver([this](const WindowMessageTrace &t) { messages.push_back(t); });
        SetUrlOpener([this](const QString &url) {
            opened.push_back(url);
            return true;
        });
    }
    ~Recorder()
    {
        SetWindowMessageObserver({});
        SetUrlOpener({});
    }
};

} // namespace

class TaskbarNotifierTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::string m_skin;

    // A popup over a bottom taskbar, owned by the given window.
    void Prepare(CTaskbarNotifier &popup, QWidget *parent)
    {
        QVERIFY(popup.Create(parent));
        QVERIFY(popup.SetSkin(m_skin));
        popup.SetDesktop(kScreen, QRect(0, 0, 1024, 728));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_skin = WriteSkin(m_dir);
        QVERIFY(!m_skin.empty());
    }

    void placementForEachTaskbarSide_data()
    {
        QTest::addColumn<QRect>("work");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QPoint>("shown");
        QTest::addColumn<int>("interval");
        // A 200-pixel-high skin over a bottom taskbar steps every 500 / 100 = 5 ms.
        QTest::newRow("bottom") << QRect(0, 0, 1024, 728) << QSize(250, 200) << 4 << QPoint(774, 728) << QPoint(774, 528) << 5;
        QTest::newRow("no taskbar") << kScreen << QSize(250, 200) << 4 << QPoint(774, 768) << QPoint(774, 568) << 5;
        QTest::newRow("right") << QRect(0, 0, 964, 768) << QSize(250, 200) << 3 << QPoint(964, 568) << QPoint(714, 568) << 4;
        QTest::newRow("left") << QRect(60, 0, 964, 768) << QSize(250, 200) << 2 << QPoint(-190, 568) << QPoint(60, 568) << 4;
        QTest::newRow("top") << QRect(0, 40, 1024, 728) << QSize(250, 200) << 1 << QPoint(774, -160) << QPoint(774, 40) << 5;
        // Degenerate skins still get a timer that runs.
        QTest::newRow("one pixel high") << QRect(0, 0, 1024, 728) << QSize(250, 1) << 4 << QPoint(774, 728) << QPoint(774, 727)
                                        << 500;
        QTest::newRow("very high") << QRect(0, 0, 1024, 728) << QSize(250, 1400) << 4 << QPoint(774, 728) << QPoint(774, -672)
                                   << 1;
    }
    void placementForEachTaskbarSide()
    {
        QFETCH(QRect, work);
        QFETCH(QSize, size);
        QFETCH(int, direction);
        QFETCH(QPoint, start);
        QFETCH(QPoint, shown);
        QFETCH(int, interval);
        const NotifierPlacement p = PlaceNotifier(kScreen, work, size);
        QCOMPARE(static_cast<int>(p.direction), direction);
        QCOMPARE(p.start, start);
        QCOMPARE(p.shown, shown);
        QCOMPARE(p.stepIntervalMs, interval);
    }

    void slidesUpStaysAndSinksOnASteppedClock()
    {
        QWidget owner;
        CTaskbarNotifier popup;
        Prepare(popup, &owner);
        popup.Show("hello");
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kAppearing);
        QVERIFY(popup.isVisible());
        QCOMPARE(popup.geometry(), QRect(864, 728, kSkinWidth, kSkinHeight));
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerAppear), 10); // 500 / (100 / 2)

        popup.OnTimer(CTaskbarNotifier::kTimerAppear);
        QCOMPARE(popup.pos(), QPoint(864, 726));
        // A message while rising only changes the text.
        popup.Show("second");
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kAppearing);
        QCOMPARE(popup.pos(), QPoint(864, 726));
        QCOMPARE(popup.Message(), QString("second"));

        for (int i = 1; i < 50; ++i)
            popup.OnTimer(CTaskbarNotifier::kTimerAppear);
        QCOMPARE(popup.pos(), QPoint(864, 628));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kShowing);
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerAppear), 0);
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerStay), 5000);

        popup.OnTimer(CTaskbarNotifier::kTimerStay);
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kDisappearing);
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerStay), 0);
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerDisappear), 10);
        for (int i = 0; i < 10; ++i)
            popup.OnTimer(CTaskbarNotifier::kTimerDisappear);
        QCOMPARE(popup.pos(), QPoint(864, 648));

        // A message while sinking brings it straight back up with a fresh stay.
        popup.Show("third");
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kShowing);
        QCOMPARE(popup.pos(), QPoint(864, 628));
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerDisappear), 0);
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerStay), 5000);
        QCOMPARE(popup.Message(), QString("third"));

        popup.OnTimer(CTaskbarNotifier::kTimerStay);
        for (int i = 0; i < 49; ++i)
            popup.OnTimer(CTaskbarNotifier::kTimerDisappear);
        QCOMPARE(popup.pos(), QPoint(864, 726));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kDisappearing);
        popup.OnTimer(CTaskbarNotifier::kTimerDisappear);
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kHidden);
        QVERIFY(!popup.isVisible());
        QCOMPARE(popup.geometry().size(), QSize(0, 0));
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerDisappear), 0);

        // Shown again from hidden: from the start position once more.
        popup.Show("again");
        QCOMPARE(popup.pos(), QPoint(864, 728));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kAppearing);
    }

    void slidesSidewaysFromARightTaskbar()
    {
        QWidget owner;
        CTaskbarNotifier popup;
        Prepare(popup, &owner);
        popup.SetDesktop(kScreen, QRect(0, 0, 964, 768));
        popup.Show("x");
        QCOMPARE(popup.pos(), QPoint(964, 668));
        QCOMPARE(popup.TimerPeriod(CTaskbarNotifier::kTimerAppear), 6); // 500 / (160 / 2)
        for (int i = 0; i < 80; ++i)
            popup.OnTimer(CTaskbarNotifier::kTimerAppear);
        QCOMPARE(popup.pos(), QPoint(804, 668));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kShowing);
    }

    void closeCornerHidesAndSendsNothing()
    {
        QWidget owner;
        CTaskbarNotifier popup;
        Prepare(popup, &owner);
        Recorder recorder;
        popup.Show("x");
        QTest::mouseClick(&popup, Qt::LeftButton, {}, QPoint(kSkinWidth - 10, 5));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kHidden);
        QVERIFY(!popup.isVisible());
        QCOMPARE(recorder.messages.size(), size_t(0));
        QCOMPARE(recorder.opened.size(), size_t(0));
    }

    void messageClickWithoutLinkTellsTheOwner()
    {
        QWidget owner;
        CTaskbarNotifier popup;
        Prepare(popup, &owner);
        popup.SetTextRect(5, 35, kSkinWidth - 5, kSkinHeight - 30);
        QCOMPARE(popup.TextRect(), QRect(5, 35, kSkinWidth - 10, kSkinHeight - 65));
        Recorder recorder;
        popup.Show("x");
        QTest::mouseClick(&popup, Qt::LeftButton, {}, QPoint(80, 50));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kHidden);
        QCOMPARE(recorder.messages.size(), size_t(2));
        QCOMPARE(recorder.messages[0].target, static_cast<QObject *>(&owner));
        QCOMPARE(recorder.messages[0].message, kMsgCommand);
        QCOMPARE(recorder.messages[0].wParam, intptr_t(1));
        QCOMPARE(recorder.messages[0].lParam, reinterpret_cast<intptr_t>(&popup));
        QCOMPARE(recorder.messages[1].target, static_cast<QObject *>(&owner));
        QCOMPARE(recorder.messages[1].message, 1034);
        QCOMPARE(recorder.messages[1].wParam, intptr_t(0));
        QCOMPARE(recorder.opened.size(), size_t(0));

        // Outside the message rectangle and the corner a click does nothing.
        popup.Show("y");
        recorder.messages.clear();
        QTest::mouseClick(&popup, Qt::LeftButton, {}, QPoint(80, 90));
        QCOMPARE(popup.AnimationState(), CTaskbarNotifier::kAppearing);
        QCOMPARE(recorder.messages.size(), size_t(0));
    }

    void messageClickOpensOnlyWebLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("opened");
        QTest::newRow("http") << "http://127.0.0.1:8089/news.aspx?id=3" << true;
        QTest::newRow("https upper case") << "HTTPS://example.org/a" << true;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("local path") << "/usr/bin/xterm" << false;
        QTest::newRow("windows path") << "C:\\Windows\\notepad.exe" << false;
        QTest::newRow("custom scheme") << "steam://run/1" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("no host") << "http:///x" << false;
    }
    void messageClickOpensOnlyWebLinks()
    {
        QFETCH(QString, link);
        QFETCH(bool, opened);
        QWidget owner;
        CTaskbarNotifier popup;
        Prepare(popup, &owner);
        popup.SetLink(link.toStdString());
        Recorder recorder;
        popup.Show("x");
        QTest::mouseClick(&popup, Qt::LeftButton, {}, QPoint(80, 50));
        QCOMPARE(recorder.opened, opened ? std::vector<QString>{link} : std::vector<QString>{});
        // The control notification goes out either way; "show yourself" only without a link.
        QCOMPARE(recorder.messages.size(), size_t(1));
        QCOMPARE(recorder.messages[0].message, kMsgCommand);
    }

    void hoverComesOnOverTheMessageAndGoesOnLeave()
    {
        QWidget owner;
        CTaskbarNotifier popup;
        Prepare(popup, &owner);
        popup.SetTextRect(QRect(QPoint(5, 35), QPoint(kSkinWidth - 6, kSkinHeight - 31)));
        popup.Show("x");
        QCOMPARE(popup.PointerArea(QPoint(kSkinWidth - 1, 0)), 1);
        QCOMPARE(popup.PointerArea(QPoint(kSkinWidth - 50, 19)), 1);
        QCOMPARE(popup.PointerArea(QPoint(kSkinWidth - 51, 19)), 0);
        QCOMPARE(popup.PointerArea(QPoint(5, 35)), 2);
        QCOMPARE(popup.PointerArea(QPoint(kSkinWidth - 5, 50)), 0);
        QTest::mouseMove(&popup, QPoint(10, 90));
        QCOMPARE(popup.IsHovering(), false);
        QTest::mouseMove(&popup, QPoint(80, 50));
        QCOMPARE(popup.IsHovering(), true);
        QCOMPARE(popup.cursor().shape(), Qt::PointingHandCursor);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&popup, &leave);
        QCOMPARE(popup.IsHovering(), false);
    }

    void magentaPixelsAreCutOutOfTheWindow()
    {
        QWidget owner;
        CTaskbarNotifier popup;
        Prepare(popup, &owner);
        QCOMPARE(popup.SkinSize(), QSize(kSkinWidth, kSkinHeight));
        const QRegion shape = popup.mask();
        QCOMPARE(shape.contains(QPoint(0, 0)), false);
        QCOMPARE(shape.contains(QPoint(9, 9)), false);
        QCOMPARE(shape.contains(QPoint(10, 9)), true);
        // The last column too, though 160 - 1 is not a multiple of four.
        QCOMPARE(shape.contains(QPoint(kSkinWidth - 1, 50)), false);
        QCOMPARE(shape.contains(QPoint(kSkinWidth - 1, 20)), true);
        QCOMPARE(shape.contains(QPoint(80, 50)), true);
    }

    void longMessagesEndWithAnEllipsis()
    {
        QFont font("DejaVu Sans");
        font.setPixelSize(12);
        font.setBold(true);
        const QFontMetrics metrics(font);
        const QSize box(150, 3 * NotifierLinePitch(font) + 2);
        const QString text =
            QString::fromUtf8("老师给你的作文写了评语：文章用词准确，描写细致，把妈妈每天早上为全家做早饭的情景写得非常生动，"
                              "如果结尾能再写写自己的感受就更好了。");
        const QStringList lines = FitNotifierText(text, font, box);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.back().endsWith(QChar(0x2026)), true);
        for (const QString &line : lines)
            QVERIFY2(metrics.horizontalAdvance(line) <= box.width(), qPrintable(line));
        // What fits is shown whole, without an ellipsis.
        const QStringList shortLines = FitNotifierText(QString::fromUtf8("新的消息"), font, box);
        QCOMPARE(shortLines, QStringList{QString::fromUtf8("新的消息")});
    }

    void missingSkinIsRefused()
    {
        CTaskbarNotifier popup;
        QVERIFY(popup.Create(nullptr));
        QCOMPARE(popup.SetSkin(m_dir.filePath("none.bmp").toStdString()), false);
    }
};

QTEST_MAIN(TaskbarNotifierTest)
#include "TaskbarNotifierTest.moc"
