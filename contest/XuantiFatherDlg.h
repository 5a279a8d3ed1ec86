// CXuantiFatherDlg: the modal topic chooser of the second round: up to five topic cards, one
// selected at a time, and a confirm button.
#pragma once

#include "Dialog.h"
#include "OperationsComposition.h"

#include <vector>

class CDlgXuanTimu;
class CGdipButton;

class CXuantiFatherDlg : public CDialog
{
    Q_OBJECT

public:
    explicit CXuantiFatherDlg(QWidget *parent = nullptr);

    // Fills the next card; a sixth and later topic is ignored.
    void AddTopic(const ContestTopic &topic);
    // The chosen topic: the selected card's fields after a confirmation, all empty otherwise.
    const ContestTopic &ChosenTopic() const { return m_chosen; }
    // True only after the confirm button (or Enter) with a card selected: a chooser closed any
    // other way chose nothing, and no round opens.
    bool Confirmed() const { return m_confirmed; }

    const std::vector<CDlgXuanTimu *> &Cards() const { return m_cards; }
    CDlgXuanTimu *SelectedCard() const { return m_selected; }
    CGdipButton *ConfirmButton() const { return m_confirm; }
    // Selects a card (the previous one drops its selection).
    void Select(CDlgXuanTimu *card);
    void Confirm();

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::vector<CDlgXuanTimu *> m_cards;
    CDlgXuanTimu *m_selected = nullptr;
    CGdipButton *m_confirm;
    ContestTopic m_chosen;
    bool m_confirmed = false;
};
