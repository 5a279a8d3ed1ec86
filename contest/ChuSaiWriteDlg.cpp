// The preliminary round.
#include "ChuSaiWriteDlg.h"

#include "ChuxuanYaoqiuDlg.h"

namespace {

ContestEntry PreliminaryEntry(const std::string &roundTitle, const std::string &activityId)
{
    return ContestEntry{ContestRound::Preliminary, roundTitle, std::string(), activityId, std::string("0")};
}

} // namespace

CChuSaiWriteDlg::CChuSaiWriteDlg(QWidget *parent, const std::string &roundTitle, const std::string &requirements,
                                 const std::string &activityId)
    : ContestWriteScreen(parent, PreliminaryEntry(roundTitle, activityId), requirements)
{
}

CChuxuanYaoqiuDlg *CChuSaiWriteDlg::CreatePanel()
{
    return new CChuxuanYaoqiuDlg(this);
}
