// The window frame on a real X display: maximise, restore and toggle from the title-bar buttons, and
// the maximised flag kept right when the window manager minimises, maximises or restores the window.
#include "Dialog.h"
#include "DisplayTest.h"
#include "GdipButton.h"
#include "Screen.h"
#include "WindowFrame.h"

#include <QtTest>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <xcb/xcb.h>

namespace {

// What a window manager does to a client window, done from a separate X connection. With a window
// manager running (openbox), it is asked the way a task bar asks it; on a bare X server (xvfb-run)
// the connection sets the window properties a window manager would set, which is all a client ever
// sees of it.
class WindowManagerActions
{
public:
    WindowManagerActions() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_wmState = Atom("WM_STATE");
        m_changeState = Atom("WM_CHANGE_STATE");
        m_netWmState = Atom("_NET_WM_STATE");
        m_maximisedVert = Atom("_NET_WM_STATE_MAXIMIZED_VERT");
        m_maximisedHorz = Atom("_NET_WM_STATE_MAXIMIZED_HORZ");
        m_activeWindow = Atom("_NET_ACTIVE_WINDOW");
        m_managerRunning = HasProperty(m_root, Atom("_NET_SUPPORTING_WM_CHECK"));
    }
    ~WindowManagerActions() { xcb_disconnect(m_connection); }

    bool Connected() const { return m_root != 0; }
    bool ManagerRunning() const { return m_managerRunning; }

    void Minimise(xcb_window_t window)
    {
        constexpr uint32_t kIconic = 3;
        if (m_managerRunning)
            SendToRoot(window, m_changeState, {kIconic});
        else
            SetWmState(window, kIconic);
    }

    void Unminimise(xcb_window_t window)
    {
        constexpr uint32_t kNormal = 1, kFromPager = 2;
        if (m_managerRunning)
            SendToRoot(window, m_activeWindow, {kFromPager, XCB_CURRENT_TIME, 0});
        else
            SetWmState(window, kNormal);
    }

    void Maximise(xcb_window_t window, const QRect &area)
    {
        constexpr uint32_t kAdd = 1, kFromPager = 2;
        if (m_managerRunning) {
            SendToRoot(window, m_netWmState, {kAdd, m_maximisedVert, m_maximisedHorz, kFromPager});
            return;
        }
        const uint32_t place[] = {uint32_t(area.x()), uint32_t(area.y()), uint32_t(area.width()), uint32_t(area.height())};
        xcb_configure_window(m_connection, window,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                             place);
        SetNetWmState(window, {m_maximisedVert, m_maximisedHorz});
    }

    void Restore(xcb_window_t window)
    {
        constexpr uint32_t kRemove = 0, kFromPager = 2;
        if (m_managerRunning)
            SendToRoot(window, m_netWmState, {kRemove, m_maximisedVert, m_maximisedHorz, kFromPager});
        else
            SetNetWmState(window, {});
    }

private:
    xcb_atom_t Atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }

    bool HasProperty(xcb_window_t window, xcb_atom_t property)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const bool has = reply && xcb_get_property_value_length(reply) > 0;
        free(reply);
        return has;
    }

    void SendToRoot(xcb_window_t window, xcb_atom_t type, std::vector<uint32_t> data)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = type;
        for (size_t i = 0; i < data.size() && i < 5; ++i)
            message.data.data32[i] = data[i];
        xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&message));
        xcb_flush(m_connection);
    }

    void SetWmState(xcb_window_t window, uint32_t state)
    {
        const uint32_t value[] = {state, XCB_WINDOW_NONE};
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_wmState, m_wmState, 32, 2, value);
        xcb_flush(m_connection);
    }

    void SetNetWmState(xcb_window_t window, const std::vector<xcb_atom_t> &states)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_netWmState, XCB_ATOM_ATOM, 32, uint32_t(states.size()),
                            states.data());
        xcb_flush(m_connection);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
    xcb_atom_t m_wmState = 0, m_changeState = 0, m_netWmState = 0, m_maximisedVert = 0, m_maximisedHorz = 0, m_activeWindow = 0;
    bool m_managerRunning = false;
};

// A frameless window with the skinned title bar, set up the way the program's windows set theirs up.
class FramedWindow : public CDialog
{
public:
    static constexpr QSize kNormalSize{640, 480};

    FramedWindow() : CDialog(nullptr, DialogKind::FramelessWindow)
    {
        bar = MakeTitleBarButtons(this, kMainWindowFaces);
        bar.maximise->setGeometry(500, 0, 40, 28);
        bar.restore->setGeometry(500, 0, 40, 28);
        frame.SetButtons(bar.maximise, bar.restore);
        setGeometry(frame.NormalRect());
    }

    WindowFrame frame{this, kNormalSize, WindowFrame::MaximisedArea::WorkArea};
    TitleBarButtons bar;
};

enum class Step
{
    DragAway, // the student drags the restored window elsewhere
    MaximiseButton,
    RestoreButton,
    Toggle, // what a double click on the caption does
    WmMinimise,
    WmUnminimise,
    WmMaximise,
    WmRestore,
    ShowAgain, // the program calls the window back (a popup message clicked)
};

} // namespace

Q_DECLARE_METATYPE(std::vector<Step>)

class WindowFrameTest : public QObject
{
    Q_OBJECT

private:
    WindowManagerActions m_wm;

    // Takes one step and waits until the window has taken it.
    void Take(Step step, FramedWindow &window)
    {
        const xcb_window_t id = xcb_window_t(window.winId());
        switch (step) {
        case Step::DragAway:
            window.move(window.pos() + QPoint(37, 23));
            break;
        case Step::MaximiseButton:
            QTest::mouseClick(window.bar.maximise, Qt::LeftButton);
            break;
        case Step::RestoreButton:
            QTest::mouseClick(window.bar.restore, Qt::LeftButton);
            break;
        case Step::Toggle:
            window.frame.Toggle();
            break;
        case Step::WmMinimise:
            m_wm.Minimise(id);
            QTRY_VERIFY(window.isMinimized());
            break;
        case Step::WmUnminimise:
            m_wm.Unminimise(id);
            QTRY_VERIFY(!window.isMinimized());
            break;
        case Step::WmMaximise:
            m_wm.Maximise(id, WorkArea());
            QTRY_VERIFY(window.windowState() & Qt::WindowMaximized);
            break;
        case Step::WmRestore:
            m_wm.Restore(id);
            QTRY_VERIFY(!(window.windowState() & Qt::WindowMaximized));
            break;
        case Step::ShowAgain:
            window.frame.ShowAgain();
            QTRY_VERIFY(!window.isMinimized());
            break;
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_wm.Connected(), "a second connection to the X display");
        qInfo("window manager running: %s", m_wm.ManagerRunning() ? "yes" : "no");
    }

    void stateAfterSteps_data()
    {
        QTest::addColumn<std::vector<Step>>("steps");
        QTest::addColumn<bool>("maximised");
        using S = Step;
        QTest::newRow("maximise fills the work area") << std::vector{S::MaximiseButton} << true;
        QTest::newRow("restore comes back to the normal rectangle, not where it was dragged")
            << std::vector{S::DragAway, S::MaximiseButton, S::RestoreButton} << false;
        QTest::newRow("toggling twice from normal") << std::vector{S::Toggle, S::Toggle} << false;
        QTest::newRow("toggling twice from maximised") << std::vector{S::MaximiseButton, S::Toggle, S::Toggle} << true;
        QTest::newRow("minimised and back, maximised") << std::vector{S::MaximiseButton, S::WmMinimise, S::WmUnminimise} << true;
        QTest::newRow("minimised and back, normal") << std::vector{S::WmMinimise, S::WmUnminimise} << false;
        QTest::newRow("minimised and called back by the program, maximised")
            << std::vector{S::MaximiseButton, S::WmMinimise, S::ShowAgain} << true;
        QTest::newRow("maximised by the window manager") << std::vector{S::WmMaximise} << true;
        QTest::newRow("maximised and restored by the window manager") << std::vector{S::WmMaximise, S::WmRestore} << false;
        QTest::newRow("maximised by the window manager, restored by its button")
            << std::vector{S::WmMaximise, S::RestoreButton} << false;
        QTest::newRow("maximised by its button, minimised and restored by the window manager")
            << std::vector{S::MaximiseButton, S::WmMinimise, S::WmUnminimise, S::RestoreButton} << false;
    }

    // Whatever maximised or restored the window, the flag, the size, the dragging and the button
    // shown agree.
    void stateAfterSteps()
    {
        QFETCH(std::vector<Step>, steps);
        QFETCH(bool, maximised);
        FramedWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.geometry(), window.frame.NormalRect());
        for (Step step : steps) {
            Take(step, window);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(window.frame.IsMaximised(), maximised);
        QTRY_COMPARE(window.geometry(), maximised ? WorkArea() : window.frame.NormalRect());
        QCOMPARE(window.isMinimized(), false);
        QCOMPARE(window.IsDraggable(), !maximised);
        QCOMPARE(window.bar.maximise->isVisible(), !maximised);
        QCOMPARE(window.bar.restore->isVisible(), maximised);
        QCOMPARE(window.bar.restore->isEnabled(), maximised);
        // Restored by the program, the window manager no longer holds the window maximised.
        if (!maximised)
            QCOMPARE(bool(window.windowState() & Qt::WindowMaximized), false);
    }

    // The normal rectangle is the normal size centred across the screen and down the work area.
    void normalRectIsCentred()
    {
        const QRect normal = WindowFrame::CentredRect(FramedWindow::kNormalSize);
        QCOMPARE(normal.size(), FramedWindow::kNormalSize);
        QCOMPARE(normal.left(), ScreenSize().width() / 2 - 320);
        QCOMPARE(normal.top(), WorkArea().height() / 2 - 240);
    }
};

PENLARK_DISPLAY_TEST_MAIN(WindowFrameTest)
#include "WindowFrameTest.moc"
