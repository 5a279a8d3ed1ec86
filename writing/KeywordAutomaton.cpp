// Building the keyword automaton and deriving the marks of one pass from its matches.
#include "KeywordAutomaton.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "DoubleByte.h"
#include "KeywordPass.h"

namespace {

constexpr std::size_t kSymbolCount = 1u << 16;
constexpr std::int32_t kRoot = 0;
constexpr std::uint32_t kLinearSearchLimit = 8;
constexpr std::size_t kInsertionSortLimit = 24;

// Symbol of the character at index: the byte itself up to 0x80, or lead and second byte.
std::uint16_t SymbolAt(std::string_view text, std::size_t index)
{
    const auto lead = static_cast<unsigned char>(text[index]);
    if (!BeginsDoubleByte(lead))
        return lead;
    return static_cast<std::uint16_t>((lead << 8) | static_cast<unsigned char>(text[index + 1]));
}

bool EndsInLoneLeadByte(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size())
        i += BeginsDoubleByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i > text.size();
}

// Whether a proper prefix of the keyword is also its suffix, so that two matches can overlap.
bool HasBorder(std::string_view text)
{
    std::vector<std::uint32_t> border(text.size(), 0);
    for (std::size_t i = 1; i < text.size(); ++i) {
        std::uint32_t k = border[i - 1];
        while (k > 0 && text[i] != text[k])
            k = border[k - 1];
        border[i] = k + (text[i] == text[k] ? 1 : 0);
    }
    return !text.empty() && border.back() > 0;
}

// Big-endian first eight bytes: most comparisons of the build's sort end here.
std::uint64_t PrefixKey(std::string_view text)
{
    unsigned char bytes[8] = {};
    std::memcpy(bytes, text.data(), std::min<std::size_t>(8, text.size()));
    std::uint64_t key = 0;
    for (unsigned char byte : bytes)
        key = (key << 8) | byte;
    return key;
}

// Nodes of the trie of the sorted keywords: the root, and for each keyword the characters
// after the ones it shares with the keyword sorted before it. Counting first lets the node
// arrays be allocated once, at their final size.
std::size_t CountTrieNodes(const std::vector<KeywordEntry> &list, const std::vector<std::uint32_t> &sortedRanks)
{
    std::size_t count = 1;
    std::string_view previous;
    for (std::uint32_t rank : sortedRanks) {
        const std::string_view text = list[rank].text;
        std::size_t shared = 0;
        while (shared < text.size() && shared < previous.size()) {
            const std::size_t length = CharLengthAt(text, shared);
            if (length != CharLengthAt(previous, shared) || text.substr(shared, length) != previous.substr(shared, length))
                break;
            shared += length;
        }
        for (std::size_t i = shared; i < text.size(); i += CharLengthAt(text, i))
            ++count;
        previous = text;
    }
    return count;
}

} // namespace

std::size_t KeywordAutomaton::WideSlot(std::int32_t node, std::uint16_t symbol) const
{
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(node)) << 16) | symbol;
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> m_wideShift);
}

std::int32_t KeywordAutomaton::Child(std::int32_t node, std::uint16_t symbol) const
{
    if (node == kRoot)
        return m_rootChild[symbol];
    const Node &n = m_nodes[static_cast<std::size_t>(node)];
    if (n.childCount <= kLinearSearchLimit) {
        const std::uint16_t *first = m_symbol.data() + n.firstChild;
        for (std::uint32_t i = 0; i < n.childCount; ++i) {
            if (first[i] == symbol)
                return n.firstChild + static_cast<std::int32_t>(i);
        }
        return -1;
    }
    // Nodes with many children (a common first character) are met on almost every character
    // of Chinese text; their edges sit in one open-addressing table.
    const std::size_t mask = m_wideEdges.size() - 1;
    for (std::size_t slot = WideSlot(node, symbol);; slot = (slot + 1) & mask) {
        const WideEdge &edge = m_wideEdges[slot];
        if (edge.node == node && edge.symbol == symbol)
            return edge.child;
        if (edge.node < 0)
            return -1;
    }
}

void KeywordAutomaton::BuildWideEdges()
{
    std::size_t edges = 0;
    for (std::size_t node = 1; node < m_nodes.size(); ++node)
        edges += m_nodes[node].childCount > kLinearSearchLimit ? m_nodes[node].childCount : 0;
    std::size_t bits = 1;
    while ((std::size_t{1} << bits) < 2 * edges)
        ++bits;
    m_wideShift = 64 - static_cast<unsigned>(bits);
    m_wideEdges.assign(std::size_t{1} << bits, WideEdge{});
    const std::size_t mask = m_wideEdges.size() - 1;
    for (std::size_t node = 1; node < m_nodes.size(); ++node) {
        const Node &n = m_nodes[node];
        if (n.childCount <= kLinearSearchLimit)
            continue;
        for (std::uint32_t i = 0; i < n.childCount; ++i) {
            const auto child = static_cast<std::size_t>(n.firstChild) + i;
            std::size_t slot = WideSlot(static_cast<std::int32_t>(node), m_symbol[child]);
            while (m_wideEdges[slot].node >= 0)
                slot = (slot + 1) & mask;
            m_wideEdges[slot] = {static_cast<std::int32_t>(node), static_cast<std::int32_t>(child), m_symbol[child]};
        }
    }
}

std::int32_t KeywordAutomaton::Next(std::int32_t node, std::uint16_t symbol) const
{
    while (node != kRoot) {
        const std::int32_t child = Child(node, symbol);
        if (child >= 0)
            return child;
        node = m_nodes[static_cast<std::size_t>(node)].fail;
    }
    return std::max(m_rootChild[symbol], kRoot);
}

void KeywordAutomaton::Build(const std::vector<KeywordEntry> &list)
{
    m_nodes.clear();
    m_symbol.clear();
    m_loose.clear();
    m_ids.resize(list.size());
    std::vector<std::uint8_t> selfOverlap(list.size(), 0);
    std::vector<std::uint32_t> ranks;
    ranks.reserve(list.size());
    for (std::size_t rank = 0; rank < list.size(); ++rank) {
        const std::string &text = list[rank].text;
        m_ids[rank] = list[rank].id;
        if (text.empty())
            continue;
        selfOverlap[rank] = HasBorder(text) ? 1 : 0;
        if (EndsInLoneLeadByte(text))
            m_loose.push_back({static_cast<std::uint32_t>(rank), text});
        else
            ranks.push_back(static_cast<std::uint32_t>(rank));
    }
    BuildTrie(list, ranks);
    BuildWideEdges();
    BuildLinks();
    SkipChildlessFailTargets();
    for (Node &node : m_nodes)
        node.selfOverlap = node.rank >= 0 ? selfOverlap[static_cast<std::size_t>(node.rank)] : 0;
}

// Nodes are made breadth first from the keywords sorted by their bytes: the keywords below a
// node form one run of the sorted order, and a node's children are made together, so their
// ids are consecutive and their symbols ascending.
void KeywordAutomaton::BuildTrie(const std::vector<KeywordEntry> &list, std::vector<std::uint32_t> &ranks)
{
    struct SortKey
    {
        std::uint64_t prefix;
        std::uint32_t rank;
    };
    std::vector<SortKey> keys;
    keys.reserve(ranks.size());
    for (std::uint32_t rank : ranks)
        keys.push_back({PrefixKey(list[rank].text), rank});
    std::sort(keys.begin(), keys.end(), [&](const SortKey &a, const SortKey &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const int order = list[a.rank].text.compare(list[b.rank].text);
        return order != 0 ? order < 0 : a.rank < b.rank;
    });
    for (std::size_t i = 0; i < keys.size(); ++i)
        ranks[i] = keys[i].rank;
    std::vector<SortKey>().swap(keys);

    // Each node's run [lo, hi) in ranks, kept only while building.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    const std::size_t nodeCount = CountTrieNodes(list, ranks);
    m_nodes.reserve(nodeCount);
    m_symbol.reserve(nodeCount);
    runs.reserve(nodeCount);
    m_nodes.push_back(Node{});
    m_symbol.push_back(0);
    runs.emplace_back(0, static_cast<std::uint32_t>(ranks.size()));
    for (std::size_t node = 0; node < m_nodes.size(); ++node) {
        auto [lo, hi] = runs[node];
        const std::uint32_t depth = m_nodes[node].depth;
        // Keywords ending here sort first; the lowest list index among equal texts is first.
        if (lo < hi && list[ranks[lo]].text.size() == depth) {
            m_nodes[node].rank = static_cast<std::int32_t>(ranks[lo]);
            while (lo < hi && list[ranks[lo]].text.size() == depth)
                ++lo;
        }
        m_nodes[node].firstChild = static_cast<std::int32_t>(m_nodes.size());
        while (lo < hi) {
            const std::string_view text = list[ranks[lo]].text;
            const std::uint16_t symbol = SymbolAt(text, depth);
            std::uint32_t groupEnd = lo + 1;
            while (groupEnd < hi && SymbolAt(list[ranks[groupEnd]].text, depth) == symbol)
                ++groupEnd;
            Node child;
            child.depth = depth + (BeginsDoubleByte(static_cast<unsigned char>(text[depth])) ? 2 : 1);
            m_nodes.push_back(child);
            m_symbol.push_back(symbol);
            runs.emplace_back(lo, groupEnd);
            ++m_nodes[node].childCount;
            lo = groupEnd;
        }
    }

    m_rootChild.assign(kSymbolCount, -1);
    const Node &root = m_nodes[kRoot];
    for (std::uint32_t i = 0; i < root.childCount; ++i) {
        const auto child = static_cast<std::size_t>(root.firstChild) + i;
        m_rootChild[m_symbol[child]] = static_cast<std::int32_t>(child);
    }
}

// Breadth-first order is node order, so every fail target is settled before it is needed.
void KeywordAutomaton::BuildLinks()
{
    for (std::size_t node = 0; node < m_nodes.size(); ++node) {
        const Node parent = m_nodes[node];
        for (std::uint32_t i = 0; i < parent.childCount; ++i) {
            const auto child = static_cast<std::size_t>(parent.firstChild) + i;
            const std::int32_t fail = node == kRoot ? kRoot : Next(parent.fail, m_symbol[child]);
            const Node &target = m_nodes[static_cast<std::size_t>(fail)];
            m_nodes[child].fail = fail;
            m_nodes[child].dict = target.rank >= 0 ? fail : target.dict;
        }
    }
}

// A node without children can never take the next character, so a failing node may as well
// fall straight to the first node further down its fail chain that has children. Done once the
// output links are made, which need the plain chain.
void KeywordAutomaton::SkipChildlessFailTargets()
{
    for (std::size_t node = 1; node < m_nodes.size(); ++node) {
        const std::int32_t fail = m_nodes[node].fail;
        const Node &target = m_nodes[static_cast<std::size_t>(fail)];
        if (fail != kRoot && target.childCount == 0)
            m_nodes[node].fail = target.fail;  // already skips, being nearer the root
    }
}

std::size_t KeywordAutomaton::MemoryBytes() const
{
    std::size_t bytes = m_nodes.capacity() * sizeof(Node) + m_symbol.capacity() * sizeof(std::uint16_t)
                        + m_rootChild.capacity() * sizeof(std::int32_t) + m_ids.capacity() * sizeof(std::int32_t)
                        + m_wideEdges.capacity() * sizeof(WideEdge);
    for (const LooseKeyword &loose : m_loose)
        bytes += sizeof(LooseKeyword) + loose.text.capacity();
    return bytes;
}

void KeywordAutomaton::Mark(const std::vector<std::string> &rows, std::int32_t firstRow, KeywordMarks &marks) const
{
    const VisibleText visible = GatherVisibleText(rows, firstRow);
    marks.Reset(rows, visible.firstRow, visible.endRow);
    if (m_nodes.empty())
        return;
    m_candidates.clear();
    for (const ParagraphBuffer &buffer : visible.buffers) {
        CollectCandidates(visible.bytes, buffer.begin, buffer.end);
        if (!m_loose.empty())
            CollectLooseCandidates(visible.bytes, buffer.begin, buffer.end);
    }
    if (!m_loose.empty()) {
        std::stable_sort(m_candidates.begin(), m_candidates.end(), [](const Candidate &a, const Candidate &b) {
            return a.start + a.length < b.start + b.length;
        });
    }
    SettleCandidates(marks);
}

// One scan of a buffer, character by character. Matches come out in order of their ends, so
// each keyword's leftmost non-overlapping matches are kept by remembering where its last kept
// match ended; only keywords that can overlap themselves need that.
void KeywordAutomaton::CollectCandidates(const std::string &text, std::size_t begin, std::size_t end) const
{
    m_lastEnds.clear();
    std::int32_t state = kRoot;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (std::size_t i = begin; i < end;) {
        std::uint16_t symbol = bytes[i];
        if (!BeginsDoubleByte(bytes[i])) {
            ++i;
        } else if (i + 1 < end) {
            symbol = static_cast<std::uint16_t>((symbol << 8) | bytes[i + 1]);
            i += 2;
        } else {
            ++i;  // a lone lead byte ends the buffer: no keyword here goes through it
            state = kRoot;
            continue;
        }
        state = Next(state, symbol);
        const Node &here = m_nodes[static_cast<std::size_t>(state)];
        for (std::int32_t out = here.rank >= 0 ? state : here.dict; out >= 0;
             out = m_nodes[static_cast<std::size_t>(out)].dict) {
            const Node &found = m_nodes[static_cast<std::size_t>(out)];
            const auto rank = static_cast<std::uint32_t>(found.rank);
            const auto start = static_cast<std::uint32_t>(i - found.depth);
            if (found.selfOverlap) {
                auto last = std::find_if(m_lastEnds.begin(), m_lastEnds.end(),
                                         [rank](const auto &entry) { return entry.first == rank; });
                if (last != m_lastEnds.end() && start < last->second)
                    continue;
                if (last == m_lastEnds.end())
                    m_lastEnds.emplace_back(rank, static_cast<std::uint32_t>(i));
                else
                    last->second = static_cast<std::uint32_t>(i);
            }
            m_candidates.push_back({rank, start, found.depth});
        }
    }
}

void KeywordAutomaton::CollectLooseCandidates(const std::string &text, std::size_t begin, std::size_t end) const
{
    MarkCharacterStarts(text, begin, end, m_starts);
    const std::string_view buffer = std::string_view(text).substr(begin, end - begin);
    for (const LooseKeyword &loose : m_loose) {
        std::size_t from = 0;
        while (true) {
            std::size_t found = buffer.find(loose.text, from);
            while (found != std::string_view::npos && !m_starts[found])
                found = buffer.find(loose.text, found + 1);
            if (found == std::string_view::npos)
                break;
            m_candidates.push_back({loose.rank, static_cast<std::uint32_t>(begin + found),
                                    static_cast<std::uint32_t>(loose.text.size())});
            from = found + loose.text.size();
        }
    }
}

// Matches that overlap no other are kept at once. Overlapping matches form runs; within a run
// they are taken in list order, each kept only where nothing is marked yet. Matches arrive in
// order of their ends, so a new match joins every run it reaches back into.
void KeywordAutomaton::SettleCandidates(KeywordMarks &marks) const
{
    // A stack of runs, each its first candidate and its end; never deeper than the matches.
    m_runs.resize(m_candidates.size());
    std::size_t depth = 0;
    for (std::size_t k = 0; k < m_candidates.size(); ++k) {
        const Candidate &c = m_candidates[k];
        std::size_t begin = k;
        while (depth > 0 && c.start < m_runs[depth - 1].second)
            begin = m_runs[--depth].first;
        m_runs[depth++] = {begin, c.start + c.length};
    }
    for (std::size_t i = 0; i < depth; ++i) {
        const std::size_t begin = m_runs[i].first;
        const std::size_t end = i + 1 < depth ? m_runs[i + 1].first : m_candidates.size();
        if (end - begin == 1) {
            const Candidate &only = m_candidates[begin];
            marks.SetFreeSpan(only.start, only.length, m_ids[only.rank]);
        } else {
            AcceptInListOrder(begin, end, marks);
        }
    }
}

void KeywordAutomaton::AcceptInListOrder(std::size_t begin, std::size_t end, KeywordMarks &marks) const
{
    // Runs are short (the matches around one spot of text): sorted in place, by insertion
    // when small. Matches of one keyword never overlap, so only the list index matters.
    const auto first = m_candidates.begin() + static_cast<std::ptrdiff_t>(begin);
    const auto last = m_candidates.begin() + static_cast<std::ptrdiff_t>(end);
    const auto byRank = [](const Candidate &a, const Candidate &b) { return a.rank < b.rank; };
    if (end - begin <= kInsertionSortLimit) {
        for (auto i = first + 1; i != last; ++i) {
            const Candidate moving = *i;
            auto j = i;
            for (; j != first && byRank(moving, *(j - 1)); --j)
                *j = *(j - 1);
            *j = moving;
        }
    } else {
        std::sort(first, last, byRank);
    }
    // Runs cover separate bytes, so the first in list order always finds its bytes free.
    marks.SetFreeSpan(first->start, first->length, m_ids[first->rank]);
    for (auto c = first + 1; c != last; ++c) {
        if (!marks.AnyMarked(c->start, c->length))
            marks.SetFreeSpan(c->start, c->length, m_ids[c->rank]);
    }
}

std::uint64_t KeywordRecognizer::Fingerprint(const std::vector<KeywordEntry> &list)
{
    constexpr std::size_t kSamples = 64;
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](std::uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
    mix(list.size());
    const std::size_t step = std::max<std::size_t>(1, list.size() / kSamples);
    for (std::size_t i = 0; i < list.size(); i += step) {
        mix(static_cast<std::uint32_t>(list[i].id));
        for (unsigned char byte : list[i].text)
            mix(byte);
    }
    if (!list.empty()) {
        mix(static_cast<std::uint32_t>(list.back().id));
        for (unsigned char byte : list.back().text)
            mix(byte);
    }
    return hash;
}

const KeywordAutomaton &KeywordRecognizer::AutomatonFor(const std::vector<KeywordEntry> &list)
{
    const std::uint64_t fingerprint = Fingerprint(list);
    if (!m_built || m_data != list.data() || m_size != list.size() || m_fingerprint != fingerprint) {
        m_automaton.Build(list);
        m_built = true;
        m_data = list.data();
        m_size = list.size();
        m_fingerprint = fingerprint;
        ++m_buildCount;
    }
    return m_automaton;
}

KeywordRecognizer &ProcessKeywordRecognizer()
{
    static KeywordRecognizer recognizer;
    return recognizer;
}

void MarkDocumentKeywords(CWriteDoc &doc, std::int32_t firstRow)
{
    // A reload of the list always rebuilds, whatever the fingerprint would notice.
    static std::uint64_t builtGeneration = KeywordListGeneration;
    if (builtGeneration != KeywordListGeneration) {
        ProcessKeywordRecognizer().Invalidate();
        builtGeneration = KeywordListGeneration;
    }
    ProcessKeywordRecognizer().Mark(KeywordList, doc.Rows(), firstRow, doc.Marks());
}
