#include "vault/CDic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivrano {
namespace {

using Node = CDic::Node;

class RecordingSink : public MessageSink {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// Tree data of the terminal nodes in node's subtree, node included, sorted.
std::vector<TreeNode> terminalsUnder(const Node* node) {
    std::vector<TreeNode> found;
    if (!node) return found;
    if (node->terminal) found.push_back(node->data);
    std::vector<const Node*> pending;
    if (node->firstChild) pending.push_back(node->firstChild);
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        if (n->terminal) found.push_back(n->data);
        if (n->next) pending.push_back(n->next);
        if (n->firstChild) pending.push_back(n->firstChild);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// What a prefix search shows: the found node's subtree and that of every following sibling
// of the same text (a word stored several times sits in several siblings).
std::vector<TreeNode> entriesFor(const CDic& dic, std::string_view prefix) {
    std::vector<TreeNode> found;
    for (const Node* n = dic.find(prefix); n && n->text == prefix; n = n->next) {
        const auto under = terminalsUnder(n);
        found.insert(found.end(), under.begin(), under.end());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Texts of all terminal nodes, sorted: the words that were inserted.
std::vector<std::string> insertedWords(const CDic& dic) {
    std::vector<std::string> words;
    std::vector<const Node*> pending;
    if (dic.root().firstChild) pending.push_back(dic.root().firstChild);
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        if (n->terminal) words.emplace_back(n->text);
        if (n->next) pending.push_back(n->next);
        if (n->firstChild) pending.push_back(n->firstChild);
    }
    std::sort(words.begin(), words.end());
    return words;
}

std::vector<std::string> childTexts(const Node* node) {
    std::vector<std::string> texts;
    for (const Node* c = node->firstChild; c; c = c->next) texts.emplace_back(c->text);
    return texts;
}

// Checks every link, length, order and flag of the trie.
testing::AssertionResult isConsistent(const CDic& dic) {
    std::vector<const Node*> parents{&dic.root()};
    while (!parents.empty()) {
        const Node* q = parents.back();
        parents.pop_back();
        const Node* prev = nullptr;
        for (const Node* c = q->firstChild; c; prev = c, c = c->next) {
            const std::string where = "node '" + std::string(c->text) + "': ";
            if (c->parent != q) return testing::AssertionFailure() << where << "parent";
            if (c->previous != prev) return testing::AssertionFailure() << where << "previous";
            if (c->text.size() != q->text.size() + 1 ||
                c->length != static_cast<std::int32_t>(c->text.size()))
                return testing::AssertionFailure() << where << "length";
            if (!std::string_view(c->text).starts_with(q->text))
                return testing::AssertionFailure() << where << "not below its parent";
            if (prev && prev->text > c->text)
                return testing::AssertionFailure() << where << "out of order";
            if (prev && prev->text == c->text && c->firstChild)
                return testing::AssertionFailure() << where << "children under a later twin";
            if (c->terminal == 0 && (c->data != kNoNode || !c->firstChild))
                return testing::AssertionFailure() << where << "inner node with data or leaf";
            if (c->terminal == 1 && c->data == kNoNode)
                return testing::AssertionFailure() << where << "terminal without data";
            if (c->terminal != 0 && c->terminal != 1)
                return testing::AssertionFailure() << where << "terminal flag";
            parents.push_back(c);
        }
    }
    return testing::AssertionSuccess();
}

TEST(CDicIndexText, InsertsEveryWordAndEveryRunThatStartsAtAWord) {
    struct Case {
        std::string_view text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"Mail Box", {"box", "mail", "mail box"}},
        {"a-b", {"a", "a-b", "b"}},
        {"-ab", {"ab"}},
        {"a--b", {"a", "a--b", "b"}},
        {"", {}},
        {"---", {}},
        {"ab ", {"ab", "ab "}},
        {"x y z", {"x", "x y z", "y", "y z", "z"}},
        {"mail@example.com", {"com", "example", "example.com", "mail", "mail@example.com"}},
        {"say \"hi\"", {"\"hi\"", "say", "say \"hi\""}},  // the double quote is no separator
        {"v2.0", {"0", "v2", "v2.0"}},
    };
    for (const Case& c : cases) {
        CDic dic;
        dic.indexText(c.text, 11);
        EXPECT_EQ(insertedWords(dic), c.words) << "text '" << c.text << "'";
        EXPECT_TRUE(isConsistent(dic)) << "text '" << c.text << "'";
    }
}

TEST(CDicIndexText, SplitsAtEachOfTheThirtyTwoSeparators) {
    const std::string_view separators = " !@#$%^&*()-_=+[{]}\\|;:',<.>/?`~";
    ASSERT_EQ(separators.size(), 32u);
    for (char s : separators) {
        CDic dic;
        const std::string text = std::string("x") + s + "y";
        dic.indexText(text, 11);
        EXPECT_EQ(insertedWords(dic), (std::vector<std::string>{"x", text, "y"}))
            << "separator '" << s << "'";
    }
    for (std::string_view text : {"x\"y", "x0y", "x\xC3\xA9y", "x\ty"}) {
        CDic dic;
        dic.indexText(text, 11);
        EXPECT_EQ(insertedWords(dic), std::vector<std::string>{std::string(text)});
    }
}

TEST(CDicInsert, FirstWordCreatesInnerNodesOnTheWay) {
    CDic dic;
    dic.insert("abc", 42);

    const Node* a = dic.root().firstChild;
    ASSERT_NE(a, nullptr);
    const Node* ab = a->firstChild;
    ASSERT_NE(ab, nullptr);
    const Node* abc = ab->firstChild;
    ASSERT_NE(abc, nullptr);
    EXPECT_EQ(a->text, "a");
    EXPECT_EQ(ab->text, "ab");
    EXPECT_EQ(abc->text, "abc");
    EXPECT_EQ(a->terminal, 0);
    EXPECT_EQ(ab->terminal, 0);
    EXPECT_EQ(abc->terminal, 1);
    EXPECT_EQ(abc->data, 42u);
    EXPECT_EQ(abc->length, 3);
    EXPECT_EQ(abc->parent, ab);
    EXPECT_EQ(ab->parent, a);
    EXPECT_EQ(a->parent, &dic.root());
    EXPECT_EQ(abc->firstChild, nullptr);
    EXPECT_TRUE(isConsistent(dic));

    EXPECT_EQ(dic.find("ab"), ab);
    EXPECT_EQ(terminalsUnder(dic.find("ab")), std::vector<TreeNode>{42});
}

TEST(CDicInsert, ShorterWordGoesAfterTheInnerNodeOfTheSameText) {
    CDic dic;
    dic.insert("abc", 42);
    dic.insert("ab", 43);

    const Node* a = dic.find("a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(childTexts(a), (std::vector<std::string>{"ab", "ab"}));
    const Node* inner = a->firstChild;
    const Node* word = inner->next;
    EXPECT_EQ(inner->terminal, 0);
    EXPECT_EQ(word->terminal, 1);
    EXPECT_EQ(word->data, 43u);
    EXPECT_EQ(dic.find("ab"), inner);
    EXPECT_EQ(entriesFor(dic, "ab"), (std::vector<TreeNode>{42, 43}));

    // Longer words keep going below the first "ab".
    dic.insert("abd", 44);
    EXPECT_EQ(childTexts(inner), (std::vector<std::string>{"abc", "abd"}));
    EXPECT_EQ(word->firstChild, nullptr);
    EXPECT_TRUE(isConsistent(dic));
}

TEST(CDicInsert, SiblingsAreInByteOrderAndEqualWordsInInsertionOrder) {
    CDic dic;
    dic.insert("b", 11);
    dic.insert("\xC3\xA9t\xC3\xA9", 12);  // UTF-8 sorts after every ASCII letter
    dic.insert("a", 13);
    dic.insert("~", 14);
    dic.insert("B", 15);
    dic.insert("0", 16);
    dic.insert("b", 17);

    EXPECT_EQ(childTexts(&dic.root()),
              (std::vector<std::string>{"0", "a", "b", "b", "b", "~", "\xC3"}));
    std::vector<TreeNode> bs;
    for (const Node* n = dic.find("b"); n && n->text == "b"; n = n->next) bs.push_back(n->data);
    EXPECT_EQ(bs, (std::vector<TreeNode>{11, 15, 17}));
    EXPECT_TRUE(isConsistent(dic));
}

TEST(CDicInsert, LowerCasesAsciiLettersOnly) {
    CDic dic;
    dic.insert("MaIL-Box_Z", 11);
    dic.insert("\xC3\x84PFEL", 12);  // "ÄPFEL": the UTF-8 bytes stay as they are
    EXPECT_EQ(insertedWords(dic), (std::vector<std::string>{"mail-box_z", "\xC3\x84pfel"}));
    EXPECT_EQ(dic.find("MAIL"), nullptr);  // the prefix is compared unchanged
    EXPECT_EQ(entriesFor(dic, "mail"), std::vector<TreeNode>{11});
    EXPECT_EQ(entriesFor(dic, "\xC3\x84p"), std::vector<TreeNode>{12});
}

// Many short words over a small alphabet give many shared prefixes and repeated words; the
// trie must stay consistent and every prefix must reach exactly the words that start with it.
TEST(CDicInsert, RandomWordsKeepTheTrieConsistentAndFindable) {
    RecordingSink sink;
    CDic dic(&sink);
    std::mt19937 random(20240517);
    std::uniform_int_distribution<int> lengthOf(1, 5);
    std::uniform_int_distribution<int> letterOf(0, 3);
    const char letters[] = {'a', 'b', 'A', 'B'};
    std::vector<std::pair<std::string, TreeNode>> inserted;
    for (TreeNode data = 11; data < 1511; ++data) {
        std::string word;
        for (int i = lengthOf(random); i > 0; --i) word += letters[letterOf(random)];
        dic.insert(word, data);
        std::transform(word.begin(), word.end(), word.begin(), [](char c) {
            return c == 'A' ? 'a' : c == 'B' ? 'b' : c;
        });
        inserted.emplace_back(word, data);
    }
    ASSERT_TRUE(isConsistent(dic));
    EXPECT_TRUE(sink.messages.empty());

    std::vector<std::string> prefixes{"c", "abz", "aaaaaa", "ababab"};
    for (std::size_t length = 1; length <= 5; ++length) {
        for (std::size_t bits = 0; bits < (std::size_t{1} << length); ++bits) {
            std::string prefix;
            for (std::size_t i = 0; i < length; ++i) prefix += (bits >> i) & 1 ? 'b' : 'a';
            prefixes.push_back(prefix);
        }
    }
    for (const std::string& prefix : prefixes) {
        std::vector<TreeNode> expected;
        for (const auto& [word, data] : inserted) {
            if (std::string_view(word).starts_with(prefix)) expected.push_back(data);
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(entriesFor(dic, prefix), expected) << "prefix '" << prefix << "'";
        if (expected.empty()) {
            EXPECT_EQ(dic.find(prefix), nullptr) << "prefix '" << prefix << "'";
        }
    }
}

TEST(CDicFind, ReachesTheEntriesOfEveryWordWithThePrefix) {
    CDic dic;
    dic.indexText("Mail Box", 11);
    dic.indexText("Mailing list", 12);
    dic.indexText("Bank", 13);

    EXPECT_EQ(entriesFor(dic, "ma"), (std::vector<TreeNode>{11, 11, 12, 12}));
    EXPECT_EQ(entriesFor(dic, "mail "), std::vector<TreeNode>{11});
    EXPECT_EQ(entriesFor(dic, "b"), (std::vector<TreeNode>{11, 13}));
    EXPECT_EQ(entriesFor(dic, "list"), std::vector<TreeNode>{12});
    EXPECT_EQ(dic.find("mailing")->text, "mailing");

    // Nothing for a missing word, a word continued past its end, a prefix differing only in
    // case, the empty prefix, or in an empty index.
    for (std::string_view missing : {"x", "mab", "mailx", "bank account", "Ma", "", "\xC3"}) {
        EXPECT_EQ(dic.find(missing), nullptr) << "prefix '" << missing << "'";
    }
    EXPECT_EQ(CDic().find("ma"), nullptr);
}

// A consistent trie never breaks the sibling walk; a damaged one (memory corruption, a
// bug elsewhere) must not hang or be linked into further. Damage the children of "a".
TEST(CDicInsert, DamagedSiblingListIsReportedAndTheWordDropped) {
    struct Case {
        const char* name;
        void (*damage)(Node* ab, Node* ac);
    };
    const Case cases[] = {
        {"broken back link", [](Node*, Node* ac) { ac->previous = nullptr; }},
        {"foreign parent", [](Node* ab, Node* ac) { ac->parent = ab; }},
        {"cycle", [](Node* ab, Node* ac) { ac->next = ab; }},
        {"wrong depth", [](Node*, Node* ac) { ac->text = "acd"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        CDic dic(&sink);
        dic.insert("ab", 11);
        dic.insert("ac", 12);
        Node* a = dic.root().firstChild;
        Node* ab = a->firstChild;
        Node* ac = ab->next;
        const Node saved = *ac;
        c.damage(ab, ac);

        dic.indexText("ax zz", 13);
        (void)dic.root();  // indexing happens when the index is next used
        EXPECT_EQ(sink.messages, (std::vector<std::string>{
                                     "CDic::InsertAfter(), Something is wrong(2).",
                                     "CDic::InsertAfter(), Something is wrong(3).",
                                     "CDic::InsertAfter(), Something is wrong.",
                                     "CDic::InsertAfter(), Something is wrong(3).",
                                 }));
        EXPECT_EQ(childTexts(&dic.root()), (std::vector<std::string>{"a", "z"}));
        EXPECT_EQ(entriesFor(dic, "zz"), std::vector<TreeNode>{13});

        dic.setMessageSink(nullptr);
        dic.insert("ay", 14);
        EXPECT_EQ(sink.messages.size(), 4u);

        *ac = saved;
        EXPECT_EQ(childTexts(a), (std::vector<std::string>{"ab", "ac"}));
        EXPECT_TRUE(isConsistent(dic));
    }
}

TEST(CDicLimits, LongWordsAreCutAt256BytesAndTextsIndexedUpTo1024) {
    CDic dic;
    const std::string a256(256, 'a');
    dic.insert(std::string(300, 'A'), 11);
    dic.insert(a256 + "b", 12);
    dic.insert(std::string(255, 'a') + "c", 13);

    const Node* cut = dic.find(a256);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->terminal, 1);
    EXPECT_EQ(cut->data, 11u);
    EXPECT_EQ(cut->length, 256);
    EXPECT_EQ(dic.find(a256 + "a"), nullptr);
    // Prefix searches up to 256 bytes find what the uncut words would give.
    EXPECT_EQ(entriesFor(dic, a256), (std::vector<TreeNode>{11, 12}));
    EXPECT_EQ(entriesFor(dic, std::string(255, 'a')), (std::vector<TreeNode>{11, 12, 13}));
    EXPECT_EQ(entriesFor(dic, "a"), (std::vector<TreeNode>{11, 12, 13}));
    EXPECT_TRUE(isConsistent(dic));

    // Only the first 1024 bytes of a text are split: "tail" lies beyond them, and "bcd" is
    // the piece the limit leaves of "bcdefg".
    CDic text;
    text.indexText(std::string(1020, 'x') + " bcdefg tail", 21);
    EXPECT_EQ(insertedWords(text),
              (std::vector<std::string>{"bcd", std::string(256, 'x'), std::string(256, 'x')}));
    EXPECT_EQ(text.find("bcde"), nullptr);
    EXPECT_EQ(text.find("tail"), nullptr);

    // A huge address costs no more than its first 256 bytes.
    CDic huge;
    huge.indexText(std::string(4'000'000, 'q'), 31);
    EXPECT_EQ(insertedWords(huge), std::vector<std::string>{std::string(256, 'q')});
}

TEST(CDicLifetime, ClearDropsEverythingAndTheIndexCanBeFilledAgain) {
    CDic dic;
    // Many words sharing a few repeated pieces, as addresses do ("https", "www", "com").
    for (TreeNode i = 0; i < 20000; ++i)
        dic.indexText("https://www.site" + std::to_string(i % 500) + ".example.com/login", 11 + i);
    EXPECT_EQ(entriesFor(dic, "https").size(), 40000u);
    EXPECT_TRUE(isConsistent(dic));

    dic.clear();
    EXPECT_EQ(dic.root().firstChild, nullptr);
    EXPECT_EQ(dic.find("a"), nullptr);
    dic.insert("abc", 13);
    EXPECT_EQ(entriesFor(dic, "ab"), std::vector<TreeNode>{13});
    EXPECT_TRUE(isConsistent(dic));
}

TEST(CDicLifetime, MovingHandsTheWordsOverAndRepointsTheTopLevel) {
    RecordingSink sink;
    CDic source(&sink);
    source.indexText("Mail Box", 11);

    CDic moved(std::move(source));
    EXPECT_EQ(entriesFor(moved, "ma"), (std::vector<TreeNode>{11, 11}));
    EXPECT_TRUE(isConsistent(moved));
    EXPECT_EQ(source.root().firstChild, nullptr);  // NOLINT(bugprone-use-after-move)

    CDic target;
    target.indexText("Bank", 12);
    target = std::move(moved);
    EXPECT_TRUE(isConsistent(target));
    EXPECT_EQ(entriesFor(target, "bank"), std::vector<TreeNode>{});
    EXPECT_EQ(entriesFor(target, "b"), std::vector<TreeNode>{11});

    // Inserting at the top level walks the moved children; the sink moved along.
    target.insert("zz", 13);
    target.insert("c", 14);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(childTexts(&target.root()), (std::vector<std::string>{"b", "c", "m", "z"}));
    EXPECT_TRUE(isConsistent(target));

    source.insert("again", 15);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(entriesFor(source, "again"), std::vector<TreeNode>{15});
}

}  // namespace
}  // namespace kivrano
