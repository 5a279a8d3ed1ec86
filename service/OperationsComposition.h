// Composition and programme operations: the library, contest entries, scores, activities, ideas.
#pragma once

#include "OperationCommon.h"

#include <cstdint>
#include <string>
#include <vector>

// The editor's prompt text: an essay that holds only this is empty.
std::string EssayPlaceholderText();

// Essay line breaks: "\r" inside the program, "\r\n" on the wire.
std::string ToWireLineBreaks(const std::string &essay);
std::string FromWireLineBreaks(const std::string &essay);

// GBK text with its leading and trailing blanks removed: spaces, tabs and full-width spaces,
// read character by character. Every title check and the library search trim with it.
std::string TrimBlanks(const std::string &text);

// The local checks before a save or a contest entry: the message to show (GBK), or "" when the
// essay may be sent.
std::string CheckEssayBeforeSending(const std::string &title, const std::string &content);

enum class SaveStatus
{
    Saved,             // essayId holds the library identifier
    Refused,           // checked locally or refused by the service: message says why
    TransportFailure,  // nothing shown
    Abandoned,         // the common status handler has said everything
};

struct SaveOutcome
{
    SaveStatus status = SaveStatus::TransportFailure;
    // The identifier the service gave the essay; set only when Saved, so a screen keeps the
    // identifier it had after any other outcome.
    std::string essayId;
    std::string message;  // GBK: the text to show ("" for nothing)
};

// Saves a free-writing essay: compId "0" for a new essay, else its library identifier. Saved
// only on a decimal identifier; "0", "-1" and any other answer are refusals with their message.
SaveOutcome SaveComposition(const std::string &compId, const std::string &title, const std::string &content);

struct LibraryEntry
{
    std::string ID, Title, CreateTime;
    std::string Date() const;  // CreateTime up to its first blank
};

// The user's library, or the essays whose title matches the search words ("" for all).
FetchStatus ListCompositions(const std::string &searchWords, std::vector<LibraryEntry> &entries);

struct CompositionText
{
    std::string Title, Content;  // Content with "\r" line breaks
};

// NotFound for an empty result.
FetchStatus FetchComposition(std::int32_t compId, CompositionText &essay);

// True when the service answered "true". status tells a refusal (Ok: the service answered, and
// not "true") from a call that ended without an answer (TransportFailure, or Abandoned when the
// common status handler gave up and has said everything).
bool DeleteCompositions(const std::vector<std::int32_t> &ids, FetchStatus &status);

// The ids joined by "," without blanks.
std::string JoinIds(const std::vector<std::int32_t> &ids);

enum class ContestRound
{
    Preliminary = 1,
    Second = 2,
};

struct ContestEntry
{
    ContestRound round = ContestRound::Preliminary;
    std::string title;       // preliminary: the title field; second round: the chosen topic's title
    std::string content;     // "\r" line breaks
    std::string activityId;  // the activity's "id"
    std::string matchId;     // preliminary: "0"; second round: the topic's "mid"
};

// The question asked before a contest entry is sent.
std::string ContestConfirmationQuestion();

// Submits a contest entry (after CheckEssayBeforeSending and the confirmation). A preliminary
// result that matches no code is ignored: status Refused with an empty message. In the second
// round only a decimal identifier is a submission; any other unlisted answer is a failure.
SaveOutcome SubmitContestEntry(const ContestEntry &entry);

// Records a score as typed; true when the service answered "1".
bool RecordScore(const std::string &score, FetchStatus &status);

struct Activity
{
    std::string id, theme, status, isMeg, url;
};

FetchStatus ListActivities(std::vector<Activity> &activities);

struct ContestTopic
{
    std::string mid, title, desc, writer, type;
};

struct ActivityEntry
{
    std::string type;  // "1", "2", "-1" or "-2"; entries of other types are skipped
    std::string title, desc;             // "1"
    std::int32_t minutes = 0;            // "2": the writing time
    std::vector<ContestTopic> topics;    // "2"
    std::string supinfo;                 // "2"
    std::string msg;                     // "-1", "-2"
};

FetchStatus FetchActivityInfo(const std::string &activityId, std::vector<ActivityEntry> &entries);

enum class IdeaScreen
{
    Feedback,
    Experience,
};

struct IdeaOutcome
{
    bool sent = false;      // the service accepted the text
    bool showBox = false;   // whether a message box is shown (possibly without text)
    std::string message;    // GBK
};

// Sends feedback or an experience report. An empty text is refused locally.
IdeaOutcome SendUserIdea(const std::string &text, IdeaScreen screen);
