#include "vault/CDic.h"

#include "vault/Secure.h"

#include <cstring>
#include <utility>

namespace kivrano {

namespace {

using Node = CDic::Node;

// Every node stands for a whole prefix, so a word of n bytes costs up to n nodes, and
// indexing inserts every run that starts at a word. An address of a few megabytes in a
// file would make loading it take gigabytes and minutes. Words are therefore cut to their
// first 256 bytes (a cut word is a prefix of the real one, so every prefix search up to 256
// bytes still finds exactly the same entries), and only the first 1024 bytes of a text are
// split into words.
constexpr std::size_t kMaxWordLength = 256;
constexpr std::size_t kMaxIndexedText = 1024;
constexpr std::size_t kChunkSize = 64 * 1024;

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

// Siblings share their parent's text and differ only in their last byte, so that byte
// alone orders them.
unsigned char lastByte(const Node* child, std::size_t a) {
    return static_cast<unsigned char>(child->text[a]);
}

// Links node into parent's children between prev and next (either may be null).
void linkBetween(Node* parent, Node* prev, Node* next, Node* node) {
    node->previous = prev;
    node->next = next;
    if (prev)
        prev->next = node;
    else
        parent->firstChild = node;
    if (next) next->previous = node;
}

void adoptChildren(Node& root) noexcept {
    for (Node* child = root.firstChild; child; child = child->next) child->parent = &root;
}

}  // namespace

CDic::CDic(MessageSink* sink) : m_sink(sink) {}

CDic::~CDic() {
    clear();
}

CDic::CDic(CDic&& other) noexcept
    : m_sink(other.m_sink),
      m_nodes(std::move(other.m_nodes)),
      m_chunks(std::move(other.m_chunks)),
      m_chunkUsed(std::exchange(other.m_chunkUsed, 0)),
      m_pending(std::move(other.m_pending)) {
    m_root.firstChild = std::exchange(other.m_root.firstChild, nullptr);
    adoptChildren(m_root);
    other.m_nodes.clear();
    other.m_chunks.clear();
}

CDic& CDic::operator=(CDic&& other) noexcept {
    if (this != &other) {
        clear();
        m_sink = other.m_sink;
        m_nodes = std::move(other.m_nodes);
        m_chunks = std::move(other.m_chunks);
        m_chunkUsed = std::exchange(other.m_chunkUsed, 0);
        m_pending = std::move(other.m_pending);
        other.m_pending.clear();
        m_root.firstChild = std::exchange(other.m_root.firstChild, nullptr);
        adoptChildren(m_root);
        other.m_nodes.clear();
        other.m_chunks.clear();
    }
    return *this;
}

void CDic::clear() {
    for (auto& [text, node] : m_pending) secureWipe(text);
    m_pending.clear();
    m_root.firstChild = nullptr;
    m_nodes.clear();
    // The words are titles and addresses: decrypted text.
    for (std::size_t i = 0; i < m_chunks.size(); ++i)
        secureWipe(m_chunks[i].get(), i + 1 == m_chunks.size() ? m_chunkUsed : kChunkSize);
    m_chunks.clear();
    m_chunkUsed = 0;
}

std::string_view CDic::keep(std::string_view word) {
    if (m_chunks.empty() || kChunkSize - m_chunkUsed < word.size()) {
        m_chunks.push_back(std::make_unique<char[]>(kChunkSize));
        m_chunkUsed = 0;
    }
    char* place = m_chunks.back().get() + m_chunkUsed;
    std::memcpy(place, word.data(), word.size());
    m_chunkUsed += word.size();
    return {place, word.size()};
}

Node* CDic::newNode(std::string_view text, Node* parent, bool terminal, TreeNode data) {
    Node& node = m_nodes.emplace_back();
    node.parent = parent;
    node.text = text;
    node.length = static_cast<std::int32_t>(text.size());
    node.terminal = terminal ? 1 : 0;
    node.data = terminal ? data : kNoNode;
    return &node;
}

void CDic::insert(std::string_view word, TreeNode node) {
    flush();
    insertNow(word, node);
}

void CDic::flush() const {
    if (m_pending.empty()) return;
    // Splitting is part of keeping the index; it changes what searches see only in time.
    auto pending = std::move(m_pending);
    m_pending.clear();
    auto* self = const_cast<CDic*>(this);
    for (auto& [text, node] : pending) {
        self->indexNow(text, node);
        secureWipe(text);
    }
}

void CDic::insertNow(std::string_view word, TreeNode node) {
    // The root stands for the empty text; an empty word has no place below it.
    if (word.empty()) return;
    std::string lowered = lowerAscii(word.substr(0, kMaxWordLength));
    std::string_view key = lowered;
    bool kept = false;
    const std::size_t n = key.size();

    Node* q = &m_root;
    for (;;) {
        const std::size_t a = q->text.size();
        const bool wordEndsHere = n == a + 1;
        const auto byte = static_cast<unsigned char>(key[a]);

        // Walk the children in order. A longer word descends into the first child it
        // extends; otherwise the new node goes before the first greater child, or last. An
        // equal word therefore goes after the equal siblings already there.
        Node* prev = nullptr;
        Node* child = q->firstChild;
        Node* extended = nullptr;
        Node* runFirst = nullptr;
        bool broken = false;
        for (; child; prev = child, child = child->next) {
            if (!isLinkedChild(child, q, prev)) {
                broken = true;
                break;
            }
            const unsigned char c = lastByte(child, a);
            if (!wordEndsHere && c == byte) {
                extended = child;
                break;
            }
            if (c > byte) break;
            if (child->lastOfRun) {
                runFirst = child;
                child = child->lastOfRun;  // its siblings up to here all hold the same text
            }
        }

        if (broken) {
            // Only a damaged sibling list gets here; nothing has been linked yet for this
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
        if (!kept) {
            key = keep(key);
            kept = true;
        }
        Node* made = newNode(key.substr(0, a + 1), q, wordEndsHere, node);
        linkBetween(q, prev, child, made);
        if (prev && prev->text == made->text) {
            Node* first = (runFirst && runFirst->text == made->text) ? runFirst : prev;
            first->lastOfRun = made;
        }
        if (wordEndsHere) break;
        q = made;
    }
    secureWipe(lowered);
}

const CDic::Node* CDic::find(std::string_view prefix) const {
    flush();
    // The empty prefix finds nothing: the root stands for no entry, and a search field that
    // has been emptied should list nothing rather than the whole index. root() gives the
    // whole index to those who want it.
    const Node* q = &m_root;
    while (q) {
        const std::size_t a = q->text.size();
        if (prefix.size() <= a) return nullptr;
        const auto byte = static_cast<unsigned char>(prefix[a]);
        const Node* next = nullptr;
        const Node* prev = nullptr;
        for (const Node* child = q->firstChild; child; prev = child, child = child->next) {
            if (!isLinkedChild(child, q, prev)) return nullptr;
            const unsigned char c = lastByte(child, a);
            if (c == byte) {
                if (prefix.size() == a + 1) return child;
                next = child;
                break;
            }
            if (byte < c) return nullptr;
            if (child->lastOfRun) child = child->lastOfRun;
        }
        q = next;
    }
    return nullptr;
}

void CDic::indexText(std::string_view text, TreeNode node) {
    if (text.empty()) return;
    m_pending.emplace_back(std::string(text.substr(0, kMaxIndexedText)), node);
}

void CDic::indexNow(std::string_view text, TreeNode node) {
    std::string_view rest = text;
    for (;;) {
        const std::size_t p = rest.find_first_of(kSeparators);
        if (p == std::string_view::npos) {
            if (!rest.empty()) insertNow(rest, node);
            return;
        }
        if (p > 0) {
            insertNow(rest, node);
            insertNow(rest.substr(0, p), node);
        }
        rest.remove_prefix(p + 1);
    }
}

}  // namespace kivrano
