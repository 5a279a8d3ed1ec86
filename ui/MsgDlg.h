// The question box CMsgDlg: a message and up to three buttons; the result names the button.
#pragma once

#include "OkDialog.h"

#include <array>

class CMsgDlg : public CDialog
{
    Q_OBJECT

public:
    // A button whose caption is empty is hidden. Texts are GBK.
    CMsgDlg(const std::string &message, const std::string &first, const std::string &second, const std::string &third,
            QWidget *parent = nullptr);

    // Shows the box modally; returns 1, 2 or 3 for the first, second or third button.
    static int Show(const std::string &message, const std::string &first, const std::string &second, const std::string &third,
                    QWidget *owner = nullptr);
    // The program's confirmation: "确定" and "取消"; true when confirmed.
    static bool Confirm(const std::string &message, QWidget *owner = nullptr);

    int Result() const { return m_result; }
    QPushButton *Button(int index) const { return m_buttons.at(static_cast<std::size_t>(index)); }
    BoxMessageLabel *Label() const { return m_label; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void closeEvent(QCloseEvent *event) override; // only a button closes the box

private:
    std::string m_message;
    std::array<std::string, 3> m_captions;
    std::array<QPushButton *, 3> m_buttons{};
    BoxMessageLabel *m_label = nullptr;
    QImage m_background;
    int m_result = 0;
};
