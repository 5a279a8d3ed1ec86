// CCoolEdit: the multi-line text field with a one-pixel coloured frame round its text area and a
// limit on the number of characters it holds.
#pragma once
#include <QColor>
#include <QPlainTextEdit>
#include <string>

class CCoolEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CCoolEdit(QWidget *parent = nullptr);

    void SetFrameColor(const QColor &colour);
    void SetFrame(bool on);
    QColor FrameColor() const { return m_frameColour; }
    bool HasFrame() const { return m_frame; }

    // The most characters typing, pasting and the input method may bring the field to; a
    // Chinese character counts one, a line break one. 0 means no limit.
    void SetLimitText(int maxChars);
    int LimitText() const { return m_limit; }
    // Characters in the field, counted as the limit counts them.
    int CharCount() const;

    // The text as GBK with the line breaks as CR LF, as the service takes it.
    std::string WindowText() const;
    // Any of CR LF, CR and LF breaks a line. The limit applies to what the user adds, not here.
    void SetWindowText(const std::string &gbk);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many more characters fit, with the selection (which an insertion replaces) counted free.
    int Room() const;

    QColor m_frameColour = QColor(0x0E, 0x80, 0x3B);
    bool m_frame = true;
    int m_limit = 0;
};

// Characters of the text as the field counts them: one per code point.
int CountFieldChars(const QString &text);
// The first maxChars characters of the text (never half of a surrogate pair).
QString FirstFieldChars(const QString &text, int maxChars);
