// The offer of left essays and the queue of the screens chosen.
#include "LeftEssayReopen.h"

#include "DlgWrite.h"
#include "LeftEssayOffer.h"
#include "OperationsAccount.h"
#include "ServiceContext.h"
#include "WindowMessage.h"
#include "WritingScreenMakers.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <string>

namespace {

// The main window shows one writing screen at a time: the chosen entries wait here.
class LeftEssayQueue : public QObject
{
public:
    explicit LeftEssayQueue(QWidget *mainWindow) : QObject(mainWindow), m_mainWindow(mainWindow) {}

    void Add(const LeftJournalEntry &left) { m_waiting.push_back(left); }

    void OpenNext()
    {
        while (!m_waiting.empty() && m_mainWindow) {
            const LeftJournalEntry left = m_waiting.front();
            m_waiting.pop_front();
            CDlgWrite *screen = MakeWritingScreenFor(m_mainWindow, left);
            if (!screen)
                continue; // its kind has no screen here: the entry stays for the next start
            connect(screen, &QObject::destroyed, this, &LeftEssayQueue::OpenNext, Qt::QueuedConnection);
            SendWindowMessage(m_mainWindow, kMsgWriteFree, reinterpret_cast<intptr_t>(screen));
            return;
        }
        deleteLater();
    }

private:
    QPointer<QWidget> m_mainWindow;
    std::deque<LeftJournalEntry> m_waiting;
};

} // namespace

// Earlier versions kept a left essay under the user's number (the profile's "ID", then also the
// sign-in's); those entries are still the user's. A reopened one is written under the account.
std::string FormerJournalOwner()
{
    const std::string &number = UserInfo.ID;
    const bool digitsOnly = !number.empty() && number.size() <= 18 &&
                            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digitsOnly && number != SignedInAccount() ? number : std::string();
}

void OfferLeftEssaysAfterSignIn(QWidget *mainWindow)
{
    const std::string user = SignedInAccount();
    const std::string formerOwner = FormerJournalOwner();
    QTimer::singleShot(0, mainWindow, [mainWindow, user, formerOwner] {
        // A window closed before its turn came (switch account at once) offers nothing: the
        // essays are its user's, and the next pupil may be signed in by now.
        if (!mainWindow->isVisible() || SignedInAccount() != user)
            return;
        const EssayJournal journal(EssayJournal::DefaultFolder());
        if (journal.Folder().empty())
            return;
        auto *queue = new LeftEssayQueue(mainWindow);
        const auto addToQueue = [queue](const LeftJournalEntry &left) { queue->Add(left); };
        OfferLeftEssays(mainWindow, journal, user, addToQueue);
        if (!formerOwner.empty())
            OfferLeftEssays(mainWindow, journal, formerOwner, addToQueue);
        queue->OpenNext();
    });
}
