// The one-button notice box COkDialog, the parts it shares with the question box CMsgDlg (the
// message layout, the label, the picture button, the placing), the process-wide flag telling
// that a notice is on screen, and the responder that answers boxes in tests without a window.
#pragma once

#include "Dialog.h"

#include <QFont>
#include <QImage>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

// ---- Message layout -------------------------------------------------------------------------

constexpr int kBoxLineHeight = 20;

// One character of a laid-out message: its bytes in the message and its place in the label.
struct BoxMessageGlyph
{
    std::size_t offset;
    std::size_t length; // 1, or 2 for a double-byte character
    int x;
    int top; // top of the character's line
};

// Lays out a GBK message in a label labelWidth pixels wide, for a font fontHeight pixels high
// with average character width averageWidth (a):
// the first line's top is fontHeight / 2; a tab advances the pen 8a; CR, CR LF and LF start a
// new line; two bytes that both have the high bit set are one character 2a wide, any other byte
// one a wide; once the pen has passed labelWidth - 2a, the next character starts a new line,
// kBoxLineHeight lower. Lines break between any two characters except where Chinese text may
// not: a closing mark, pause or stop ("》", "，", "、", "。") never starts a line and an opening
// mark ("《", "“") never ends one; the line's last characters then move down to the new line.
// Every character is listed, even below the label's bottom (the label clips them).
std::vector<BoxMessageGlyph> LayoutBoxMessage(const std::string &gbkMessage, int fontHeight, int averageWidth, int labelWidth);

// ---- The parts of a box ---------------------------------------------------------------------

// The message label: black characters at the places LayoutBoxMessage gives, on a transparent
// background; presses fall through to the box so it drags from the label too.
class BoxMessageLabel : public QWidget
{
public:
    BoxMessageLabel(const std::string &gbkMessage, const QFont &font, QWidget *parent);
    const std::string &Message() const { return m_message; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::string m_message;
    QFont m_font;
};

// A box button: its face picture scaled to the button in every state, the caption in white on
// one line, centred.
class BoxButton : public QPushButton
{
public:
    BoxButton(const std::string &gbkCaption, const QImage &face, const QFont &font, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_face;
};

// What both boxes share: size 312 x 170, the place on screen, the background picture, the font.
namespace messagebox {
constexpr int kWidth = 312;
constexpr int kHeight = 170;
// left = screen width / 2 - 156, top = work-area height / 2 - 85.
QPoint BoxPosition();
QFont BoxFont();
QImage LoadBoxPicture(const char *relativeName); // a null image when missing
} // namespace messagebox

// ---- Test responder -------------------------------------------------------------------------

// One box that the program asked for while a responder was installed.
struct MessageBoxCall
{
    enum class Kind
    {
        Notice,         // COkDialog, modal
        ModelessNotice, // COkDialog, modeless
        Question,       // CMsgDlg
    };
    Kind kind;
    std::string message;               // GBK, exactly as given
    std::vector<std::string> captions; // GBK: the one button, or the three
    bool noticeOpen;                   // the message-box-open flag while the box was "shown"
};

// Installed, it stands in for every box of the program: each box is recorded and answered at
// once (a question with answer(call), 1 when no answer function is set) with no window and no
// modal loop. A notice still sets the open flag while it is "shown" and clears it after.
struct MessageBoxResponder
{
    std::vector<MessageBoxCall> calls;
    std::function<int(const MessageBoxCall &)> answer;
};

// Installs a responder for its lifetime (the previous one comes back after).
class ScopedMessageBoxResponder
{
public:
    explicit ScopedMessageBoxResponder(MessageBoxResponder &responder);
    ~ScopedMessageBoxResponder();
    ScopedMessageBoxResponder(const ScopedMessageBoxResponder &) = delete;
    ScopedMessageBoxResponder &operator=(const ScopedMessageBoxResponder &) = delete;

private:
    MessageBoxResponder *m_previous;
};

// The installed responder, or nullptr.
MessageBoxResponder *InstalledMessageBoxResponder();
void InstallMessageBoxResponder(MessageBoxResponder *responder);

// ---- COkDialog ------------------------------------------------------------------------------

class COkDialog : public CDialog
{
    Q_OBJECT

public:
    // caption: the button's caption (every caller passes "确 定"); message: GBK text, shown as written.
    COkDialog(const std::string &caption, const std::string &message, QWidget *parent = nullptr);
    ~COkDialog() override;

    // Shows the box modally; returns kIdOk when its button has been pressed.
    static int Show(const std::string &caption, const std::string &message, QWidget *owner = nullptr);
    // Shows the box without waiting, owned by parent; its button closes and discards it. Returns
    // the box (which deletes itself), or nullptr when a responder answered it.
    static COkDialog *ShowModeless(const std::string &caption, const std::string &message, QWidget *parent);
    // The program's notice: the message with the button "确 定", modal.
    static void ShowMessage(const std::string &message);

    // The message-box-open flag: true while any modal COkDialog is set up and not yet destroyed.
    static bool IsOpen();

    QPushButton *Button() const { return m_button; }
    BoxMessageLabel *Label() const { return m_label; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void closeEvent(QCloseEvent *event) override; // only the button closes the box

private:
    void OnButton();
    void ReleaseFlag();

    std::string m_caption;
    std::string m_message;
    QImage m_background;
    QPushButton *m_button = nullptr;
    BoxMessageLabel *m_label = nullptr;
    bool m_modeless = false;
    bool m_holdsFlag = false;
};
