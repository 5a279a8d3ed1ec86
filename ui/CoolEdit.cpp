// The framed multi-line field and its character limit.
#include "CoolEdit.h"

#include "Fonts.h"
#include "QtText.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <climits>

namespace {

// Line breaks as the field holds them: one '\n' each.
QString UnifyLineBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

int CountFieldChars(const QString &text)
{
    int count = 0;
    for (QChar c : text) {
        if (!c.isLowSurrogate())
            ++count;
    }
    return count;
}

QString FirstFieldChars(const QString &text, int maxChars)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isLowSurrogate())
            continue;
        if (count == maxChars)
            return text.left(i);
        ++count;
    }
    return text;
}

CCoolEdit::CCoolEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    setFont(MakeFont(QString::fromUtf8("宋体"), 12));
    setFrameShape(QFrame::NoFrame);
    // The frame lies outside the text area, as a frame drawn round the client area does.
    setViewportMargins(1, 1, 1, 1);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
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

void CCoolEdit::SetLimitText(int maxChars)
{
    m_limit = maxChars > 0 ? maxChars : 0;
}

int CCoolEdit::CharCount() const
{
    return CountFieldChars(toPlainText());
}

std::string CCoolEdit::WindowText() const
{
    QString text = UnifyLineBreaks(toPlainText());
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return QStringToGbk(text);
}

void CCoolEdit::SetWindowText(const std::string &gbk)
{
    setPlainText(UnifyLineBreaks(GbkToQString(gbk)));
}

int CCoolEdit::Room() const
{
    if (m_limit == 0)
        return INT_MAX;
    const int selected = CountFieldChars(textCursor().selectedText());
    return std::max(0, m_limit - (CharCount() - selected));
}

bool CCoolEdit::event(QEvent *event)
{
    const bool handled = QPlainTextEdit::event(event);
    if (event->type() == QEvent::Paint && m_frame) {
        QPainter p(this);
        p.setPen(m_frameColour);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    return handled;
}

void CCoolEdit::keyPressEvent(QKeyEvent *event)
{
    QString typed = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        typed = QStringLiteral("\n");
    if (!typed.isEmpty() && KeepGbkCharacters(typed).isEmpty()) {
        // A character the service's text cannot hold (an emoji) is not typed at all.
        event->accept();
        return;
    }
    const bool inserts = !typed.isEmpty() && (typed == QLatin1String("\n") || typed.at(0).isPrint()) &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (inserts && CountFieldChars(typed) > Room()) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CCoolEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = KeepGbkCharacters(event->commitString());
    const int room = Room();
    if (commit == event->commitString() && CountFieldChars(commit) <= room) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent fitted(event->preeditString(), event->attributes());
    fitted.setCommitString(FirstFieldChars(commit, room), event->replacementStart(), event->replacementLength());
    if (CountFieldChars(commit) > room)
        QApplication::beep();
    QPlainTextEdit::inputMethodEvent(&fitted);
}

bool CCoolEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText();
}

void CCoolEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    // Pasted or dropped text comes in as plain text GBK can hold, as much of it as fits.
    const QString text = KeepGbkCharacters(UnifyLineBreaks(source->text()));
    const QString fitted = FirstFieldChars(text, Room());
    if (fitted.size() < text.size())
        QApplication::beep();
    if (!fitted.isEmpty())
        insertPlainText(fitted);
}
