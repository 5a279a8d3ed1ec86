// The score report: layout on its picture, the checks before sending and the outcome of each result.
#include "SubmitWriteScoreDlg.h"

#include "AppFolder.h"
#include "Fonts.h"
#include "GbkText.h"
#include "GdipButton.h"
#include "OkDialog.h"
#include "OperationsComposition.h"
#include "QtText.h"
#include "ToumingDlg.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScreen>

namespace {

constexpr int kFieldFontWeight = 600;

QFont DialogFont()
{
    return MakeFont(QString::fromUtf8("宋体"), 13, kFieldFontWeight);
}

void Notice(const char *utf8, QWidget *owner)
{
    COkDialog::Show(Utf8ToGbk("确 定"), Utf8ToGbk(utf8), owner);
}

} // namespace

ShownMonth ShownYearMonth(const QDate &today)
{
    if (today.month() == 12)
        return {today.year() + 1, 1};
    return {today.year(), today.month()};
}

ScoreCheck CheckScore(const std::string &typed)
{
    if (typed.empty())
        return ScoreCheck::Empty;
    // Compared by its digits, so that no number of them can wrap round to a small value.
    const size_t first = typed.find_first_not_of('0');
    const std::string digits = first == std::string::npos ? "0" : typed.substr(first);
    if (digits.size() > 3 || std::stoi(digits) >= 101)
        return ScoreCheck::OverHundred;
    return ScoreCheck::Send;
}

CSubmitWriteScoreDlg::CSubmitWriteScoreDlg(QWidget *parent, const QDate &today)
    : CDialog(parent, DialogKind::FramelessWindow), m_shown(ShownYearMonth(today))
{
}

void CSubmitWriteScoreDlg::OnInitDialog()
{
    resize(kWidth, kHeight);
    const QRect over = parentWidget() ? parentWidget()->window()->geometry()
                                      : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                                          : QRect(0, 0, 1024, 768));
    move(over.x() + (over.width() - kWidth) / 2, over.y() + (over.height() - kHeight) / 2);
    m_background.load(AppPath("\\img\\hostimg\\1.png"));
    // The picture's rounded corners are transparent; so is the window there.
    if (m_background.IsValid() && m_background.HasAlpha())
        setMask(QBitmap::fromImage(m_background.Frame(0).createAlphaMask()));

    m_score = new QLineEdit(this);
    m_score->setGeometry(kScoreRect);
    m_score->setFont(DialogFont());
    m_score->setFrame(false);
    m_score->setTextMargins(0, 0, 0, 0);
    m_score->setContentsMargins(0, 0, 0, 0);
    // Digits only, as the field's number style takes them.
    m_score->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_score));

    m_submit = new CGdipButton(this);
    m_submit->setGeometry(kSubmitRect);
    const std::string submitFace = AppPath("\\img\\hostimg\\tijiao.JPG");
    m_submit->LoadImages(submitFace, submitFace, submitFace);
    m_cancel = new CGdipButton(this);
    m_cancel->setGeometry(kCancelRect);
    const std::string cancelFace = AppPath("\\img\\hostimg\\quxiao.JPG");
    m_cancel->LoadImages(cancelFace, cancelFace, cancelFace);
    connect(m_submit, &CGdipButton::clicked, this, &CSubmitWriteScoreDlg::OnSubmit);
    connect(m_cancel, &CGdipButton::clicked, this, &CSubmitWriteScoreDlg::OnCancel);
    m_score->setFocus();
}

int CSubmitWriteScoreDlg::RunOver(QWidget *window)
{
    CSubmitWriteScoreDlg dialog(window);
    return CToumingDlg::RunCovered(window, dialog);
}

void CSubmitWriteScoreDlg::OnPaint(QPainter &painter)
{
    m_background.draw(&painter, 0, 0);
    painter.setPen(Qt::black);
    painter.setFont(DialogFont());
    painter.drawText(kYearRect, Qt::AlignLeft | Qt::AlignTop, QString::number(m_shown.year));
    painter.drawText(kMonthRect, Qt::AlignLeft | Qt::AlignTop, QString::number(m_shown.month));
}

void CSubmitWriteScoreDlg::OnSubmit()
{
    const std::string typed = QStringToGbk(m_score->text());
    switch (CheckScore(typed)) {
    case ScoreCheck::Empty:
        Notice("\t  请填写作文分数", this);
        return;
    case ScoreCheck::OverHundred:
        Notice("\t  作文分数不能大于100", this);
        return;
    case ScoreCheck::Send:
        break;
    }
    FetchStatus status = FetchStatus::Ok;
    if (RecordScore(typed, status)) {
        Notice("\t  作文分数提交成功！", this);
        EndDialog(kSubmitId);
    } else if (status == FetchStatus::Ok) {
        // Refused: the user may correct the score or cancel.
        Notice("\t  作文分数提交失败！", this);
    } else {
        EndDialog(kCancelId); // no reply, or a sign-in state the handler has already reported
    }
}

void CSubmitWriteScoreDlg::OnCancel()
{
    EndDialog(kCancelId);
}
