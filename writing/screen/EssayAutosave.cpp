// The journal writer on a Qt timer.
#include "EssayAutosave.h"

#include <algorithm>
#include <chrono>

EssayAutosave::EssayAutosave(const EssayJournal &journal, std::string entryId, std::function<JournalEntry()> snapshot,
                             QObject *parent)
    : QObject(parent), m_writer(journal, std::move(entryId), std::move(snapshot))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EssayAutosave::OnTimer);
}

void EssayAutosave::OnEdit()
{
    m_writer.Touch(JournalWriter::Clock::now());
    Arm();
}

void EssayAutosave::Arm()
{
    const auto due = m_writer.NextDue();
    if (!due) {
        m_timer.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - JournalWriter::Clock::now());
    m_timer.start(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
}

void EssayAutosave::OnTimer()
{
    m_writer.FlushIfDue(JournalWriter::Clock::now());
    Arm();
}
