// CDlgXuanTimu: one topic card of the chooser: the judge's name, the topic's genre, title and
// requirements, and a select button; a press anywhere on it selects it.
#pragma once

#include "Dialog.h"
#include "OperationsComposition.h"

class CGdipButton;
class QTextEdit;

class CDlgXuanTimu : public CDialog
{
    Q_OBJECT

public:
    CDlgXuanTimu(const ContestTopic &topic, QWidget *parent);

    const ContestTopic &Topic() const { return m_topic; }
    bool IsSelected() const { return m_selected; }
    // The chooser marks and unmarks the card; both repaint it.
    void SetSelected(bool selected);
    CGdipButton *SelectButton() const { return m_select; }
    QTextEdit *Body() const { return m_body; }

signals:
    // A left press or release on the card, on any of its parts, or its select button.
    void Chosen(CDlgXuanTimu *card);

protected:
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ContestTopic m_topic;
    QTextEdit *m_body;
    CGdipButton *m_select;
    bool m_selected = false;
};
