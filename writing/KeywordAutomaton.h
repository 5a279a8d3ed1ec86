// Keyword recognition with one automaton over whole double-byte characters, built per list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "KeywordMarks.h"
#include "Keywords.h"
#include "WriteDoc.h"

// An Aho-Corasick automaton whose symbols are characters (one byte up to 0x80, or a lead byte
// above 0x80 with its second byte), so a match can only start where a character starts. Its
// marks equal those of MarkKeywordsDirect: matches are gathered in one scan, each keyword's
// leftmost non-overlapping ones kept, and where matches overlap they are settled in list
// order. Children of a node are stored contiguously and searched by symbol; the root has a
// direct table. Mark() reuses scratch space, so one automaton serves one thread.
class KeywordAutomaton
{
public:
    void Build(const std::vector<KeywordEntry> &list);
    void Mark(const std::vector<std::string> &rows, std::int32_t firstRow, KeywordMarks &marks) const;

    std::size_t NodeCount() const { return m_nodes.size(); }
    std::size_t KeywordCount() const { return m_ids.size(); }
    // Matches the last Mark() weighed (each keyword's leftmost non-overlapping ones).
    std::size_t LastMatchCount() const { return m_candidates.size(); }
    // Bytes held by the built structure.
    std::size_t MemoryBytes() const;

private:
    struct Node
    {
        std::int32_t firstChild = -1;
        std::int32_t fail = 0;
        std::int32_t rank = -1;  // list index of the first keyword ending here, or -1
        std::int32_t dict = -1;  // nearest node on the fail chain where a keyword ends
        std::uint32_t depth = 0; // bytes from the root
        std::uint16_t childCount = 0;  // at most 0x80 + 0x7F * 0x100 symbols
        std::uint8_t selfOverlap = 0;  // the keyword ending here can overlap itself
    };
    struct Candidate
    {
        std::uint32_t rank;
        std::uint32_t start;
        std::uint32_t length;
    };
    // A keyword ending in a lone lead byte can match the first half of a character; the
    // automaton has no symbol for that, so such keywords are searched directly.
    struct LooseKeyword
    {
        std::uint32_t rank;
        std::string text;
    };

    struct WideEdge
    {
        std::int32_t node = -1;
        std::int32_t child = -1;
        std::uint16_t symbol = 0;
    };

    std::int32_t Child(std::int32_t node, std::uint16_t symbol) const;
    std::size_t WideSlot(std::int32_t node, std::uint16_t symbol) const;
    void BuildWideEdges();
    void SkipChildlessFailTargets();
    std::int32_t Next(std::int32_t node, std::uint16_t symbol) const;
    void BuildTrie(const std::vector<KeywordEntry> &list, std::vector<std::uint32_t> &ranks);
    void BuildLinks();
    void CollectCandidates(const std::string &text, std::size_t begin, std::size_t end) const;
    void CollectLooseCandidates(const std::string &text, std::size_t begin, std::size_t end) const;
    void SettleCandidates(KeywordMarks &marks) const;
    void AcceptInListOrder(std::size_t begin, std::size_t end, KeywordMarks &marks) const;

    std::vector<Node> m_nodes;
    std::vector<std::uint16_t> m_symbol;     // symbol on the edge into each node
    std::vector<std::int32_t> m_rootChild;   // symbol -> child of the root, or -1
    std::vector<WideEdge> m_wideEdges;       // edges of nodes with many children, hashed
    unsigned m_wideShift = 63;
    std::vector<std::int32_t> m_ids;         // keyword id by list index
    std::vector<LooseKeyword> m_loose;

    mutable std::vector<Candidate> m_candidates;
    mutable std::vector<std::pair<std::uint32_t, std::uint32_t>> m_lastEnds;  // rank, end
    mutable std::vector<std::uint8_t> m_starts;
    mutable std::vector<std::pair<std::size_t, std::uint32_t>> m_runs;  // first candidate, end
};

// The automaton of the process-wide list, rebuilt only when the list changes. The check is
// cheap: the list's storage, its size and a sample of its entries. A list edited in place
// without changing those needs Invalidate().
class KeywordRecognizer
{
public:
    const KeywordAutomaton &AutomatonFor(const std::vector<KeywordEntry> &list);
    void Mark(const std::vector<KeywordEntry> &list, const std::vector<std::string> &rows,
              std::int32_t firstRow, KeywordMarks &marks)
    {
        AutomatonFor(list).Mark(rows, firstRow, marks);
    }
    void Invalidate() { m_built = false; }
    int BuildCount() const { return m_buildCount; }

private:
    static std::uint64_t Fingerprint(const std::vector<KeywordEntry> &list);

    KeywordAutomaton m_automaton;
    bool m_built = false;
    const void *m_data = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_fingerprint = 0;
    int m_buildCount = 0;
};

// The recognizer of the process-wide KeywordList. MarkDocumentKeywords rebuilds it after every
// reload of the list (KeywordListGeneration); other changes to the list's size or sampled
// entries are noticed by the fingerprint.
KeywordRecognizer &ProcessKeywordRecognizer();

// The marking pass as the editor view runs it before each repaint: the process-wide
// KeywordList against the rows from firstRow on, into the document's marks. Interface thread
// only.
void MarkDocumentKeywords(CWriteDoc &doc, std::int32_t firstRow);
