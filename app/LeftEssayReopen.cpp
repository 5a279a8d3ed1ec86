// The offer of left essays and the queue of the screens chosen.
#include "LeftEssayReopen.h"

#include "DlgWrite.h"
#include "LeftEssayOffer.h"
#include "ServiceContext.h"
#include "WindowMessage.h"
#include "WritingScreenMakers.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>

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

void OfferLeftEssaysAfterSignIn(QWidget *mainWindow)
{
    const std::string user = SignedInAccount();
    QTimer::singleShot(0, mainWindow, [mainWindow, user] {
        const EssayJournal journal(EssayJournal::DefaultFolder());
        if (journal.Folder().empty())
            return;
        auto *queue = new LeftEssayQueue(mainWindow);
        OfferLeftEssays(mainWindow, journal, user, [queue](const LeftJournalEntry &left) { queue->Add(left); });
        queue->OpenNext();
    });
}
