// The question box.
#include "MsgDlg.h"

#include "GbkText.h"

#include <QCloseEvent>
#include <QPainter>

namespace {

const QPoint kButtonPlaces[3] = {{14, 142}, {122, 142}, {235, 142}};
const QSize kButtonSize(75, 25);
const QRect kLabelRect(44, 60, 243, 64);

} // namespace

CMsgDlg::CMsgDlg(const std::string &message, const std::string &first, const std::string &second, const std::string &third,
                 QWidget *parent)
    : CDialog(parent, DialogKind::FramelessWindow), m_message(message), m_captions{first, second, third}
{
}

int CMsgDlg::Show(const std::string &message, const std::string &first, const std::string &second, const std::string &third,
                  QWidget *owner)
{
    if (MessageBoxResponder *responder = InstalledMessageBoxResponder()) {
        MessageBoxCall call{MessageBoxCall::Kind::Question, message, {first, second, third}, COkDialog::IsOpen()};
        responder->calls.push_back(call);
        return responder->answer ? responder->answer(call) : 1;
    }
    CMsgDlg box(message, first, second, third, owner);
    box.DoModal();
    return box.Result();
}

bool CMsgDlg::Confirm(const std::string &message, QWidget *owner)
{
    static const std::string kYes = Utf8ToGbk("确定");
    static const std::string kNo = Utf8ToGbk("取消");
    return Show(message, kYes, "", kNo, owner) == 1;
}

void CMsgDlg::OnInitDialog()
{
    setFixedSize(messagebox::kWidth, messagebox::kHeight);
    move(messagebox::BoxPosition());
    m_background = messagebox::LoadBoxPicture("\\img\\hint.png");
    const QFont font = messagebox::BoxFont();
    setFont(font);

    const QImage face = messagebox::LoadBoxPicture("\\img\\msgbt.png");
    for (int i = 0; i < 3; ++i) {
        auto *button = new BoxButton(m_captions[i], face, font, this);
        button->setGeometry(QRect(kButtonPlaces[i], kButtonSize));
        button->setVisible(!m_captions[i].empty());
        connect(button, &QPushButton::clicked, this, [this, i] {
            m_result = i + 1;
            EndDialog(m_result);
        });
        m_buttons[i] = button;
    }
    m_label = new BoxMessageLabel(m_message, font, this);
    m_label->setGeometry(kLabelRect);
}

void CMsgDlg::OnPaint(QPainter &painter)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_background.isNull())
        painter.drawImage(QPoint(-1, -1), m_background);
}

void CMsgDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
