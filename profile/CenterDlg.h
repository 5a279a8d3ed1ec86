// CCenterDlg: the personal centre page of the main window: the signed-in user's profile as the
// service reported it, and links to change it and the password on the platform's web site.
#pragma once
#include "Dialog.h"

#include <QLine>
#include <QPoint>
#include <QRect>
#include <string>

class CGdipButton;

// Where everything on the page goes, from the page's width alone.
struct CenterLayout
{
    int x0 = 0;               // (width - 725) / 2
    QPoint name;              // the user's name, 20 px
    QPoint welcome;           // the welcome line, 12 px
    QPoint heading;           // "个人信息"
    QLine headingRule;        // its 2-pixel underline
    int labelX = 0;           // the row labels
    int valueX = 0;           // the row values
    int rowY[5] = {};         // name, e-mail, school, category, phone
    int schoolLabelY[2] = {}; // the school label's two lines
    QPoint schoolColon;       // the school label's colon
    QRect profileButton;      // change the profile
    QRect passwordButton;     // change the password
    QLine dashLine;           // the dashed divider on the right
};
CenterLayout LayOutCenter(int width);

struct CenterLinks
{
    std::string profile;  // GBK
    std::string password; // GBK
};
// The two pages of the web site for this user: the profile page on the site as given, the
// password page on its bare domain name (without "www."). The user number is escaped so that it
// can only ever be the query's value.
CenterLinks MakeCenterLinks(const std::string &siteBase, const std::string &userNo);

class CCenterDlg : public CDialog
{
    Q_OBJECT

public:
    explicit CCenterDlg(QWidget *parent);

    // The web site's address ("http://host/"); by default the service's own.
    void SetSite(const std::string &gbkSiteBase) { m_site = gbkSiteBase; }
    CenterLinks Links() const;

    void OnChangeProfile();
    void OnChangePassword();

    CGdipButton *ProfileButton() const { return m_profile; }
    CGdipButton *PasswordButton() const { return m_password; }

protected:
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void PlaceButtons();

    CGdipButton *m_profile = nullptr;
    CGdipButton *m_password = nullptr;
    std::string m_site;
};
