// Browser start through the desktop services, with xdg-open behind it.
#include "OpenUrl.h"

#include "QtText.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace {

std::function<bool(const QString &)> &Opener()
{
    static std::function<bool(const QString &)> opener;
    return opener;
}

bool OpenWithDesktop(const QString &url)
{
    if (QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode)))
        return true;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

} // namespace

bool OpenUrl(const QString &url)
{
    if (url.trimmed().isEmpty())
        return false;
    return Opener() ? Opener()(url) : OpenWithDesktop(url);
}

bool OpenUrl(const std::string &gbkUrl)
{
    return OpenUrl(GbkToQString(gbkUrl));
}

void SetUrlOpener(std::function<bool(const QString &url)> opener)
{
    Opener() = std::move(opener);
}
