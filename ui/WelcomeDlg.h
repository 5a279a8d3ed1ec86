// CWelcomeDlg: a panel showing a web page; its child CHtmlDlg holds the browser CExplorer1.
#pragma once
#include "Dialog.h"

#include <QUrl>
#include <string>

class QMenu;
class QWebEngineView;
class ScopedWebPage;

// Whether a link followed inside a page kept to a scope stays there: the same scheme, host and
// port as the scope's address, and a path within the scope address's folder ("/activity/1.aspx"
// keeps "/activity/..."). An empty scope keeps every link.
bool LinkStaysInScope(const QUrl &scope, const QUrl &link);

// The embedded browser: the web engine's view, the one browser the package ships.
class CExplorer1 : public QWidget
{
    Q_OBJECT

public:
    explicit CExplorer1(QWidget *parent = nullptr);
    void Navigate(const QUrl &url);
    QUrl Url() const { return m_url; }
    // The address the page shows now (a followed link changes it; Url() stays).
    QUrl CurrentUrl() const;
    // The shown page's title (empty until loaded).
    QString Title() const;
    // Vertical scrolling of the shown page, in page pixels: the current offset, the largest
    // offset (content height minus the view's height, never below 0), and a move to an offset.
    // The web view scrolls asynchronously: ScrollTop follows ScrollTo once the page has moved.
    int ScrollTop() const;
    int ScrollMaximum() const;
    void ScrollTo(int top);

    // Keeps followed links within the scope of this address (LinkStaysInScope); a link leaving
    // it, or opening a new window, goes to the system's browser when it is http(s) and nowhere
    // otherwise, and the page stays as it is.
    void KeepLinksWithin(const QUrl &scope);
    QUrl LinkScope() const;

    // The page's context menu: only "复制" while text is selected, else none (nullptr). The web
    // engine's own menu (back, reload, save page, view source) is nothing a student needs.
    QMenu *CreateContextMenu(QWidget *parent);
    QWebEngineView *View() const { return m_view; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWebEngineView *m_view = nullptr;
    ScopedWebPage *m_page = nullptr;
    QUrl m_url;
};

// Vertical scroll requests of the panel.
enum class ScrollRequest
{
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    Top,
    Bottom,
    Other
};
// Line ∓30, page ∓100, top and bottom to the range's ends, anything else keeps the position;
// the result is clamped to [minimum, maximum].
int ScrollPosition(int current, ScrollRequest request, int minimum, int maximum);

class CHtmlDlg : public CDialog
{
    Q_OBJECT

public:
    explicit CHtmlDlg(QWidget *parent = nullptr);
    CExplorer1 *Browser() const { return m_browser; }
    // Scrolls the page vertically by the panel's rule (ScrollPosition over the page's range).
    void Scroll(ScrollRequest request);

protected:
    // Message 1025: first parameter 1 shows the browser and the page dialog, any other hides them.
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    CExplorer1 *m_browser;
};

class CWelcomeDlg : public CDialog
{
    Q_OBJECT

public:
    explicit CWelcomeDlg(QWidget *parent = nullptr);
    // Set by the owner before the panel is created: a web address or a local file path.
    void SetAddress(const std::string &address) { m_address = address; }
    CHtmlDlg *Page() const { return m_page; }

    static QUrl AddressToUrl(const std::string &address);

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override;

private:
    std::string m_address;
    CHtmlDlg *m_page = nullptr;
};
