// A writing screen stand-in with the editor host inside, the messages it receives, and a small
// script of keys and typed text to drive the editor as a student would.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "DlgTWriter.h"

struct ReceivedMessage
{
    int message;
    intptr_t wParam;
    intptr_t lParam;
    bool posted;
};

class EditorHarness
{
public:
    // A screen with the host filling it; the view's row width is set to rowWidth bytes.
    explicit EditorHarness(int rowWidth = 40, int height = 300);
    ~EditorHarness();

    // Resizes the screen and the host so that a row holds rowWidth bytes, as a window that is
    // maximised or restored does.
    void SetRowWidth(int rowWidth);
    CWriteView *View() const { return m_host->View(); }
    CDlgTWriter *Host() const { return m_host; }
    QWidget *Screen() { return &m_screen; }

    // UTF-8 text with "\n" for paragraph marks.
    void SetText(const QString &text);
    // Runs a script: literal text is typed (ASCII through key presses, other text committed by
    // the input method); {Key} presses a key: Enter, Backspace, Delete, Tab, Left, Right, Up,
    // Down, Home, End, PageUp, PageDown, with prefixes S- (Shift) and C- (Ctrl), e.g. {S-Left},
    // {C-a}.
    void Run(const QString &script);
    // The rows as UTF-8, a paragraph mark shown as "¶", rows joined by "|".
    QString Rows() const;
    // Messages the screen received since the last call, optionally only of one number.
    std::vector<ReceivedMessage> TakeMessages(int message = 0);
    // Client point at the middle of the cell (row, column).
    QPoint CellCentre(std::int32_t row, std::int32_t column) const;
    void Repaint();

private:
    QWidget m_screen;
    CDlgTWriter *m_host;
    std::vector<ReceivedMessage> m_messages;
};

// A commit from the input method, and a composition.
void CommitText(QWidget *view, const QString &text);
void Compose(QWidget *view, const QString &preedit);
// A text of n Chinese characters, with a paragraph mark every perParagraph characters.
QString ChineseText(int n, int perParagraph = 0);
