// About box: program icon, name with its version, and an OK button.
#include "AboutDlg.h"

#include "AppFolder.h"
#include "Fonts.h"
#include "xImage.h"

#include <QPainter>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget *parent) : CDialog(parent, DialogKind::FramedWindow) {}

void CAboutDlg::OnInitDialog()
{
    setWindowTitle("About penlark");
    setFixedSize(340, 130);
    m_ok = new QPushButton("OK", this);
    m_ok->setGeometry(250, 90, 70, 26);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this] { EndDialog(kIdOk); });
}

void CAboutDlg::OnPaint(QPainter &painter)
{
    painter.fillRect(rect(), QColor(0xF6, 0xF8, 0xE3));
    CxImage icon;
    if (icon.load(AppPath("\\img\\logo.png")))
        icon.draw(&painter, 14, 14);
    painter.setFont(MakeFont(QString::fromUtf8("宋体"), 12));
    painter.setPen(Qt::black);
    painter.drawText(QRect(18, 60, 220, 18), Qt::AlignLeft | Qt::AlignVCenter, "penlark, Version 1.0");
    painter.drawText(QRect(18, 84, 220, 18), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("墨韵阁中文写作平台"));
}
