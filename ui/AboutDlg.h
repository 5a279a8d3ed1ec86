// CAboutDlg: the About box of the sign-in window's system menu.
#pragma once
#include "Dialog.h"

class QPushButton;

class CAboutDlg : public CDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget *parent = nullptr);
    QPushButton *OkButton() const { return m_ok; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;

private:
    QPushButton *m_ok = nullptr;
};
