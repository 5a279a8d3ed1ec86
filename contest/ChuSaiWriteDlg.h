// CChuSaiWriteDlg: the preliminary-round writing screen: the round's requirements beside the
// editor, the round's title (fixed when the round gives one) and the entry's submission.
#pragma once

#include "ContestWriteScreen.h"

class CChuSaiWriteDlg : public ContestWriteScreen
{
    Q_OBJECT

public:
    // roundTitle and requirements: the round's "title" and "desc"; activityId: the activity's "id".
    CChuSaiWriteDlg(QWidget *parent, const std::string &roundTitle, const std::string &requirements,
                    const std::string &activityId);

protected:
    CChuxuanYaoqiuDlg *CreatePanel() override;
};
