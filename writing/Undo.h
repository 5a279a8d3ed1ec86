// Whole-document undo and redo by snapshots: the mix-in base CUndo and its snapshot record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// One complete copy of a document's state, kept in memory only. Its size follows the
// serialised form: three 32-bit integers, then every row followed by a CR LF line end. Rows are
// kept with their lengths, so any byte (a paragraph mark, a lone LF) comes back unchanged.
class UndoSnapshot
{
public:
    static constexpr std::size_t kGrowthStep = 4096;
    static constexpr std::size_t kHeaderSize = 3 * sizeof(std::int32_t);

    std::int32_t caretRow = 0;
    std::int32_t caretColumn = 0;
    std::int32_t scrollOffset = 0;

    void AppendRow(std::string_view row);
    std::size_t RowCount() const { return m_rowEnds.size(); }
    std::string_view Row(std::size_t index) const;
    // Size of the serialised form, the measure Redo uses to pair two halves of a character.
    std::size_t Size() const { return kHeaderSize + m_rowBytes.size(); }
    // Last byte of the last row, or -1 when the last row is empty or there is no row.
    int LastRowLastByte() const;

private:
    std::string m_rowBytes;               // each row, then CR LF
    std::vector<std::size_t> m_rowEnds;   // end of each row's own bytes in m_rowBytes
};

class CUndo
{
public:
    virtual ~CUndo() = default;

    // Records the current state; the view calls it after every edit.
    void CheckPoint();
    bool Undo();
    // Restores the most recently undone state; reports whether anything was restored.
    bool Redo();
    bool CanUndo() const { return m_undo.size() > 1; }
    bool CanRedo() const { return !m_redo.empty(); }

    // 0 means unlimited.
    void SetUndoLevels(std::int32_t levels) { m_levelLimit = levels; }
    std::int32_t UndoLevels() const { return m_levelLimit; }
    std::size_t UndoDepth() const { return m_undo.size(); }
    std::size_t RedoDepth() const { return m_redo.size(); }

protected:
    virtual void WriteState(UndoSnapshot &snapshot) const = 0;
    // Replaces the whole contents by the snapshot's; keeps the old contents if it fails.
    virtual void ReadState(const UndoSnapshot &snapshot) = 0;

private:
    void DropOldestBeyondLimit();
    bool RedoOnce();

    std::deque<UndoSnapshot> m_undo;  // newest at the back
    std::deque<UndoSnapshot> m_redo;  // most recently undone at the back
    std::int32_t m_levelLimit = 0;
    bool m_chainingRedo = false;
};
