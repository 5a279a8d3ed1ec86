// The requirement panels beside a contest round's editor: CChuxuanYaoqiuDlg shows the round's
// requirements; CFuSaiYaoqiuDlg adds the second round's clock under them.
#pragma once

#include "Dialog.h"
#include "xImage.h"

#include <string>

class QTextEdit;

class CChuxuanYaoqiuDlg : public CDialog
{
    Q_OBJECT

public:
    explicit CChuxuanYaoqiuDlg(QWidget *parent);

    // The requirements (GBK), shown read-only with their labels in green.
    void SetText(const std::string &gbk);
    QTextEdit *Text() const { return m_text; }

protected:
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;
    virtual bool HasClock() const { return false; }

private:
    QTextEdit *m_text;
};

class CFuSaiYaoqiuDlg : public CChuxuanYaoqiuDlg
{
    Q_OBJECT

public:
    explicit CFuSaiYaoqiuDlg(QWidget *parent);

    // "HH:MM:SS"; redraws the clock.
    void SetClockText(const std::string &text);
    const std::string &ClockText() const { return m_clockText; }

protected:
    void OnPaint(QPainter &painter) override;
    bool HasClock() const override { return true; }

private:
    CxImage m_clockPicture;
    std::string m_clockText;
};
