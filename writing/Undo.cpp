// Snapshot store behind CheckPoint, Undo and Redo.
#include "Undo.h"

#include <utility>

void UndoSnapshot::AppendRow(std::string_view row)
{
    const std::size_t needed = m_rowBytes.size() + row.size() + 2;
    if (needed > m_rowBytes.capacity())
        m_rowBytes.reserve((needed + kGrowthStep - 1) / kGrowthStep * kGrowthStep);
    m_rowBytes.append(row);
    m_rowEnds.push_back(m_rowBytes.size());
    m_rowBytes.append("\r\n");
}

std::string_view UndoSnapshot::Row(std::size_t index) const
{
    const std::size_t begin = index == 0 ? 0 : m_rowEnds[index - 1] + 2;
    return std::string_view(m_rowBytes).substr(begin, m_rowEnds[index] - begin);
}

int UndoSnapshot::LastRowLastByte() const
{
    if (m_rowEnds.empty())
        return -1;
    const std::string_view last = Row(m_rowEnds.size() - 1);
    return last.empty() ? -1 : static_cast<unsigned char>(last.back());
}

void CUndo::CheckPoint()
{
    UndoSnapshot snapshot;
    WriteState(snapshot);
    DropOldestBeyondLimit();
    m_undo.push_back(std::move(snapshot));
    m_redo.clear();
}

bool CUndo::Undo()
{
    if (!CanUndo())
        return false;
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    ReadState(m_undo.back());
    return true;
}

bool CUndo::Redo()
{
    if (!RedoOnce())
        return false;
    // Two halves of one double-byte character typed as two steps are redone together.
    if (!m_redo.empty() && !m_chainingRedo) {
        const UndoSnapshot &first = m_undo.back();
        const UndoSnapshot &second = m_redo.back();
        if (second.Size() == first.Size() + 1 && first.LastRowLastByte() >= 0x80
            && second.LastRowLastByte() >= 0x80) {
            m_chainingRedo = true;
            RedoOnce();
        }
    }
    m_chainingRedo = false;
    return true;
}

bool CUndo::RedoOnce()
{
    if (m_redo.empty())
        return false;
    DropOldestBeyondLimit();
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    ReadState(m_undo.back());
    return true;
}

void CUndo::DropOldestBeyondLimit()
{
    if (m_levelLimit != 0 && !m_undo.empty()
        && static_cast<std::int64_t>(m_levelLimit) < static_cast<std::int64_t>(m_undo.size()))
        m_undo.pop_front();
}
