// The share targets and the gateway address.
#include "ShareAddress.h"

#include "GbkText.h"
#include "ServiceContext.h"

#include <QByteArray>

namespace {

// QRect(QPoint, QPoint) holds both corners, as the areas are given.
const ShareTarget kTargets[] = {
    {"tsina", QRect(QPoint(2, 8), QPoint(68, 22))},     {"kaixin001", QRect(QPoint(75, 8), QPoint(129, 22))},
    {"qzone", QRect(QPoint(136, 8), QPoint(201, 22))},  {"tqq", QRect(QPoint(2, 29), QPoint(69, 42))},
    {"renren", QRect(QPoint(75, 29), QPoint(131, 42))}, {"t163", QRect(QPoint(136, 29), QPoint(201, 43))},
};

constexpr const char *kPlatformTitle = "墨韵阁中文写作平台"; // UTF-8, as it goes on the wire

ShareGateway &ConfiguredGateway()
{
    static ShareGateway gateway;
    return gateway;
}

std::string Encoded(const std::string &utf8)
{
    return QByteArray::fromStdString(utf8).toPercentEncoding().toStdString();
}

// "http://host:port/" -> "host:port".
std::string HostOf(const std::string &address)
{
    std::string host = address;
    if (const auto scheme = host.find("://"); scheme != std::string::npos)
        host.erase(0, scheme + 3);
    if (const auto slash = host.find('/'); slash != std::string::npos)
        host.erase(slash);
    return host;
}

} // namespace

const ShareTarget *ShareTargets(std::size_t &count)
{
    count = std::size(kTargets);
    return kTargets;
}

const ShareTarget *ShareTargetAt(QPoint point)
{
    for (const ShareTarget &target : kTargets) {
        if (target.area.contains(point))
            return &target;
    }
    return nullptr;
}

ShareGateway CurrentShareGateway()
{
    ShareGateway gateway = ConfiguredGateway();
    if (gateway.host.empty())
        gateway.host = HostOf(ServiceContext.DefaultBaseAddress);
    if (gateway.site.empty())
        gateway.site = ServiceContext.DefaultBaseAddress;
    return gateway;
}

void SetShareGateway(const std::string &host, const std::string &site)
{
    ConfiguredGateway() = {host, site};
}

std::string BuildShareAddress(const ShareGateway &gateway, const std::string &webid, const std::string &gbkSummary)
{
    return "http://" + gateway.host + "/send/?webid=" + Encoded(webid) + "&url=" + Encoded(GbkToUtf8(gateway.site)) +
           "&title=" + Encoded(kPlatformTitle) + "&summary=" + Encoded(GbkToUtf8(gbkSummary));
}
