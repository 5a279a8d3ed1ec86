// Numbered window messages between the program's windows: Qt events whose type is the message
// number, carrying two parameters, posted (queued) or sent (handled at once, with a result).
#pragma once

#include <QEvent>
#include <cstdint>
#include <functional>

class QObject;

// The first private message number; the program's messages count from here.
constexpr int kMsgUser = 1024;

constexpr int kMsgLoginIdle = kMsgUser + 1;          // main window -> sign-in window: idle look
constexpr int kMsgWebPanelShow = kMsgUser + 1;       // owner -> web-page panel: show (w = 1) or hide
constexpr int kMsgNavSelected = kMsgUser + 3;        // group button -> main window: became the selection
constexpr int kMsgShowMainWindow = kMsgUser + 5;     // screen -> main window: show (w = 1) or hide
constexpr int kMsgImageButtonPressed = kMsgUser + 7; // image button -> parent: pressed
constexpr int kMsgMainWindowAgain = kMsgUser + 10;   // screen or popup -> main window: show again
constexpr int kMsgScreenClosed = kMsgUser + 13;      // screen -> parent: closed with Back; w = its rect
constexpr int kMsgLibraryReload = kMsgUser + 14;     // writing screen -> library page: LibraryReload
constexpr int kMsgYButtonPressed = kMsgUser + 66;    // CYButton -> parent: pressed
constexpr int kMsgYButtonReset = kMsgUser + 88;      // owner -> CYButton: back to the normal face
constexpr int kMsgKeywordPick = 2125;                // WM_KEYWORDPICK: w = keyword id, l = 1
constexpr int kMsgWriteSecondRound = 2129;           // ShowWritingScreen: second round
constexpr int kMsgWritePreliminary = 2130;           // ShowWritingScreen: preliminary round
constexpr int kMsgWriteFree = 2131;                  // ShowWritingScreen: free writing
constexpr int kMsgWordCount = 2132;                  // WM_WORDCOUNT: w = character count

// The platform's own control notification (its number 0x0111), carried above the program's
// numbers because Qt keeps the low event numbers for itself: w = (code << 16) | control id,
// l = the sending window.
constexpr int kMsgCommand = 40000 + 0x0111;

// The event that carries one message. A handler of a sent message stores its answer with
// SetResult; a posted message's result is lost, as on the original platform.
class WindowMessageEvent : public QEvent
{
public:
    WindowMessageEvent(int message, intptr_t wParam, intptr_t lParam);

    int Message() const { return static_cast<int>(type()); }
    intptr_t WParam() const { return m_wParam; }
    intptr_t LParam() const { return m_lParam; }
    intptr_t Result() const { return m_result; }
    void SetResult(intptr_t result) { m_result = result; }

private:
    intptr_t m_wParam;
    intptr_t m_lParam;
    intptr_t m_result = 0;
};

// True when the event is one of our numbered messages (any number above kMsgUser).
bool IsWindowMessage(const QEvent *event);

// Queues the message for the target's thread; returns false when there is no target.
bool PostWindowMessage(QObject *target, int message, intptr_t wParam = 0, intptr_t lParam = 0);
// Delivers the message at once on the caller's thread and returns the handler's result (0 when
// there is no target or nobody answered).
intptr_t SendWindowMessage(QObject *target, int message, intptr_t wParam = 0, intptr_t lParam = 0);

// Tests watch the traffic between windows through this observer: it sees every message as it
// is posted or sent (before delivery). An empty function removes it.
struct WindowMessageTrace
{
    QObject *target;
    int message;
    intptr_t wParam;
    intptr_t lParam;
    bool posted;
};
void SetWindowMessageObserver(std::function<void(const WindowMessageTrace &)> observer);

// Reserves the numbers above in Qt's registry of user event types, so no library hands them
// out to anyone else. Called by the first message; harmless to call again.
void RegisterWindowMessages();
