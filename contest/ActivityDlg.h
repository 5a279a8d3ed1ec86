// CActivityDlg: the main window's contest page. It shows the contest activities as tabs, each
// activity's information page under its tab, and the write button, which asks the service what
// the student may do now in the chosen activity and opens that round's writing screen.
#pragma once

#include "Dialog.h"
#include "OperationsComposition.h"

#include <array>
#include <functional>
#include <string>

class CGdipButton;
class CHtmlDlg;
class CXuantiFatherDlg;

class CActivityDlg : public CDialog
{
    Q_OBJECT

public:
    static constexpr int kSlotCount = 6;

    // One activity slot of the page.
    struct Slot
    {
        std::string id = "0"; // "0" for an empty slot
        std::string url;
        bool writeAllowed = false;
        bool pagePending = true;
        CGdipButton *tab = nullptr;
        CHtmlDlg *page = nullptr;
    };

    // returnWindow: the window the writing screens are handed to and return to (the main window).
    CActivityDlg(QWidget *parent, QWidget *returnWindow);

    // Choosing tab i (a click on it does the same).
    void ChooseTab(int index);
    // The write button's action.
    void OnWrite();

    // How the topic chooser runs (tests answer it without a modal loop); by default DoModal.
    void SetChooserRun(std::function<void(CXuantiFatherDlg &)> run) { m_runChooser = std::move(run); }

    int ActivityCount() const { return m_count; }
    const Slot &SlotAt(int index) const { return m_slots.at(static_cast<std::size_t>(index)); }
    const std::string &CurrentActivityId() const { return m_currentId; }
    CHtmlDlg *ShownPage() const { return m_shownPage; }
    CGdipButton *ChosenTab() const { return m_chosenTab; }
    CGdipButton *WriteButton() const { return m_write; }

    // The write-allowed flag: "status" "2" and "isMeg" "True".
    static bool IsWriteAllowed(const Activity &activity);
    // Only http and https addresses are opened in a page (anything else leaves it empty).
    static bool IsWebAddress(const std::string &url);

protected:
    void OnInitDialog() override;
    void OnPaint(QPainter &painter) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ResetSlots();
    void CreateTab(int index, const Activity &activity);
    void CreatePage(int index);
    void ShowOwnAddress(const Slot &slot);
    void PlaceControls();
    void OpenPreliminary(const ActivityEntry &entry);
    void OpenSecondRound(const ActivityEntry &entry);

    QWidget *m_returnWindow;
    std::array<Slot, kSlotCount> m_slots;
    int m_count = 0;
    std::string m_currentId = "-1";
    CGdipButton *m_chosenTab = nullptr;
    CHtmlDlg *m_shownPage = nullptr;
    CGdipButton *m_write;
    std::function<void(CXuantiFatherDlg &)> m_runChooser;
};
