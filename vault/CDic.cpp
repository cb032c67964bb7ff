#include "vault/CDic.h"

#include "vault/Secure.h"
#include "vault/VaultText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <iterator>
#include <limits>
#include <utility>

namespace kivrano {

namespace {

// Every run that starts at a word is indexed, so a long text costs many long words. Words
// are cut to their first 256 bytes (a cut word is a prefix of the real one, so every prefix
// search up to 256 bytes still finds exactly the same entries), and only the first 1024
// bytes of a text are split into words: an address of a few megabytes costs no more than
// that.
constexpr std::size_t kMaxWordLength = 256;
constexpr std::size_t kMaxIndexedText = 1024;
constexpr std::size_t kMinTextBlock = 64 * 1024;
constexpr std::uint32_t kHole = std::numeric_limits<std::uint32_t>::max();

constexpr std::array<bool, 256> separatorTable() {
    std::array<bool, 256> table{};
    for (char c : CDic::kSeparators) table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kIsSeparator = separatorTable();

// Texts are UTF-8 bytes: only their ASCII letters are lowered.
void lowerAsciiInto(char* out, std::string_view in) {
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = asciiLower(in[i]);
}

int compareBytes(std::string_view a, std::string_view b, std::size_t n) {
    return n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
}

// The first eight bytes, big-endian, zero-padded: orders most words without reading them.
std::uint64_t leadingBytes(std::string_view word) {
    if constexpr (std::endian::native == std::endian::little) {
        if (word.size() >= 8) {
            std::uint64_t value;
            std::memcpy(&value, word.data(), 8);
            return __builtin_bswap64(value);
        }
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        value <<= 8;
        if (i < word.size()) value |= static_cast<unsigned char>(word[i]);
    }
    return value;
}

// Sorts words by their bytes, equal words by id, eight bytes at a time: the words are
// compared as numbers, and only those equal so far are read further.
struct SortKey {
    std::uint64_t bytes = 0;  // eight bytes from the current depth
    std::uint64_t rank = 0;   // bytes left there (at most 9: more follow), then the id
    std::uint32_t id = 0;
};

// Stable sort by bytes, then bytes left: sixteen bits a pass from the lowest, a pass skipped
// when every key has the same digit there. The ids were in order before, so they stay in order
// among equals.
void radixSort(SortKey* first, SortKey* last, std::vector<SortKey>& spare) {
    const auto n = static_cast<std::size_t>(last - first);
    spare.resize(std::max(spare.size(), n));
    std::vector<std::uint32_t> counts(1 << 16);
    SortKey* from = first;
    SortKey* to = spare.data();
    auto pass = [&](auto digitOf) {
        std::fill(counts.begin(), counts.end(), 0);
        for (std::size_t i = 0; i < n; ++i) ++counts[digitOf(from[i])];
        if (counts[digitOf(from[0])] == n) return;
        std::uint32_t sum = 0;
        for (std::uint32_t& c : counts) sum += std::exchange(c, sum);
        for (std::size_t i = 0; i < n; ++i) to[counts[digitOf(from[i])]++] = from[i];
        std::swap(from, to);
    };
    pass([](const SortKey& k) { return static_cast<std::size_t>(k.rank >> 32); });
    for (int shift = 0; shift < 64; shift += 16)
        pass([shift](const SortKey& k) {
            return static_cast<std::size_t>((k.bytes >> shift) & 0xFFFF);
        });
    if (from != first) std::copy(from, from + n, first);
}

template <class TextOf>
void sortWords(SortKey* first, SortKey* last, std::size_t depth, const TextOf& textOf,
               std::vector<SortKey>& spare) {
    for (SortKey* k = first; k != last; ++k) {
        const std::string_view text = textOf(k->id).substr(depth);
        k->bytes = leadingBytes(text);
        k->rank = (std::uint64_t{std::min<std::size_t>(text.size(), 9)} << 32) | k->id;
    }
    if (last - first >= 4096) {
        radixSort(first, last, spare);
    } else {
        std::sort(first, last, [](const SortKey& a, const SortKey& b) {
            return a.bytes != b.bytes ? a.bytes < b.bytes : a.rank < b.rank;
        });
    }
    constexpr std::uint64_t kLonger = std::uint64_t{9} << 32;
    for (SortKey* run = first; run != last;) {
        SortKey* end = run + 1;
        if (run->rank >= kLonger) {
            while (end != last && end->bytes == run->bytes && end->rank >= kLonger) ++end;
            if (end - run > 1) sortWords(run, end, depth + 8, textOf, spare);
        }
        run = end;
    }
}

}  // namespace

CDic::~CDic() {
    release();
}

CDic::CDic(CDic&& other) noexcept
    : m_text(std::move(other.m_text)),
      m_textSize(std::exchange(other.m_textSize, 0)),
      m_textCapacity(std::exchange(other.m_textCapacity, 0)),
      m_words(std::move(other.m_words)),
      m_forgotten(std::move(other.m_forgotten)),
      m_pending(std::move(other.m_pending)) {
    other.m_words.clear();
    other.m_forgotten.clear();
    other.m_pending.clear();
}

CDic& CDic::operator=(CDic&& other) noexcept {
    if (this != &other) {
        release();
        m_text = std::move(other.m_text);
        m_textSize = std::exchange(other.m_textSize, 0);
        m_textCapacity = std::exchange(other.m_textCapacity, 0);
        m_words = std::move(other.m_words);
        m_forgotten = std::move(other.m_forgotten);
        m_pending = std::move(other.m_pending);
        other.m_words.clear();
        other.m_forgotten.clear();
        other.m_pending.clear();
    }
    return *this;
}

void CDic::release() noexcept {
    // The words are titles and addresses: decrypted text.
    if (m_text) secureWipe(m_text.get(), m_textSize);
    m_text.reset();
    m_textSize = 0;
    m_textCapacity = 0;
    m_words.clear();
    m_forgotten.clear();
    m_pending.clear();
}

void CDic::clear() {
    release();
}

std::uint32_t CDic::keep(std::string_view text) {
    if (m_textCapacity - m_textSize < text.size()) {
        const std::size_t capacity =
            std::max({m_textCapacity * 2, m_textSize + text.size(), kMinTextBlock});
        auto grown = std::make_unique<char[]>(capacity);
        if (m_text) {
            std::memcpy(grown.get(), m_text.get(), m_textSize);
            secureWipe(m_text.get(), m_textSize);
        }
        m_text = std::move(grown);
        m_textCapacity = capacity;
    }
    const auto offset = static_cast<std::uint32_t>(m_textSize);
    lowerAsciiInto(m_text.get() + m_textSize, text);
    m_textSize += text.size();
    return offset;
}

std::string_view CDic::wordText(const Word& word) const {
    return {m_text.get() + word.offset, word.length};
}

void CDic::insert(std::string_view word, TreeNode node) {
    // An empty word has no place: the empty prefix stands for no entry.
    if (word.empty()) return;
    word = word.substr(0, kMaxWordLength);
    m_pending.push_back({keep(word), static_cast<std::uint32_t>(word.size()), node, false, false});
}

void CDic::indexText(std::string_view text, TreeNode node) {
    if (text.empty()) return;
    text = text.substr(0, kMaxIndexedText);
    m_pending.push_back({keep(text), static_cast<std::uint32_t>(text.size()), node, true, false});
}

void CDic::forget(TreeNode node) {
    // Texts not split yet were given before this call: they go too.
    for (Pending& p : m_pending)
        if (p.node == node) p.forgotten = true;
    if (!m_words.empty()) m_forgotten.push_back(node);
}

std::pair<std::size_t, std::size_t> CDic::range(std::string_view prefix) const {
    // The listing order sorts a word that is a proper prefix of another before it when it is
    // a head, after it otherwise; the words that begin with prefix lie between.
    auto before = [&](const Word& w) {
        const std::string_view text = wordText(w);
        const int c = compareBytes(text, prefix, std::min(text.size(), prefix.size()));
        if (c != 0) return c < 0;
        return text.size() < prefix.size() && w.head;
    };
    auto within = [&](const Word& w) {
        const std::string_view text = wordText(w);
        const int c = compareBytes(text, prefix, std::min(text.size(), prefix.size()));
        if (c != 0) return c < 0;
        return text.size() >= prefix.size() || w.head;
    };
    const auto first = std::partition_point(m_words.begin(), m_words.end(), before);
    const auto last = std::partition_point(first, m_words.end(), within);
    return {static_cast<std::size_t>(first - m_words.begin()),
            static_cast<std::size_t>(last - m_words.begin())};
}

void CDic::forEachMatch(std::string_view prefix, const Visit& visit) const {
    if (prefix.empty() || prefix.size() > kMaxWordLength) return;
    flush();
    const auto [first, last] = range(prefix);
    for (std::size_t i = first; i < last; ++i)
        if (!m_words[i].forgotten && !visit({wordText(m_words[i]), m_words[i].node})) return;
}

bool CDic::contains(std::string_view prefix) const {
    bool found = false;
    forEachMatch(prefix, [&found](const Entry&) {
        found = true;
        return false;
    });
    return found;
}

void CDic::forEachEntry(const Visit& visit) const {
    flush();
    for (const Word& w : m_words)
        if (!w.forgotten && !visit({wordText(w), w.node})) return;
}

void CDic::flush() const {
    if (m_pending.empty() && m_forgotten.empty()) return;
    // Sorting in what was given is part of keeping the index; it changes what searches see
    // only in time.
    const_cast<CDic*>(this)->mergePending();
}

void CDic::mergePending() {
    if (!m_forgotten.empty()) {
        std::sort(m_forgotten.begin(), m_forgotten.end());
        for (Word& w : m_words)
            if (std::binary_search(m_forgotten.begin(), m_forgotten.end(), w.node))
                w.forgotten = true;
        m_forgotten.clear();
    }
    if (m_pending.empty()) return;

    // 1. The words of the new texts, in the order they were inserted.
    std::vector<Word> added;
    for (const Pending& p : m_pending) {
        auto add = [&](std::size_t start, std::size_t length) {
            Word w;
            w.offset = static_cast<std::uint32_t>(p.offset + start);
            w.length = static_cast<std::uint16_t>(std::min(length, kMaxWordLength));
            w.node = p.node;
            w.forgotten = p.forgotten;
            added.push_back(w);
        };
        if (!p.split) {
            add(0, p.length);
            continue;
        }
        // Every word before a separator, and every run from a word's start to the text's end.
        const char* text = m_text.get() + p.offset;
        std::size_t start = 0;
        while (start < p.length) {
            std::size_t end = start;
            while (end < p.length && !kIsSeparator[static_cast<unsigned char>(text[end])]) ++end;
            if (end == p.length) {
                add(start, p.length - start);
                break;
            }
            if (end > start) {
                add(start, p.length - start);
                add(start, end - start);
            }
            start = end + 1;
        }
    }
    m_pending.clear();

    // 2. Byte order, equal words in insertion order.
    std::vector<SortKey> keys(added.size());
    for (std::size_t i = 0; i < added.size(); ++i) keys[i].id = static_cast<std::uint32_t>(i);
    std::vector<SortKey> spare;
    sortWords(
        keys.data(), keys.data() + keys.size(), 0,
        [&](std::uint32_t id) { return wordText(added[id]); }, spare);

    // 3. Listing order. A word of the same text as earlier ones, or a prefix of a longer word
    // inserted before it, is listed after the longer words that begin with it; the first word
    // of a text, inserted before every longer one, before them. Walk the sorted words keeping
    // the chain of texts that are prefixes of the current one: each text keeps a slot for its
    // head, and its other words follow when the walk leaves the text's longer words.
    struct Frame {
        std::string_view text;
        std::size_t slot;
        std::size_t begin;
        std::size_t end;
        std::uint32_t earliestLonger;
    };
    std::vector<std::uint32_t> order;
    order.reserve(added.size() * 2);
    std::vector<Frame> chain;
    const bool hadWords = !m_words.empty();
    auto close = [&] {
        const Frame f = chain.back();
        chain.pop_back();
        const std::uint32_t first = keys[f.begin].id;
        std::size_t from = f.begin;
        // Words already in the index were all inserted before these.
        bool head = first < f.earliestLonger;
        if (head && hadWords) {
            const auto [lo, hi] = range(f.text);
            head = lo == hi;
        }
        if (head) {
            added[first].head = true;
            order[f.slot] = first;
            ++from;
        }
        for (std::size_t i = from; i < f.end; ++i) order.push_back(keys[i].id);
        if (!chain.empty())
            chain.back().earliestLonger =
                std::min({chain.back().earliestLonger, first, f.earliestLonger});
    };
    for (std::size_t i = 0; i < keys.size();) {
        const std::string_view text = wordText(added[keys[i].id]);
        std::size_t j = i + 1;
        while (j < keys.size() && wordText(added[keys[j].id]) == text) ++j;
        while (!chain.empty() && !text.starts_with(chain.back().text)) close();
        chain.push_back({text, order.size(), i, j, kHole});
        order.push_back(kHole);
        i = j;
    }
    while (!chain.empty()) close();
    std::erase(order, kHole);

    // 4. Into the index: the merge keeps earlier words before later ones of the same rank.
    std::vector<Word> sorted;
    sorted.reserve(order.size());
    for (std::uint32_t id : order) sorted.push_back(added[id]);
    if (!hadWords) {
        m_words = std::move(sorted);
        return;
    }
    auto listedBefore = [this](const Word& a, const Word& b) {
        const std::string_view x = wordText(a);
        const std::string_view y = wordText(b);
        const int c = compareBytes(x, y, std::min(x.size(), y.size()));
        if (c != 0) return c < 0;
        if (x.size() == y.size()) return a.head && !b.head;
        return x.size() < y.size() ? a.head : !b.head;
    };
    std::vector<Word> merged;
    merged.reserve(m_words.size() + sorted.size());
    std::merge(m_words.begin(), m_words.end(), sorted.begin(), sorted.end(),
               std::back_inserter(merged), listedBefore);
    m_words = std::move(merged);
}

}  // namespace kivrano
