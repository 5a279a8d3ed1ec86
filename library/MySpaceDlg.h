// CMySpaceDlg: the library page of the main window ("我的文库"). It lists the signed-in user's
// essays as the service holds them, searches them by title, shows one in the viewer panel and
// deletes the checked ones. It lives as long as the main window, so the writing screens can ask
// it to reload (LibraryReload) after a save or a contest submission.
#pragma once

#include "Dialog.h"

#include <cstdint>
#include <string>

class CGdipButton;
class CHTMLListCtrlOrg;
class CNoMarkDlg;
class QLabel;
class QLineEdit;
struct HtmlListNotify;

class CMySpaceDlg : public CDialog
{
    Q_OBJECT

public:
    // The search box holds at most this many characters: a title search needs no more.
    static constexpr int kSearchLimit = 50;
    // The up button scrolls by this many line steps.
    static constexpr int kUpSteps = 11;

    // parent: the main window, which also receives the free-writing screen of the viewer.
    explicit CMySpaceDlg(QWidget *parent = nullptr);

    // Clears the list and fills it with the essays whose title matches (GBK, trimmed by the
    // service call; "" for all). False when the service gave no list (the list stays empty).
    bool LoadList(const std::string &titleFilter);
    void Reload() { LoadList(std::string()); }

    void OnSearch();
    void OnItemClicked(int index, std::int32_t id);
    void OnDelete();
    void OnUp();

    // The identifier of the essay in the viewer, -1 for none.
    std::int32_t ShownId() const { return m_shownId; }

    CHTMLListCtrlOrg *List() const { return m_list; }
    CNoMarkDlg *Panel() const { return m_panel; }
    QLineEdit *SearchBox() const { return m_search; }
    CGdipButton *SearchButton() const { return m_searchButton; }
    CGdipButton *DeleteButton() const { return m_delete; }
    CGdipButton *UpButton() const { return m_up; }
    // Shown in the list's place while the service lists no essay.
    QLabel *EmptyNotice() const { return m_emptyNotice; }

protected:
    void OnPaint(QPainter &painter) override;
    intptr_t OnWindowMessage(int message, intptr_t wParam, intptr_t lParam) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateControls();
    void PlaceChildren();
    void OnListNotify(const HtmlListNotify &notification);
    void OnSearchTextChanged(const QString &text);
    void ClearViewer();
    void RefreshViewer();
    void AddItem(const std::string &text, std::int32_t id, bool checked);
    void UpdateEmptyNotice();

    CNoMarkDlg *m_panel = nullptr;
    CHTMLListCtrlOrg *m_list = nullptr;
    QLineEdit *m_search = nullptr;
    CGdipButton *m_searchButton = nullptr;
    CGdipButton *m_delete = nullptr;
    CGdipButton *m_up = nullptr;
    QLabel *m_emptyNotice = nullptr;
    std::int32_t m_shownId = -1;
    // The title the shown list was searched by, trimmed as sent (GBK; "" for the whole library).
    std::string m_listedTitle;
    bool m_listLoaded = false;
};
