// Web-page panel: navigation, show and hide by message, the browser stretched past the edge.
#include "WelcomeDlg.h"

#include "OpenUrl.h"
#include "WindowMessage.h"
#include "xImage.h"

#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>

namespace {

bool IsWebScheme(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// Hands an address to the system's browser, only when it is a web address.
void OpenOutside(const QUrl &url)
{
    if (url.isValid() && IsWebScheme(url))
        OpenUrl(url.toString(QUrl::FullyEncoded));
}

// A page opened for a new window (a link with a target): its first navigation goes to the
// system's browser and the page goes away.
class OutsideWindowPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        OpenOutside(url);
        deleteLater();
        return false;
    }
};

} // namespace

bool LinkStaysInScope(const QUrl &scope, const QUrl &link)
{
    if (scope.isEmpty())
        return true;
    if (link.scheme() != scope.scheme() || link.host().compare(scope.host(), Qt::CaseInsensitive) != 0 ||
        link.port(-1) != scope.port(-1))
        return false;
    // Dot segments are resolved first, so "/activity/../user" is not within "/activity/".
    const QString path = QUrl(link).adjusted(QUrl::NormalizePathSegments).path();
    const QString scopePath = scope.path();
    const QString folder = scopePath.left(scopePath.lastIndexOf(QLatin1Char('/')) + 1);
    return path.startsWith(folder.isEmpty() ? QStringLiteral("/") : folder);
}

// The browser's page: links followed inside it keep to a scope when one is set.
class ScopedWebPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QUrl scope;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        // Only a followed link is judged: the program's own loads, reloads and redirects go on.
        if (scope.isEmpty() || !isMainFrame || type != NavigationTypeLinkClicked || LinkStaysInScope(scope, url))
            return true;
        OpenOutside(url);
        return false;
    }

    QWebEnginePage *createWindow(WebWindowType) override
    {
        if (scope.isEmpty())
            return nullptr; // such links do nothing
        return new OutsideWindowPage(profile(), this);
    }
};

CExplorer1::CExplorer1(QWidget *parent) : QWidget(parent), m_view(new QWebEngineView(this))
{
    m_page = new ScopedWebPage(m_view);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (QMenu *menu = CreateContextMenu(this)) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(m_view->mapToGlobal(at));
        }
    });
}

void CExplorer1::KeepLinksWithin(const QUrl &scope)
{
    m_page->scope = scope;
}

QUrl CExplorer1::LinkScope() const
{
    return m_page->scope;
}

QMenu *CExplorer1::CreateContextMenu(QWidget *parent)
{
    if (!m_view->hasSelection())
        return nullptr;
    auto *menu = new QMenu(parent);
    menu->addAction(QString::fromUtf8("复制"), m_view, [this] { m_page->triggerAction(QWebEnginePage::Copy); });
    return menu;
}

void CExplorer1::Navigate(const QUrl &url)
{
    m_url = url;
    m_view->load(url);
}

QUrl CExplorer1::CurrentUrl() const
{
    return m_view->url();
}

QString CExplorer1::Title() const
{
    return m_view->title();
}

int CExplorer1::ScrollTop() const
{
    return qRound(m_view->page()->scrollPosition().y());
}

int CExplorer1::ScrollMaximum() const
{
    return std::max(0, qRound(m_view->page()->contentsSize().height()) - m_view->height());
}

void CExplorer1::ScrollTo(int top)
{
    // The page owns its scrolling; the view offers no setter, so the page is asked to move.
    QWebEnginePage *page = m_view->page();
    const int left = qRound(page->scrollPosition().x());
    page->runJavaScript(QStringLiteral("window.scrollTo(%1, %2)").arg(left).arg(top));
}

void CExplorer1::resizeEvent(QResizeEvent *)
{
    m_view->setGeometry(rect());
}

int ScrollPosition(int current, ScrollRequest request, int minimum, int maximum)
{
    int position = current;
    switch (request) {
    case ScrollRequest::LineUp:
        position -= 30;
        break;
    case ScrollRequest::LineDown:
        position += 30;
        break;
    case ScrollRequest::PageUp:
        position -= 100;
        break;
    case ScrollRequest::PageDown:
        position += 100;
        break;
    case ScrollRequest::Top:
        position = minimum;
        break;
    case ScrollRequest::Bottom:
        position = maximum;
        break;
    case ScrollRequest::Other:
        break;
    }
    return std::clamp(position, minimum, std::max(minimum, maximum));
}

CHtmlDlg::CHtmlDlg(QWidget *parent) : CDialog(parent, DialogKind::Child), m_browser(new CExplorer1(this))
{
    SetDraggable(false);
}

void CHtmlDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    // One pixel past every edge hides the browser's own border.
    m_browser->setGeometry(-1, -1, width() + 1, height() + 1);
}

void CHtmlDlg::Scroll(ScrollRequest request)
{
    m_browser->ScrollTo(ScrollPosition(m_browser->ScrollTop(), request, 0, m_browser->ScrollMaximum()));
}

intptr_t CHtmlDlg::OnWindowMessage(int message, intptr_t wParam, intptr_t lParam)
{
    if (message != kMsgWebPanelShow)
        return CDialog::OnWindowMessage(message, wParam, lParam);
    const bool show = wParam == 1;
    m_browser->setVisible(show);
    setVisible(show);
    return 0;
}

CWelcomeDlg::CWelcomeDlg(QWidget *parent) : CDialog(parent, DialogKind::Child)
{
    SetDraggable(false);
}

QUrl CWelcomeDlg::AddressToUrl(const std::string &address)
{
    const QString text = QString::fromLocal8Bit(address.c_str());
    if (text.contains("://"))
        return QUrl(text);
    return QUrl::fromLocalFile(QFileInfo(QString::fromStdString(NormalisePicturePath(address))).absoluteFilePath());
}

void CWelcomeDlg::OnInitDialog()
{
    m_page = new CHtmlDlg(this);
    m_page->setGeometry(rect());
    m_page->Browser()->Navigate(AddressToUrl(m_address));
    m_page->show();
}

void CWelcomeDlg::resizeEvent(QResizeEvent *event)
{
    CDialog::resizeEvent(event);
    if (m_page)
        m_page->setGeometry(rect());
}

void CWelcomeDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), QColor(0xF6, 0xF8, 0xE3));
    if (m_page && m_page->geometry() != rect())
        m_page->setGeometry(rect());
}

intptr_t CWelcomeDlg::OnWindowMessage(int message, intptr_t wParam, intptr_t lParam)
{
    // The owner may address the panel itself; the page dialog answers.
    if (message == kMsgWebPanelShow && m_page)
        return SendWindowMessage(m_page, message, wParam, lParam);
    return CDialog::OnWindowMessage(message, wParam, lParam);
}
