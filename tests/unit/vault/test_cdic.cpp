#include "vault/CDic.h"

#include "support/SampleVault.h"
#include "vault/VaultSettings.h"
#include "vault/VaultTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivrano {
namespace {

// The word index as a plain character trie, one node per prefix and one per inserted word,
// built and walked step by step: what the index's order must equal.
class ReferenceTrie {
public:
    void insert(std::string_view word, TreeNode data) {
        if (word.empty()) return;
        std::string w(word.substr(0, 256));
        for (char& c : w)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        Node* q = &m_root;
        for (;;) {
            const std::size_t a = q->text.size();
            auto& children = q->children;
            if (w.size() == a + 1) {
                auto at = std::find_if(children.begin(), children.end(),
                                       [&](const auto& c) { return c->text > w; });
                children.insert(at, std::make_unique<Node>(Node{w, true, data, false, {}}));
                return;
            }
            Node* next = nullptr;
            for (const auto& c : children) {
                if (std::string_view(w).starts_with(c->text)) {
                    next = c.get();
                    break;
                }
            }
            if (!next) {
                auto at = std::find_if(children.begin(), children.end(),
                                       [&](const auto& c) { return c->text > w; });
                at = children.insert(at, std::make_unique<Node>(
                                             Node{w.substr(0, a + 1), false, kNoNode, false, {}}));
                next = at->get();
            }
            q = next;
        }
    }

    void indexText(std::string_view text, TreeNode data) {
        std::string_view rest = text.substr(0, 1024);
        for (;;) {
            const std::size_t p = rest.find_first_of(CDic::kSeparators);
            if (p == std::string_view::npos) {
                if (!rest.empty()) insert(rest, data);
                return;
            }
            if (p > 0) {
                insert(rest, data);
                insert(rest.substr(0, p), data);
            }
            rest.remove_prefix(p + 1);
        }
    }

    void forget(TreeNode data) { forget(m_root, data); }

    // The lookup and listing of a prefix: the node found, its subtree depth first, then each
    // following sibling of the same text with its subtree.
    std::vector<TreeNode> list(std::string_view prefix) const {
        std::vector<TreeNode> found;
        if (prefix.empty()) return found;
        const Node* q = &m_root;
        for (;;) {
            const auto& children = q->children;
            std::size_t i = 0;
            const Node* next = nullptr;
            for (; i < children.size(); ++i) {
                const std::string& text = children[i]->text;
                if (text == prefix) {
                    for (; i < children.size() && children[i]->text == prefix; ++i)
                        walk(*children[i], found);
                    return found;
                }
                if (prefix.starts_with(text)) {
                    next = children[i].get();
                    break;
                }
                if (prefix < text) return found;
            }
            if (!next) return found;
            q = next;
        }
    }

    std::vector<TreeNode> all() const {
        std::vector<TreeNode> found;
        for (const auto& c : m_root.children) walk(*c, found);
        return found;
    }

private:
    struct Node {
        std::string text;
        bool terminal;
        TreeNode data;
        bool forgotten;
        std::vector<std::unique_ptr<Node>> children;
    };

    static void walk(const Node& n, std::vector<TreeNode>& out) {
        if (n.terminal && !n.forgotten) out.push_back(n.data);
        for (const auto& c : n.children) walk(*c, out);
    }
    static void forget(Node& n, TreeNode data) {
        if (n.terminal && n.data == data) n.forgotten = true;
        for (auto& c : n.children) forget(*c, data);
    }

    Node m_root{"", false, kNoNode, false, {}};
};

std::vector<CDic::Entry> matches(const CDic& dic, std::string_view prefix) {
    std::vector<CDic::Entry> found;
    dic.forEachMatch(prefix, [&found](const CDic::Entry& e) {
        found.push_back(e);
        return true;
    });
    return found;
}

std::vector<TreeNode> nodesFor(const CDic& dic, std::string_view prefix) {
    std::vector<TreeNode> nodes;
    for (const CDic::Entry& e : matches(dic, prefix)) nodes.push_back(e.node);
    return nodes;
}

std::vector<TreeNode> allNodes(const CDic& dic) {
    std::vector<TreeNode> nodes;
    dic.forEachEntry([&nodes](const CDic::Entry& e) {
        nodes.push_back(e.node);
        return true;
    });
    return nodes;
}

// The words that were inserted, sorted.
std::vector<std::string> insertedWords(const CDic& dic) {
    std::vector<std::string> words;
    dic.forEachEntry([&words](const CDic::Entry& e) {
        words.emplace_back(e.word);
        return true;
    });
    std::sort(words.begin(), words.end());
    return words;
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

// Where a word stands against the longer words that begin with it depends on which came
// first: a trie node made for the word itself holds the longer ones below it, a word
// inserted after them goes beside that node.
TEST(CDicOrder, AWordInsertedAgainComesAfterTheLongerWordsThatBeginWithIt) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string_view, TreeNode>> inserts;
        std::string_view prefix;
        std::vector<TreeNode> listed;
    };
    const Case cases[] = {
        {"longer first", {{"abc", 42}, {"ab", 43}}, "ab", {42, 43}},
        {"shorter first", {{"ab", 43}, {"abc", 42}}, "ab", {43, 42}},
        {"shorter, longer, shorter", {{"ab", 1}, {"abc", 2}, {"ab", 3}}, "ab", {1, 2, 3}},
        {"from one level up", {{"abc", 42}, {"ab", 43}, {"abd", 44}}, "a", {42, 44, 43}},
        {"siblings in byte order",
         {{"b", 11},
          {"\xC3\xA9t\xC3\xA9", 12},
          {"a", 13},
          {"~", 14},
          {"B", 15},
          {"0", 16},
          {"b", 17}},
         "b",
         {11, 15, 17}},
        {"deeper heads",
         {{"a", 1}, {"abc", 2}, {"ab", 3}, {"abcd", 4}, {"a", 5}},
         "a",
         {1, 2, 4, 3, 5}},
    };
    for (const Case& c : cases) {
        CDic dic;
        for (const auto& [word, node] : c.inserts) dic.insert(word, node);
        EXPECT_EQ(nodesFor(dic, c.prefix), c.listed) << c.name;
    }
    CDic dic;
    for (const auto& [word, node] : cases[4].inserts) dic.insert(word, node);
    EXPECT_EQ(allNodes(dic), (std::vector<TreeNode>{16, 13, 11, 15, 17, 14, 12}));
}

TEST(CDicInsert, LowerCasesAsciiLettersOnly) {
    CDic dic;
    dic.insert("MaIL-Box_Z", 11);
    dic.insert("\xC3\x84PFEL", 12);  // "ÄPFEL": the UTF-8 bytes stay as they are
    EXPECT_EQ(insertedWords(dic), (std::vector<std::string>{"mail-box_z", "\xC3\x84pfel"}));
    EXPECT_FALSE(dic.contains("MAIL"));  // the prefix is compared unchanged
    EXPECT_EQ(nodesFor(dic, "mail"), std::vector<TreeNode>{11});
    EXPECT_EQ(nodesFor(dic, "\xC3\x84p"), std::vector<TreeNode>{12});
}

TEST(CDicFind, ReachesTheEntriesOfEveryWordWithThePrefix) {
    CDic dic;
    dic.indexText("Mail Box", 11);
    dic.indexText("Mailing list", 12);
    dic.indexText("Bank", 13);

    EXPECT_EQ(nodesFor(dic, "ma"), (std::vector<TreeNode>{11, 12, 12, 11}));
    EXPECT_EQ(nodesFor(dic, "mail "), std::vector<TreeNode>{11});
    EXPECT_EQ(nodesFor(dic, "b"), (std::vector<TreeNode>{13, 11}));
    EXPECT_EQ(nodesFor(dic, "list"), std::vector<TreeNode>{12});
    EXPECT_EQ(matches(dic, "mailing").front().word, "mailing list");

    // Nothing for a missing word, a word continued past its end, a prefix differing only in
    // case, the empty prefix, or in an empty index.
    for (std::string_view missing : {"x", "mab", "mailx", "bank account", "Ma", "", "\xC3"}) {
        EXPECT_FALSE(dic.contains(missing)) << "prefix '" << missing << "'";
    }
    EXPECT_FALSE(CDic().contains("ma"));

    // The walk stops when told.
    int seen = 0;
    dic.forEachMatch("ma", [&seen](const CDic::Entry&) { return ++seen < 3; });
    EXPECT_EQ(seen, 3);
}

TEST(CDicLimits, LongWordsAreCutAt256BytesAndTextsIndexedUpTo1024) {
    CDic dic;
    const std::string a256(256, 'a');
    dic.insert(std::string(300, 'A'), 11);
    dic.insert(a256 + "b", 12);
    dic.insert(std::string(255, 'a') + "c", 13);

    ASSERT_EQ(matches(dic, a256).size(), 2u);
    EXPECT_EQ(matches(dic, a256).front().word, a256);
    EXPECT_FALSE(dic.contains(a256 + "a"));
    // Prefix searches up to 256 bytes find what the uncut words would give.
    EXPECT_EQ(nodesFor(dic, a256), (std::vector<TreeNode>{11, 12}));
    EXPECT_EQ(nodesFor(dic, std::string(255, 'a')), (std::vector<TreeNode>{11, 12, 13}));
    EXPECT_EQ(nodesFor(dic, "a"), (std::vector<TreeNode>{11, 12, 13}));

    // Only the first 1024 bytes of a text are split: "tail" lies beyond them, and "bcd" is
    // the piece the limit leaves of "bcdefg".
    CDic text;
    text.indexText(std::string(1020, 'x') + " bcdefg tail", 21);
    EXPECT_EQ(insertedWords(text),
              (std::vector<std::string>{"bcd", std::string(256, 'x'), std::string(256, 'x')}));
    EXPECT_FALSE(text.contains("bcde"));
    EXPECT_FALSE(text.contains("tail"));

    // A huge address costs no more than its first 256 bytes.
    CDic huge;
    huge.indexText(std::string(4'000'000, 'q'), 31);
    EXPECT_EQ(insertedWords(huge), std::vector<std::string>{std::string(256, 'q')});
}

TEST(CDicEdits, ForgottenNodesVanishAndTextsGivenAfterwardsAreFound) {
    CDic dic;
    dic.indexText("Mail Box", 11);
    dic.indexText("Mailer", 12);
    ASSERT_EQ(nodesFor(dic, "mail"), (std::vector<TreeNode>{11, 12, 11}));

    // Renamed: its old words go, its new ones come, the others stay in place.
    dic.forget(11);
    dic.indexText("Post Box", 11);
    EXPECT_EQ(nodesFor(dic, "mail"), std::vector<TreeNode>{12});
    EXPECT_EQ(nodesFor(dic, "box"), std::vector<TreeNode>{11});
    EXPECT_EQ(nodesFor(dic, "po"), (std::vector<TreeNode>{11, 11}));

    // Forgetting drops texts not yet split too, but not those given after it.
    dic.indexText("Mailbag", 13);
    dic.forget(13);
    dic.indexText("Bag", 13);
    EXPECT_FALSE(dic.contains("mailb"));
    EXPECT_EQ(nodesFor(dic, "bag"), std::vector<TreeNode>{13});
    dic.forget(12);
    EXPECT_FALSE(dic.contains("mail"));
    dic.forget(99);  // nothing of it
    EXPECT_EQ(allNodes(dic).size(), 4u);
}

// Many words over a small alphabet (shared prefixes, repeats, words that are prefixes of
// others, separators, upper case, UTF-8 bytes, long texts), indexed in batches with searches,
// forgotten nodes and texts indexed again in between: every prefix lists exactly what the
// plain trie lists, in the same order.
TEST(CDicOrder, ListsAsThePlainTrieOnAVariedVault) {
    std::mt19937 random(20240517);
    const std::string_view pieces[] = {"a", "b", "A",        "B", "ab", " ",
                                       "-", ".", "\xC3\xA9", "x", "/"};
    auto randomText = [&](std::size_t maxPieces) {
        std::string text;
        const std::size_t count = 1 + random() % maxPieces;
        for (std::size_t i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
        return text;
    };

    CDic dic;
    ReferenceTrie trie;
    auto index = [&](const std::string& text, TreeNode node) {
        dic.indexText(text, node);
        trie.indexText(text, node);
    };

    // A generated vault first, as a file load gives it.
    VaultTree tree;
    VaultSettings settings;
    testing::fillGeneratedVault(tree, settings, 8, 40);  // enough words for the radix sort
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        index(tree.text(f), f);
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
            index(tree.item(i)->title, i);
            index(tree.item(i)->address, i);
        }
    }
    index(std::string(300, 'a') + " " + std::string(900, 'b'), 5000);
    // Words that end at and beyond eight bytes, the unit the sort compares in.
    for (TreeNode n : {5001u, 5002u, 5003u})
        for (const char* text :
             {"abcdefgh", "abcdefgh ij", "abcdefghij", "abcdefg", "abcdefgh\x01"})
            index(text, n);

    std::vector<std::string> prefixes{"a",       "ab",    "b",       "accou",
                                      "account", "https", "https:/", "www.",
                                      "folder",  "x",     "\xC3",    std::string(256, 'a')};
    for (int round = 0; round < 40; ++round) {
        for (int t = 0; t < 25; ++t) {
            const auto node = static_cast<TreeNode>(1000 + random() % 60);
            if (random() % 8 == 0) {
                dic.forget(node);
                trie.forget(node);
            }
            const std::string text = randomText(12);
            index(text, node);
            if (prefixes.size() < 400) prefixes.push_back(text.substr(0, 1 + random() % 4));
            if (random() % 5 == 0) {
                // A word alone, not split.
                dic.insert(text, node);
                trie.insert(text, node);
            }
        }
        for (const std::string& prefix : prefixes) {
            std::string lowered = prefix;
            for (char& c : lowered)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            ASSERT_EQ(nodesFor(dic, lowered), trie.list(lowered))
                << "round " << round << ", prefix '" << lowered << "'";
        }
        ASSERT_EQ(allNodes(dic), trie.all()) << "round " << round;
    }
}

TEST(CDicLifetime, ClearDropsEverythingAndTheIndexCanBeFilledAgain) {
    CDic dic;
    // Many words sharing a few repeated pieces, as addresses do ("https", "www", "com").
    for (TreeNode i = 0; i < 20000; ++i)
        dic.indexText("https://www.site" + std::to_string(i % 500) + ".example.com/login", 11 + i);
    EXPECT_EQ(matches(dic, "https").size(), 40000u);

    dic.clear();
    EXPECT_TRUE(allNodes(dic).empty());
    EXPECT_FALSE(dic.contains("a"));
    dic.insert("abc", 13);
    EXPECT_EQ(nodesFor(dic, "ab"), std::vector<TreeNode>{13});
}

TEST(CDicLifetime, MovingHandsTheWordsOver) {
    CDic source;
    source.indexText("Mail Box", 11);
    source.insert("pending", 12);

    CDic moved(std::move(source));
    EXPECT_EQ(nodesFor(moved, "ma"), (std::vector<TreeNode>{11, 11}));
    EXPECT_EQ(nodesFor(moved, "pen"), std::vector<TreeNode>{12});
    EXPECT_TRUE(allNodes(source).empty());  // NOLINT(bugprone-use-after-move)

    CDic target;
    target.indexText("Bank", 13);
    target = std::move(moved);
    EXPECT_FALSE(target.contains("bank"));
    EXPECT_EQ(nodesFor(target, "b"), std::vector<TreeNode>{11});
    target.insert("zz", 14);
    EXPECT_EQ(nodesFor(target, "z"), std::vector<TreeNode>{14});

    source.insert("again", 15);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(nodesFor(source, "again"), std::vector<TreeNode>{15});
}

}  // namespace
}  // namespace kivrano
