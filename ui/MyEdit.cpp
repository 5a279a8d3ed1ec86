// Hinted field with password masking, and the framed field.
#include "MyEdit.h"

#include "Fonts.h"
#include "QtText.h"

#include <QPainter>

CMyEdit::CMyEdit(QWidget *parent) : QLineEdit(parent)
{
    setFont(MakeFont(QString::fromUtf8("宋体"), 12)); // 9 point
    setFrame(false);
    // The program's password character is "*".
    setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
}

void CMyEdit::SetHint(const std::string &gbk)
{
    m_hint = gbk;
    if (!hasFocus() && text().isEmpty()) {
        setText(GbkToQString(m_hint));
        ApplyMask(false);
    }
}

void CMyEdit::SetColors(const QColor &text, const QColor &background)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Base, background);
    setPalette(pal);
}

void CMyEdit::SetPassword(bool password)
{
    m_password = password;
    ApplyMask(password && !IsShowingHint() && !text().isEmpty());
}

std::string CMyEdit::WindowText() const
{
    return QStringToGbk(text());
}

void CMyEdit::SetWindowText(const std::string &gbk)
{
    setText(GbkToQString(gbk));
    if (m_password)
        ApplyMask(!IsShowingHint());
}

bool CMyEdit::IsShowingHint() const
{
    return !m_hint.empty() && text() == GbkToQString(m_hint);
}

void CMyEdit::ApplyMask(bool masked)
{
    setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void CMyEdit::focusInEvent(QFocusEvent *event)
{
    if (m_password)
        ApplyMask(true);
    if (IsShowingHint())
        clear();
    QLineEdit::focusInEvent(event);
    end(false); // caret at the end, scrolled into view
}

void CMyEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (text().isEmpty() && !m_hint.empty()) {
        setText(GbkToQString(m_hint));
        if (m_password)
            ApplyMask(false); // the hint reads in clear
    }
}

CCoolEdit::CCoolEdit(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
    setTextMargins(2, 1, 2, 1);
}

void CCoolEdit::SetFrameColor(const QColor &colour)
{
    m_frameColour = colour;
    update();
}

void CCoolEdit::SetFrame(bool on)
{
    m_frame = on;
    update();
}

void CCoolEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    if (!m_frame)
        return;
    // The widget is the client area grown by one pixel; its edge carries the frame.
    QPainter p(this);
    p.setPen(m_frameColour);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
