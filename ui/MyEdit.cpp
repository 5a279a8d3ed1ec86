// Hinted field with password masking.
#include "MyEdit.h"

#include "Fonts.h"
#include "QtText.h"

#include <QValidator>

namespace {

// Every change to the field passes here: the characters GBK cannot hold are taken out and the
// cursor keeps its place among the rest.
class GbkOnlyValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override
    {
        const QString kept = KeepGbkCharacters(input);
        if (kept != input) {
            pos = static_cast<int>(KeepGbkCharacters(input.left(pos)).size());
            input = kept;
        }
        return Acceptable;
    }
};

} // namespace

void KeepFieldInGbk(QLineEdit *field)
{
    field->setValidator(new GbkOnlyValidator(field));
}

CMyEdit::CMyEdit(QWidget *parent) : QLineEdit(parent)
{
    setFont(MakeFont(QString::fromUtf8("宋体"), 12)); // 9 point
    setFrame(false);
    // The program's password character is "*".
    setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
    KeepFieldInGbk(this);
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
