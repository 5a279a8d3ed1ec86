// Web pages, the sharing gateway and the test controls of the reference service.
#include "WebPages.h"

#include "ContestStates.h"

#include "GbkText.h"
#include "JsonText.h"
#include "PasswordHash.h"
#include "PlatformService.h"
#include "TextRules.h"

#include <arpa/inet.h>
#include <strings.h>

#include <chrono>
#include <set>

namespace {

std::string HtmlEscape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\n': out += "<br>"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string PercentDecode(const std::string &text)
{
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out.push_back(' ');
        } else if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string Page(const std::string &title, const std::string &bodyHtml)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
           " - 墨韵阁中文写作平台</title><style>body{background:#F6F8E3;font-family:serif;margin:2em;}"
           "h1{color:#0E803B;}a{color:#1DAA39;}td{padding:4px 12px;}</style></head><body><h1>" +
           HtmlEscape(title) + "</h1>\n" + bodyHtml +
           "\n<p><a href=\"/\">首页</a> · <a href=\"/help.aspx\">帮助</a></p></body></html>\n";
}

WebResponse Text(int status, const std::string &text)
{
    return WebResponse{status, "text/plain; charset=utf-8", text + "\n"};
}

WebResponse Json(const Json::Value &value)
{
    return WebResponse{200, "application/json; charset=utf-8", JsonCompact(value)};
}

WebResponse HomePage(PlatformService &service)
{
    std::string list;
    for (const ActivityRow &a : service.Store().Activities())
        list += "<li><a href=\"" + HtmlEscape(a.urlPath) + "\">" + HtmlEscape(a.theme) + "</a></li>";
    return {200, "text/html; charset=utf-8",
            Page("墨韵阁中文写作平台",
                 "<p>欢迎来到墨韵阁中文写作平台：在这里写作文、积累语料、参加作文大赛。</p>"
                 "<h2>作文大赛</h2><ul>" + list + "</ul>"
                 "<p><a href=\"/user/register.aspx\">注册新账号</a> · <a href=\"/user/forgetpw.aspx\">忘记密码</a></p>")};
}

WebResponse Html(int status, const std::string &title, const std::string &bodyHtml)
{
    return {status, "text/html; charset=utf-8", Page(title, bodyHtml)};
}

std::string FormValue(const std::map<std::string, std::string> &fields, const char *key)
{
    auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

// The password form of the profile and password pages. Nothing about the account is shown
// before its password has been given, not even whether the number exists.
std::string PasswordForm(const std::string &path, const std::string &userNo, bool change, const std::string &notice)
{
    std::string html = notice.empty() ? std::string() : "<p class=\"notice\">" + HtmlEscape(notice) + "</p>";
    html += "<form method=\"post\" action=\"" + path + "\"><input type=\"hidden\" name=\"no\" value=\"" +
            HtmlEscape(userNo) + "\"><p>" + std::string(change ? "原密码" : "请输入密码以查看个人资料") +
            "：<input type=\"password\" name=\"password\"></p>";
    if (change)
        html += "<p>新密码：<input type=\"password\" name=\"new\"></p>"
                "<p>确认新密码：<input type=\"password\" name=\"again\"></p>";
    return html + "<p><input type=\"submit\" value=\"确定\"></p></form>";
}

const char *const kInfoPath = "/user/info.aspx";
const char *const kPasswordPath = "/user/mima.aspx";
constexpr std::size_t kMaxPasswordChars = 64;

WebResponse ProfileForm(const std::map<std::string, std::string> &query, bool change)
{
    return Html(200, change ? "修改密码" : "个人资料",
                PasswordForm(change ? kPasswordPath : kInfoPath, FormValue(query, "no"), change, ""));
}

std::string ProfileTable(const UserRow &user)
{
    return "<table><tr><td>用户编号</td><td>" + HtmlEscape(user.userNo) + "</td></tr>"
           "<tr><td>姓名</td><td>" + HtmlEscape(user.trueName) + "</td></tr>"
           "<tr><td>学校</td><td>" + HtmlEscape(user.school) + "</td></tr>"
           "<tr><td>电子邮箱</td><td>" + HtmlEscape(user.email) + "</td></tr>"
           "<tr><td>电话</td><td>" + HtmlEscape(user.phone) + "</td></tr>"
           "<tr><td>用户类别</td><td>" + HtmlEscape(user.userType) + "</td></tr></table>";
}

// A posted profile or password form: the password is checked like a sign-in (counted against
// guessing, the same lock) before anything of the account is shown or changed.
WebResponse ProfilePost(PlatformService &service, const std::map<std::string, std::string> &fields, bool change)
{
    const char *path = change ? kPasswordPath : kInfoPath;
    const char *title = change ? "修改密码" : "个人资料";
    std::string userNo = FormValue(fields, "no");
    std::string password = FormValue(fields, "password");
    auto form = [&](int status, const std::string &notice) { return Html(status, title, PasswordForm(path, userNo, change, notice)); };
    if (password.empty() || CountChars(password) > kMaxPasswordChars)
        return form(200, "请输入密码。");
    std::optional<UserRow> user = userNo.empty() ? std::nullopt : service.Store().UserByNo(userNo);
    // No device code: the form's failures count for its address and account only.
    std::string status = service.GuardedPasswordCheck(user, DigestOfUtf8Password(password), std::string(), false);
    if (status == "0")
        return form(403, "密码错误次数过多，账号已锁定。请在客户端输入验证码登录一次后再试。");
    if (!status.empty())
        return form(403, "用户编号或密码不正确。");
    if (!change)
        return Html(200, title, ProfileTable(*user));
    std::string fresh = FormValue(fields, "new");
    if (fresh.empty() || CountChars(fresh) > kMaxPasswordChars)
        return form(200, "请输入新密码（不超过64个字符）。");
    if (fresh != FormValue(fields, "again"))
        return form(200, "两次输入的新密码不一致。");
    service.Store().SetPasswordHash(user->id, HashPasswordDigest(DigestOfUtf8Password(fresh)));
    // Whoever signed in with the old password is signed out.
    service.EndSessions(user->id);
    return Html(200, title, "<p>密码已修改，请在客户端使用新密码登录。</p>");
}

WebResponse SharePage(PlatformService &service, const std::map<std::string, std::string> &query)
{
    auto value = [&](const char *key) {
        auto it = query.find(key);
        return it == query.end() ? std::string() : it->second;
    };
    ShareRow share{value("webid"), value("url"), value("title"), value("summary"), ""};
    if (share.webid.empty())
        return {400, "text/html; charset=utf-8", Page("分享", "<p>缺少分享目标（webid）。</p>")};
    // Anyone may call the gateway: each address gets a limited rate, and only the newest shares
    // are kept, so that no one can fill the disk through it.
    if (!service.WithinLimit(service.Shared().shareLimit, "share " + service.Peer()))
        return {429, "text/html; charset=utf-8", Page("分享", "<p>分享太频繁，请稍后再试。</p>")};
    service.Store().AddShare(share, kSharesKept);
    return {200, "text/html; charset=utf-8",
            Page("分享", "<p>已收到分享：</p><table><tr><td>目标</td><td>" + HtmlEscape(share.webid) +
                             "</td></tr><tr><td>网址</td><td>" + HtmlEscape(share.url) +
                             "</td></tr><tr><td>标题</td><td>" + HtmlEscape(share.title) +
                             "</td></tr><tr><td>内容</td><td>" + HtmlEscape(share.summary) + "</td></tr></table>")};
}

std::optional<UserRow> ControlUser(PlatformService &service, const std::map<std::string, std::string> &query)
{
    if (auto id = query.find("id"); id != query.end())
        if (auto number = ParseNumber(id->second.c_str()))
            return service.Store().UserById(*number);
    if (auto name = query.find("name"); name != query.end())
        return service.Store().UserByName(name->second);
    return std::nullopt;
}

WebResponse TestControl(PlatformService &service, const std::string &action,
                        const std::map<std::string, std::string> &query)
{
    auto value = [&](const char *key) {
        auto it = query.find(key);
        return it == query.end() ? std::string() : it->second;
    };
    SessionTable &sessions = service.Shared().sessions;
    if (action == "verify-code") {
        std::string code = service.Codes().Newest(value("code"));
        return code.empty() ? Text(404, "no pending code") : Text(200, code);
    }
    if (action == "held-replies")
        return Text(200, std::to_string(service.Shared().heldReplies()));
    if (action == "connections") {
        const auto [reading, writing] = service.Shared().connectionCounts();
        return Text(200, "{\"reading\":" + std::to_string(reading) + ",\"writing\":" + std::to_string(writing) + "}");
    }
    if (action == "overall") {
        if (query.count("version"))
            service.Store().SetSetting("version", value("version"));
        if (query.count("MainInfoTime"))
            service.Store().SetSetting("MainInfoTime", value("MainInfoTime"));
        return Text(200, "ok");
    }
    if (action == "idle-timeout") {
        auto seconds = ParseNumber(value("seconds").c_str());
        if (!seconds)
            return Text(400, "seconds?");
        sessions.SetIdleTimeout(std::chrono::seconds(*seconds));
        return Text(200, "ok");
    }
    if (action == "deadline") {
        auto activity = ParseNumber(value("activity").c_str());
        if (!activity || !service.Store().SetActivityDeadline(*activity, value("value")))
            return Text(404, "no such activity");
        return Text(200, "ok");
    }
    if (action == "shares") {
        Json::Value rows(Json::arrayValue);
        for (const ShareRow &s : service.Store().Shares()) {
            Json::Value row;
            row["webid"] = s.webid;
            row["url"] = s.url;
            row["title"] = s.title;
            row["summary"] = s.summary;
            row["arrived"] = s.arrived;
            rows.append(row);
        }
        Json::Value root;
        root["data"] = rows;
        return Json(root);
    }

    if (action == "add-user") {
        std::string name = value("name");
        if (name.empty() || !query.count("password"))
            return Text(400, "name and password?");
        // The password as a person types it; the client sends the MD5 of its GBK bytes.
        std::int64_t id = service.Store().AddUser(name, DigestOfUtf8Password(value("password")), value("truename"));
        return id ? Text(200, std::to_string(id)) : Text(409, "name taken");
    }

    if (auto contest = ContestControl(service, action, query))
        return *contest;
    static const std::set<std::string> kUserControls = {"lapse", "displace", "refuse-relogin", "disable",
                                                        "message", "counts"};
    if (!kUserControls.count(action))
        return Text(404, "unknown control");
    auto user = ControlUser(service, query);
    if (!user)
        return Text(404, "no such user");
    // The switches act on the sessions in the database: every process sees them.
    if (action == "lapse")
        return service.Store().LapseCurrentSession(user->id) ? Text(200, "ok") : Text(404, "no session");
    if (action == "displace")
        return service.Store().DisplaceCurrentSession(user->id) ? Text(200, "ok") : Text(404, "no session");
    if (action == "refuse-relogin") {
        sessions.RefuseNextReLogin(user->id);
        return Text(200, "ok");
    }
    if (action == "disable") {
        service.Store().SetUserDisabled(user->id, value("value") != "0");
        return Text(200, "ok");
    }
    if (action == "message") {
        service.Store().QueueMessage(user->id, value("content"), value("url"));
        return Text(200, "ok");
    }
    if (action == "counts") {
        Json::Value root;
        root["id"] = std::to_string(user->id);
        root["compositions"] = std::to_string(service.Store().CountCompositions(user->id));
        root["ideas"] = std::to_string(service.Store().CountIdeas(user->id));
        return Json(root);
    }
    return Text(404, "unknown control");
}

bool IsLoopback(const struct soap *soap)
{
    // soap->ip holds an IPv4 peer; an IPv6 peer is in ip6 (host order words).
    if (soap->ip != 0)
        return (soap->ip >> 24) == 127;
    static const unsigned int kIpv6Loopback[4] = {0, 0, 0, 1};
    bool v6Loopback = true;
    for (int i = 0; i < 4; ++i)
        v6Loopback = v6Loopback && soap->ip6[i] == kIpv6Loopback[i];
    return v6Loopback;
}

// The host part of a Host header or of an origin's authority ("[::1]:8089" -> "::1").
std::string HostPart(std::string authority)
{
    auto scheme = authority.find("://");
    if (scheme != std::string::npos)
        authority = authority.substr(scheme + 3);
    authority = authority.substr(0, authority.find('/'));
    if (!authority.empty() && authority[0] == '[') {
        auto close = authority.find(']');
        return close == std::string::npos ? std::string() : authority.substr(1, close - 1);
    }
    return authority.substr(0, authority.find(':'));
}

bool IsLoopbackName(const std::string &host)
{
    if (strcasecmp(host.c_str(), "localhost") == 0 || host == "::1")
        return true;
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

// A reverse proxy on the same host makes every peer loopback, and a browser page on this machine
// can reach loopback too: the controls answer only a loopback peer that named a loopback host and
// whose request a browser did not send on behalf of another site.
bool TestControlsAllowed(PlatformService &service, const struct soap *soap)
{
    if (!service.Shared().testControls || !IsLoopback(soap))
        return false;
    // Whatever a trusted proxy forwards comes from its clients, never from this machine's tools.
    if (service.Origin().forwarded)
        return false;
    const std::string &raw = service.RawRequestText();
    std::string host = HeaderValue(raw, "Host");
    if (!host.empty() && !IsLoopbackName(HostPart(host)))
        return false;
    std::string origin = HeaderValue(raw, "Origin");
    if (!origin.empty() && !IsLoopbackName(HostPart(origin)))
        return false;
    std::string fetchSite = HeaderValue(raw, "Sec-Fetch-Site");
    return fetchSite.empty() || strcasecmp(fetchSite.c_str(), "same-origin") == 0 ||
           strcasecmp(fetchSite.c_str(), "none") == 0;
}

} // namespace

std::map<std::string, std::string> ParseQuery(const std::string &query)
{
    std::map<std::string, std::string> values;
    std::string::size_type start = 0;
    while (start <= query.size()) {
        auto amp = query.find('&', start);
        std::string pair = query.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        if (!pair.empty()) {
            auto equals = pair.find('=');
            std::string key = PercentDecode(pair.substr(0, equals));
            std::string value = equals == std::string::npos ? std::string() : PercentDecode(pair.substr(equals + 1));
            if (!IsValidUtf8(value))
                value = GbkToUtf8(value);
            values.emplace(key, value);
        }
        if (amp == std::string::npos)
            break;
        start = amp + 1;
    }
    return values;
}

WebResponse HandleWebRequest(PlatformService &service, const std::string &target, bool controlsAllowed)
{
    auto question = target.find('?');
    std::string path = target.substr(0, question);
    auto query = ParseQuery(question == std::string::npos ? std::string() : target.substr(question + 1));
    auto is = [&](const char *page) { return strcasecmp(path.c_str(), page) == 0; };

    // Controls that are off, or asked for from anywhere but a local tool, do not exist.
    if (path.rfind("/test/", 0) == 0 && controlsAllowed)
        return TestControl(service, path.substr(6), query);
    if (is("/") || is("/index.aspx") || is("/default.aspx"))
        return HomePage(service);
    if (is("/send/") || is("/send"))
        return SharePage(service, query);
    if (is("/help.aspx"))
        return {200, "text/html; charset=utf-8",
                Page("帮助", "<h2>写作</h2><p>在自由写作中输入作文，绿色的词语是关键词，点击它可以看到相关的语料。</p>"
                             "<h2>我的文库</h2><p>保存的作文都在“我的文库”里，可以搜索、查看、删除和继续写作。</p>"
                             "<h2>作文大赛</h2><p>在大赛页面选择活动，按照提示参加初赛或复赛。征文一旦提交不可修改。</p>")};
    if (is("/user/register.aspx"))
        return {200, "text/html; charset=utf-8",
                Page("注册新账号", "<form><p>用户名：<input name=\"u\"></p><p>密码：<input type=\"password\" name=\"p\"></p>"
                                   "<p>演示平台只提供预置的账号，暂不开放在线注册。</p></form>")};
    if (is("/user/forgetpw.aspx"))
        return {200, "text/html; charset=utf-8",
                Page("找回密码", "<form><p>用户名：<input name=\"u\"></p><p>电子邮箱：<input name=\"email\"></p>"
                                 "<p>请联系老师或平台管理员重置密码。</p></form>")};
    if (is(kInfoPath))
        return ProfileForm(query, false);
    if (is(kPasswordPath))
        return ProfileForm(query, true);
    for (const ActivityRow &a : service.Store().Activities())
        if (is(a.urlPath.c_str()))
            return {200, "text/html; charset=utf-8",
                    Page(a.theme, "<p>" + HtmlEscape(a.page) + "</p><p>截止时间：" + HtmlEscape(a.deadline) + "</p>")};
    return {404, "text/html; charset=utf-8", Page("页面不存在", "<p>没有这个页面。</p>")};
}

WebResponse HandleWebForm(PlatformService &service, const std::string &target, const std::string &body)
{
    std::string path = target.substr(0, target.find('?'));
    auto fields = ParseQuery(body);
    if (strcasecmp(path.c_str(), kInfoPath) == 0)
        return ProfilePost(service, fields, false);
    if (strcasecmp(path.c_str(), kPasswordPath) == 0)
        return ProfilePost(service, fields, true);
    return Html(404, "页面不存在", "<p>没有这个页面。</p>");
}

namespace {

int SendWebResponse(struct soap *soap, const WebResponse &response)
{
    soap->http_content = response.contentType.c_str();
    int status = response.status == 200 ? SOAP_FILE : SOAP_FILE + response.status;
    if (soap_response(soap, status) || soap_send_raw(soap, response.body.data(), response.body.size()) ||
        soap_end_send(soap))
        return soap_closesock(soap);
    return SOAP_OK;
}

} // namespace

int ServeHttpGet(struct soap *soap)
{
    auto *service = static_cast<PlatformService *>(soap->user);
    WebResponse response;
    try {
        response = HandleWebRequest(*service, soap->path, TestControlsAllowed(*service, soap));
    } catch (const std::exception &) {
        response = Text(500, "service failure");
    }
    return SendWebResponse(soap, response);
}

int ServeHttpForm(struct soap *soap)
{
    auto *service = static_cast<PlatformService *>(soap->user);
    WebResponse response;
    try {
        size_t length = 0;
        const char *body = soap_http_get_body(soap, &length);
        response = HandleWebForm(*service, soap->path, body ? std::string(body, length) : std::string());
    } catch (const std::exception &) {
        response = Text(500, "service failure");
    }
    return SendWebResponse(soap, response);
}
