// CYijianFankuiDlg: the usage-report screen, where the user describes how they use the product:
// a programme screen with a framed field and a submit button.
#pragma once
#include "FatherDlg.h"

#include <QRect>

class CCoolEdit;
class CGdipButton;

struct YijianFankuiLayout
{
    QPoint prompt; // "请提交您的使用心得，感谢您的支持："
    QRect text;    // the field's text area; its frame lies one pixel outside
    QRect box;     // the 2-pixel rectangle round it
    QRect submit;  // 74 x 28
};
YijianFankuiLayout LayOutYijianFankui(const QSize &client);

class CYijianFankuiDlg : public CFatherDlg
{
    Q_OBJECT

public:
    static constexpr int kLimit = 800;

    explicit CYijianFankuiDlg(QWidget *parent);

    void OnSubmit();

    CCoolEdit *Field() const { return m_field; }
    CGdipButton *SubmitButton() const { return m_submit; }

protected:
    void SetUpContent() override;
    void PaintContent(QPainter &painter, const QRect &client) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void PlaceContent();

    CCoolEdit *m_field = nullptr;
    CGdipButton *m_submit = nullptr;
};
