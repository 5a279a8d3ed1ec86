// CSubmitWriteScoreDlg: the small modal dialog in which the user reports an essay score (0 to 100)
// to the platform, run over the translucent cover of the main window.
#pragma once
#include "Dialog.h"
#include "xImage.h"

#include <QDate>
#include <QRect>
#include <string>

class QLineEdit;
class CGdipButton;

// The year and month the dialog shows for a day: that month, except that December shows January
// of the next year.
struct ShownMonth
{
    int year;
    int month;
};
ShownMonth ShownYearMonth(const QDate &today);

// What the submit button makes of the typed score before anything is sent.
enum class ScoreCheck
{
    Empty,
    OverHundred, // worth 101 or more, however many digits
    Send,
};
ScoreCheck CheckScore(const std::string &typed);

class CSubmitWriteScoreDlg : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 313;
    static constexpr int kHeight = 172;
    // Button identifiers of the dialog's design; also its modal results.
    static constexpr int kSubmitId = 1;
    static constexpr int kCancelId = 2;
    // Where the parts go on the dialog's picture.
    static constexpr QRect kScoreRect{176, 50, 30, 12};
    static constexpr QRect kYearRect{63, 77, 29, 20};
    static constexpr QRect kMonthRect{115, 77, 14, 20};
    static constexpr QRect kSubmitRect{81, 142, 63, 23};
    static constexpr QRect kCancelRect{178, 142, 63, 23};

    explicit CSubmitWriteScoreDlg(QWidget *parent = nullptr, const QDate &today = QDate::currentDate());

    // Covers the window with the translucent cover, runs the dialog modally, removes the cover.
    static int RunOver(QWidget *window);

    void OnSubmit();
    void OnCancel();

    QLineEdit *ScoreField() const { return m_score; }
    CGdipButton *SubmitButton() const { return m_submit; }
    CGdipButton *CancelButton() const { return m_cancel; }
    ShownMonth Shown() const { return m_shown; }

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;

private:
    QLineEdit *m_score = nullptr;
    CGdipButton *m_submit = nullptr;
    CGdipButton *m_cancel = nullptr;
    CxImage m_background;
    ShownMonth m_shown;
};
