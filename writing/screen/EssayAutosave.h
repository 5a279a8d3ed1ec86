// A writing screen's journal kept by the event loop: the screen calls OnEdit on every edit and a
// single-shot timer writes the entry when its writer says it is due (see JournalWriter.h for
// the order of calls around saving and going back).
#pragma once

#include "JournalWriter.h"

#include <QObject>
#include <QTimer>

class EssayAutosave : public QObject
{
    Q_OBJECT

public:
    EssayAutosave(const EssayJournal &journal, std::string entryId, std::function<JournalEntry()> snapshot,
                  QObject *parent = nullptr);

    void OnEdit();
    JournalWriter &Writer() { return m_writer; }
    bool IsTimerActive() const { return m_timer.isActive(); }

private:
    void Arm();
    void OnTimer();

    JournalWriter m_writer;
    QTimer m_timer;
};
