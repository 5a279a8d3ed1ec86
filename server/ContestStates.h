// Contest states of the reference service that tests put a user in: per user and activity, the
// answer WsActivityInfo gives instead of the one the activity's own round would give, and the
// flags an activity shows in WsActivity.
#pragma once

#include "WebPages.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

class PlatformStore;
class PlatformService;

// The WsActivityInfo document set for this user and activity, or nothing when none is set.
std::optional<std::string> ScriptedActivityInfo(PlatformStore &store, std::int64_t userId, std::int64_t activityId);

// The contest's test controls, or nothing for another action:
//   contest-state?name=U&activity=N&state=S   S: "open" (the round's own answer), "closed" (a "-1"
//                                             message), "submitted" (a "-2" message), "mixed"
//                                             (entries of types "0", "-2", "1" in this order),
//                                             "five-topics" (the second round with five topics)
//   activity-flags?activity=N&status=S&isMeg=M   what WsActivity shows of the activity
std::optional<WebResponse> ContestControl(PlatformService &service, const std::string &action,
                                          const std::map<std::string, std::string> &query);
