#pragma once

#include "vault/MessageSink.h"
#include "vault/TreeNode.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivrano {

// The document's word index: a character trie over the words of folder names, item titles
// and item addresses, searched by prefix. Siblings are kept in ascending byte order of
// their text; a node at depth d has a text of exactly d characters. The same word may be
// inserted many times; every insertion gets its own terminal node.
class CDic {
public:
    struct Node {
        Node* next = nullptr;
        Node* previous = nullptr;
        Node* firstChild = nullptr;
        Node* parent = nullptr;
        // The first d bytes of a word kept by the index (nodes share the stored words instead of
        // each holding a copy of its prefix).
        std::string_view text;
        TreeNode data = kNoNode;
        std::int32_t terminal = 0;
        std::int32_t length = 0;
        // On the first of several siblings with the same text (one word indexed many times,
        // such as "https" or "com"): the last of them, so a walk steps over the whole run at
        // once instead of comparing every repeat. Null when the node has no equal sibling.
        Node* lastOfRun = nullptr;
    };

    explicit CDic(MessageSink* sink = nullptr);
    ~CDic();
    CDic(const CDic&) = delete;
    CDic& operator=(const CDic&) = delete;
    CDic(CDic&& other) noexcept;
    CDic& operator=(CDic&& other) noexcept;

    void setMessageSink(MessageSink* sink) noexcept { m_sink = sink; }

    // Inserts the word lower-cased (ASCII letters only, as the ANSI lower-casing of the
    // program's texts does for the separators and digits that matter here).
    void insert(std::string_view word, TreeNode node);

    // The node whose text equals prefix exactly (prefix is compared unchanged; callers pass
    // it in lower case), or null.
    const Node* find(std::string_view prefix) const;

    // Splits text at the separators and inserts every word and every run that starts at a
    // word, each with node. The work is done when the index is next searched or inserted
    // into, in the order the texts were given, so loading a vault does not wait for it.
    void indexText(std::string_view text, TreeNode node);

    void clear();
    const Node& root() const {
        flush();
        return m_root;
    }

    // Separator set of indexText: the space and 31 punctuation characters.
    static constexpr std::string_view kSeparators = " !@#$%^&*()-_=+[{]}\\|;:',<.>/?`~";

private:
    void flush() const;
    void insertNow(std::string_view word, TreeNode node);
    void indexNow(std::string_view text, TreeNode node);
    Node* newNode(std::string_view text, Node* parent, bool terminal, TreeNode data);
    std::string_view keep(std::string_view word);

    Node m_root;
    MessageSink* m_sink = nullptr;
    // Nodes and word bytes live in pools freed all at once: no allocation per node, and no
    // walk (let alone recursion) over the trie to free it.
    std::deque<Node> m_nodes;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    std::size_t m_chunkUsed = 0;
    // Texts given to indexText and not split yet.
    mutable std::vector<std::pair<std::string, TreeNode>> m_pending;
};

}  // namespace kivrano
