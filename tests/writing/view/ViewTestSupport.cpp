// The editor harness: screen stand-in, message recording, key scripts.
#include "ViewTestSupport.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QtTest>

#include "QtText.h"
#include "WindowMessage.h"

EditorHarness::EditorHarness(int rowWidth, int height)
{
    m_host = new CDlgTWriter(&m_screen);
    SetWindowMessageObserver([this](const WindowMessageTrace &trace) {
        if (trace.target == &m_screen)
            m_messages.push_back({trace.message, trace.wParam, trace.lParam, trace.posted});
    });
    m_screen.resize(1000, height);
    m_host->resize(1000, height);
    m_screen.show();
    if (!QTest::qWaitForWindowExposed(&m_screen))
        qWarning("the editor's screen was not exposed");
    SetRowWidth(rowWidth);
    View()->setFocus();
    QCoreApplication::processEvents();
    m_messages.clear();
}

EditorHarness::~EditorHarness()
{
    SetWindowMessageObserver(nullptr);
}

void EditorHarness::SetRowWidth(int rowWidth)
{
    const int chrome = m_host->width() - View()->viewport()->width();
    const int width = ViewGrid::kMargin + (rowWidth + 1) * View()->Grid().columnWidth + chrome;
    m_screen.resize(width, m_screen.height());
    m_host->resize(width, m_host->height());
    QCoreApplication::processEvents();
}

void EditorHarness::SetText(const QString &text)
{
    QString marked = text;
    marked.replace(QChar(u'\n'), QChar(u'\r'));
    View()->SetText(QStringToGbk(marked));
    Repaint();
}

namespace {

Qt::Key KeyNamed(const QString &name)
{
    static const std::pair<const char *, Qt::Key> kKeys[] = {
        {"Enter", Qt::Key_Return}, {"Backspace", Qt::Key_Backspace}, {"Delete", Qt::Key_Delete},
        {"Tab", Qt::Key_Tab},      {"Left", Qt::Key_Left},           {"Right", Qt::Key_Right},
        {"Up", Qt::Key_Up},        {"Down", Qt::Key_Down},           {"Home", Qt::Key_Home},
        {"End", Qt::Key_End},      {"PageUp", Qt::Key_PageUp},       {"PageDown", Qt::Key_PageDown},
    };
    for (const auto &[keyName, key] : kKeys) {
        if (name == QLatin1String(keyName))
            return key;
    }
    if (name.size() == 1 && name[0].isLetter())
        return static_cast<Qt::Key>(Qt::Key_A + (name[0].toLower().unicode() - u'a'));
    qFatal("unknown key in script: %s", qPrintable(name));
}

void TypeChunk(QWidget *view, const QString &chunk)
{
    bool ascii = true;
    for (const QChar c : chunk)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(view, chunk);
    else
        CommitText(view, chunk);
}

} // namespace

void EditorHarness::Run(const QString &script)
{
    QString chunk;
    for (qsizetype i = 0; i < script.size(); ++i) {
        if (script[i] != QChar(u'{')) {
            chunk += script[i];
            continue;
        }
        if (!chunk.isEmpty())
            TypeChunk(View(), chunk);
        chunk.clear();
        const qsizetype close = script.indexOf(QChar(u'}'), i);
        QString name = script.mid(i + 1, close - i - 1);
        i = close;
        Qt::KeyboardModifiers modifiers;
        while (name.size() > 2 && name[1] == QChar(u'-')) {
            modifiers |= name[0] == QChar(u'S') ? Qt::ShiftModifier : Qt::ControlModifier;
            name = name.mid(2);
        }
        QTest::keyClick(View(), KeyNamed(name), modifiers);
    }
    if (!chunk.isEmpty())
        TypeChunk(View(), chunk);
    QCoreApplication::processEvents();
}

QString EditorHarness::Rows() const
{
    QStringList rows;
    for (const std::string &row : View()->Document().Rows())
        rows << GbkToQString(row).replace(QChar(u'\r'), QString::fromUtf8("¶"));
    return rows.join(QChar(u'|'));
}

std::vector<ReceivedMessage> EditorHarness::TakeMessages(int message)
{
    QCoreApplication::processEvents();
    std::vector<ReceivedMessage> taken;
    for (const ReceivedMessage &m : m_messages) {
        if (message == 0 || m.message == message)
            taken.push_back(m);
    }
    m_messages.clear();
    return taken;
}

QPoint EditorHarness::CellCentre(std::int32_t row, std::int32_t column) const
{
    const ViewGrid &grid = View()->Grid();
    return grid.CellTopLeft(row, column, 0, View()->ScrollOffset()) + QPoint(grid.columnWidth / 2, grid.fontHeight / 2);
}

void EditorHarness::Repaint()
{
    View()->viewport()->repaint();
}

void CommitText(QWidget *view, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(view, &event);
}

void Compose(QWidget *view, const QString &preedit)
{
    QInputMethodEvent event(preedit, {});
    QCoreApplication::sendEvent(view, &event);
}

QString ChineseText(int n, int perParagraph)
{
    static const QString kCharacters = QString::fromUtf8("学而时习之不亦说乎有朋自远方来");
    QString text;
    for (int i = 0; i < n; ++i) {
        if (perParagraph > 0 && i > 0 && i % perParagraph == 0)
            text += QChar(u'\n');
        text += kCharacters[i % kCharacters.size()];
    }
    return text;
}
