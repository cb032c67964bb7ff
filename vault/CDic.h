#pragma once

#include "vault/TreeNode.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace kivrano {

// The document's word index over the words of folder names, item titles and item addresses,
// searched by prefix. Words are kept lower-cased; the same word may be indexed many times,
// each time as its own entry.
//
// The entries of a prefix come in the order of a depth-first walk of a character trie in
// which every inserted word has its own node: ascending byte order, and a word before the
// longer words that begin with it when it was inserted before all of them, after them
// otherwise (the trie's node for its text was made by a longer word). The index keeps the
// words in one array sorted in that order: it builds by sorting, a search is a binary
// search, and no trie is materialised.
class CDic {
public:
    struct Entry {
        std::string_view word;
        TreeNode node = kNoNode;
    };
    // Called for each entry in order; returns false to stop the walk.
    using Visit = std::function<bool(const Entry&)>;

    CDic() = default;
    ~CDic();
    CDic(const CDic&) = delete;
    CDic& operator=(const CDic&) = delete;
    CDic(CDic&& other) noexcept;
    CDic& operator=(CDic&& other) noexcept;

    // Inserts the word lower-cased (ASCII letters only, as the ANSI lower-casing of the
    // program's texts does for the separators and digits that matter here).
    void insert(std::string_view word, TreeNode node);

    // Splits text at the separators and inserts every word and every run that starts at a
    // word, each with node. The work is done when the index is next searched, in the order
    // the texts were given, so loading a vault does not wait for it.
    void indexText(std::string_view text, TreeNode node);

    // Drops every entry of node (a deleted node, or one whose texts are indexed again). The
    // entries given for it later are kept.
    void forget(TreeNode node);

    // The entries whose word begins with prefix (compared unchanged: callers pass it in lower
    // case). The empty prefix finds nothing.
    void forEachMatch(std::string_view prefix, const Visit& visit) const;
    bool contains(std::string_view prefix) const;
    // Every entry of the index, in the same order.
    void forEachEntry(const Visit& visit) const;

    void clear();

    // Separator set of indexText: the space and 31 punctuation characters.
    static constexpr std::string_view kSeparators = " !@#$%^&*()-_=+[{]}\\|;:',<.>/?`~";

private:
    // A word: a slice of the lowered texts. `head` marks a word that was inserted before any
    // other word it is a prefix of (including its equals): its trie node would hold the
    // subtree, so it is listed before the longer words; any other word is listed after them.
    // A forgotten word is skipped by every walk but keeps its place, so the order of the
    // others stays what it would have been.
    struct Word {
        std::uint32_t offset = 0;
        std::uint16_t length = 0;
        bool head = false;
        bool forgotten = false;
        TreeNode node = kNoNode;
    };
    struct Pending {
        std::uint32_t offset;
        std::uint32_t length;
        TreeNode node;
        bool split;
        bool forgotten;
    };

    void flush() const;
    void mergePending();
    std::string_view wordText(const Word& word) const;
    // The range of m_words whose word begins with prefix.
    std::pair<std::size_t, std::size_t> range(std::string_view prefix) const;
    std::uint32_t keep(std::string_view text);
    void release() noexcept;

    // The lowered texts; words point into it. Grown by copying, wiping the old block.
    std::unique_ptr<char[]> m_text;
    std::size_t m_textSize = 0;
    std::size_t m_textCapacity = 0;
    // All words, sorted in listing order.
    std::vector<Word> m_words;
    // Nodes forgotten since the last search; their words go at the next one.
    std::vector<TreeNode> m_forgotten;
    // Texts and words given since the last search, in order.
    std::vector<Pending> m_pending;
};

}  // namespace kivrano
