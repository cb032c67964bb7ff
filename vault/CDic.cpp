#include "vault/CDic.h"

#include "vault/Secure.h"

#include <cstddef>
#include <memory>
#include <utility>

namespace kivrano {

namespace {

using Node = CDic::Node;

// Every node stores its whole prefix, so a word of n bytes costs up to n nodes and n*n/2
// bytes of text, and indexing inserts every run that starts at a word. An address of a few
// megabytes in a file would make loading it take gigabytes and minutes. Words are therefore
// cut to their first 256 bytes (a cut word is a prefix of the real one, so every prefix
// search up to 256 bytes still finds exactly the same entries), and only the first 1024
// bytes of a text are split into words.
constexpr std::size_t kMaxWordLength = 256;
constexpr std::size_t kMaxIndexedText = 1024;

// Texts are UTF-8 bytes. Only ASCII letters are lowered: lowering bytes of 0x80 and up as a
// single-byte code page would rewrite UTF-8 lead and continuation bytes into other ones and
// garble every non-ASCII word in the index.
std::string lowerAscii(std::string_view word) {
    std::string lowered(word);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

// Whether child sits where q's sibling walk expects it, right after prev. The walks stop at
// the first link that does not hold instead of following it (a cycle would hang them, a
// foreign node would put words into the wrong place).
bool isLinkedChild(const Node* child, const Node* q, const Node* prev) {
    return child->parent == q && child->previous == prev &&
           child->text.size() == q->text.size() + 1;
}

std::unique_ptr<Node> makeNode(std::string_view text, Node* parent, bool terminal, TreeNode data) {
    auto node = std::make_unique<Node>();
    node->parent = parent;
    node->text.assign(text);
    node->length = static_cast<std::int32_t>(text.size());
    node->terminal = terminal ? 1 : 0;
    node->data = terminal ? data : kNoNode;
    return node;
}

// Links node into parent's children between prev and next (either may be null).
Node* linkBetween(Node* parent, Node* prev, Node* next, std::unique_ptr<Node> node) {
    Node* linked = node.release();
    linked->previous = prev;
    linked->next = next;
    if (prev)
        prev->next = linked;
    else
        parent->firstChild = linked;
    if (next) next->previous = linked;
    return linked;
}

// Frees a sibling list and everything below it without recursion: as long as the current
// node has children, rotate its first child up in front of it, so the walk only ever goes
// along next links. Each node is visited a bounded number of times.
void freeNodes(Node* node) noexcept {
    while (node) {
        if (Node* child = node->firstChild) {
            node->firstChild = child->next;
            child->next = node;
            node = child;
        } else {
            Node* next = node->next;
            secureWipe(node->text);  // words of titles and addresses are decrypted text
            delete node;
            node = next;
        }
    }
}

void adoptChildren(Node& root) noexcept {
    for (Node* child = root.firstChild; child; child = child->next) child->parent = &root;
}

}  // namespace

CDic::CDic(MessageSink* sink) : m_sink(sink) {}

CDic::~CDic() {
    clear();
}

CDic::CDic(CDic&& other) noexcept : m_sink(other.m_sink) {
    m_root.firstChild = std::exchange(other.m_root.firstChild, nullptr);
    adoptChildren(m_root);
}

CDic& CDic::operator=(CDic&& other) noexcept {
    if (this != &other) {
        clear();
        m_sink = other.m_sink;
        m_root.firstChild = std::exchange(other.m_root.firstChild, nullptr);
        adoptChildren(m_root);
    }
    return *this;
}

void CDic::clear() {
    freeNodes(std::exchange(m_root.firstChild, nullptr));
}

void CDic::insert(std::string_view word, TreeNode node) {
    // The root stands for the empty text; an empty word has no place below it.
    if (word.empty()) return;
    std::string w = lowerAscii(word.substr(0, kMaxWordLength));
    const std::string_view key = w;
    const std::size_t n = key.size();

    Node* q = &m_root;
    for (;;) {
        const std::size_t a = q->text.size();
        const bool wordEndsHere = n == a + 1;
        const std::string_view step = key.substr(0, a + 1);

        if (!q->firstChild) {
            Node* made = linkBetween(q, nullptr, nullptr, makeNode(step, q, wordEndsHere, node));
            if (wordEndsHere) break;
            q = made;
            continue;
        }

        // Walk the children in order. A longer word descends into the first child it
        // extends; otherwise the new node goes before the first greater child, or last. An
        // equal word therefore goes after the equal siblings already there.
        Node* prev = nullptr;
        Node* child = q->firstChild;
        Node* extended = nullptr;
        bool broken = false;
        for (; child; prev = child, child = child->next) {
            if (!isLinkedChild(child, q, prev)) {
                broken = true;
                break;
            }
            if (!wordEndsHere && key.starts_with(child->text)) {
                extended = child;
                break;
            }
            if (std::string_view(child->text) > key) break;
        }

        if (broken) {
            // Only a damaged sibling list gets here; nothing has been created yet for this
            // word, so dropping it leaves the index as it was.
            if (m_sink) {
                m_sink->message(wordEndsHere ? "CDic::InsertAfter(), Something is wrong."
                                             : "CDic::InsertAfter(), Something is wrong(2).");
                m_sink->message("CDic::InsertAfter(), Something is wrong(3).");
            }
            break;
        }
        if (extended) {
            q = extended;
            continue;
        }
        Node* made = linkBetween(q, prev, child, makeNode(step, q, wordEndsHere, node));
        if (wordEndsHere) break;
        q = made;
    }
    secureWipe(w);
}

const CDic::Node* CDic::find(std::string_view prefix) const {
    // The empty prefix finds nothing: the root stands for no entry, and a search field that
    // has been emptied should list nothing rather than the whole index. root() gives the
    // whole index to those who want it.
    const Node* q = &m_root;
    while (q) {
        const Node* next = nullptr;
        const Node* prev = nullptr;
        for (const Node* child = q->firstChild; child; prev = child, child = child->next) {
            if (!isLinkedChild(child, q, prev)) return nullptr;
            if (child->text == prefix) return child;
            if (prefix.starts_with(child->text)) {
                next = child;
                break;
            }
            if (prefix < std::string_view(child->text)) return nullptr;
        }
        q = next;
    }
    return nullptr;
}

void CDic::indexText(std::string_view text, TreeNode node) {
    std::string_view rest = text.substr(0, kMaxIndexedText);
    for (;;) {
        const std::size_t p = rest.find_first_of(kSeparators);
        if (p == std::string_view::npos) {
            if (!rest.empty()) insert(rest, node);
            return;
        }
        if (p > 0) {
            insert(rest, node);
            insert(rest.substr(0, p), node);
        }
        rest.remove_prefix(p + 1);
    }
}

}  // namespace kivrano
