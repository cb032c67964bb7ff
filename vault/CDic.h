#pragma once

#include "vault/MessageSink.h"
#include "vault/TreeNode.h"

#include <cstdint>
#include <string>
#include <string_view>

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
        std::string text;
        TreeNode data = kNoNode;
        std::int32_t terminal = 0;
        std::int32_t length = 0;
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
    // word, each with node.
    void indexText(std::string_view text, TreeNode node);

    void clear();
    const Node& root() const noexcept { return m_root; }

    // Separator set of indexText: the space and 31 punctuation characters.
    static constexpr std::string_view kSeparators = " !@#$%^&*()-_=+[{]}\\|;:',<.>/?`~";

private:
    Node m_root;
    MessageSink* m_sink = nullptr;
};

}  // namespace kivrano
