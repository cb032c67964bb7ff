#include "platform/kwin/KWinScriptText.h"
#include "platform/kwin/KWinWindowTable.h"

#include <gtest/gtest.h>

using kivrano::platform::WindowId;
using kivrano::platform::kwin::KWinWindowTable;

namespace {

// A report as our KWin script sends it; windows as {id, caption, owner, stacking}.
struct Listed {
    const char* id;
    const char* caption;
    const char* owner;
    int stacking;
    int pid = 100;
};

QString report(const char* active, std::initializer_list<Listed> windows) {
    QString text = QStringLiteral("{\"active\":\"%1\",\"windows\":[").arg(active);
    bool first = true;
    for (const Listed& w : windows) {
        if (!first) text += ',';
        first = false;
        text += QStringLiteral(
                    "{\"id\":\"%1\",\"caption\":\"%2\",\"class\":\"cls-%1\",\"owner\":\"%3\","
                    "\"pid\":%4,\"stacking\":%5}")
                    .arg(w.id, QString::fromUtf8(w.caption), w.owner)
                    .arg(w.pid)
                    .arg(w.stacking);
    }
    return text + "]}";
}

std::vector<std::string> captionsTopFirst(const KWinWindowTable& table) {
    std::vector<std::string> captions;
    for (const auto& w : table.windows()) captions.push_back(w.caption);
    return captions;
}

std::string captionOf(const KWinWindowTable& table, WindowId id) {
    const auto* w = table.find(id);
    return w ? w->caption : "<none>";
}

TEST(KWinWindowTable, ReportGivesOrderTitlesClassesAndTheWindowInFront) {
    KWinWindowTable table;
    ASSERT_TRUE(table.apply(report("{b}", {{"{a}", "Editor", "", 3},
                                           {"{b}", "Z\u00fcrich \u5bc6", "", 7},
                                           {"{c}", "Terminal", "", 5}})));
    EXPECT_EQ(captionsTopFirst(table),
              (std::vector<std::string>{"Z\u00fcrich \u5bc6", "Terminal", "Editor"}));
    EXPECT_EQ(captionOf(table, table.foreground()), "Z\u00fcrich \u5bc6");
    EXPECT_EQ(table.find(table.foreground())->className, "cls-{b}");

    ASSERT_TRUE(table.apply(report("", {{"{a}", "Editor", "", 3}})));
    EXPECT_EQ(table.foreground(), 0u);
}

TEST(KWinWindowTable, TheWindowInFrontIsFollowedUpItsOwners) {
    struct Case {
        const char* name;
        QString report;
        const char* expected;
    } cases[] = {
        {"dialog of a dialog",
         report("{d2}", {{"{main}", "Main", "", 1},
                         {"{d1}", "First", "{main}", 2},
                         {"{d2}", "Second", "{d1}", 3}}),
         "Main"},
        {"owner not in the report", report("{d}", {{"{d}", "Orphan", "{gone}", 1}}), "Orphan"},
        // Ends where the loop comes round, as on X11.
        {"owners in a loop", report("{x}", {{"{x}", "X", "{y}", 1}, {"{y}", "Y", "{x}", 2}}), "X"},
        {"its own owner", report("{s}", {{"{s}", "Self", "{s}", 1}}), "Self"},
    };
    for (const Case& c : cases) {
        KWinWindowTable table;
        ASSERT_TRUE(table.apply(c.report)) << c.name;
        EXPECT_EQ(captionOf(table, table.foreground()), c.expected) << c.name;
    }
}

TEST(KWinWindowTable, AnUnreadableReportChangesNothing) {
    KWinWindowTable table;
    EXPECT_FALSE(table.apply(QStringLiteral("{}")));
    EXPECT_FALSE(table.hasReport());
    ASSERT_TRUE(table.apply(report("{a}", {{"{a}", "Kept", "", 1}})));
    for (const char* bad :
         {"", "not json", "[1,2]", "{\"active\":\"{a}\"}", "{\"active\":1,\"windows\":[]}",
          "{\"active\":\"\",\"windows\":{}}", "{\"active\":\"\",\"windows\":[{\"id\":\"{a}\"}"}) {
        EXPECT_FALSE(table.apply(QString::fromUtf8(bad))) << bad;
        EXPECT_EQ(captionOf(table, table.foreground()), "Kept") << bad;
    }
}

TEST(KWinWindowTable, AWindowKeepsItsNumberAndAClosedOnesNumberIsNeverReused) {
    KWinWindowTable table;
    ASSERT_TRUE(table.apply(report("{a}", {{"{a}", "A", "", 1}, {"{b}", "B", "", 2}})));
    const WindowId a = table.foreground();
    const WindowId b = table.windows().front().id;
    ASSERT_NE(a, b);

    ASSERT_TRUE(table.apply(report("{b}", {{"{b}", "B renamed", "", 1}, {"{c}", "C", "", 2}})));
    EXPECT_EQ(table.foreground(), b);
    EXPECT_EQ(captionOf(table, b), "B renamed");
    EXPECT_EQ(table.find(a), nullptr);
    const WindowId c = table.windows().front().id;
    EXPECT_NE(c, a);
    EXPECT_NE(c, b);

    // A window that comes back under an old id after being gone is a new window to us.
    ASSERT_TRUE(table.apply(report("{a}", {{"{a}", "A again", "", 1}})));
    EXPECT_NE(table.foreground(), a);
}

TEST(KWinWindowTable, OurOwnWindowIsFoundByProcessAndTitle) {
    KWinWindowTable table;
    ASSERT_TRUE(table.apply(report("", {{"{lock}", "Screen Lock", "", 4, 42},
                                        {"{dlg}", "Properties", "{main}", 3, 42},
                                        {"{main}", "Kivrano <2>", "", 2, 42},
                                        {"{other}", "Kivrano", "", 1, 7}})));
    auto caption = [&](WindowId id) { return captionOf(table, id); };
    EXPECT_EQ(caption(table.windowOfProcess(42, "Kivrano")), "Kivrano <2>");
    EXPECT_EQ(caption(table.windowOfProcess(7, "Kivrano")), "Kivrano");
    // A title KWin does not show: the process's first window without an owner.
    EXPECT_EQ(caption(table.windowOfProcess(42, "Renamed")), "Screen Lock");
    EXPECT_EQ(table.windowOfProcess(99, "Kivrano"), 0u);
}

TEST(KWinScriptText, AddressesAndIdsAreQuotedAsJavaScriptStrings) {
    using namespace kivrano::platform::kwin;
    const QString script = windowReportScript(
        {QStringLiteral(":1.42"), QStringLiteral("/a\"b\\c"), QStringLiteral("org.x\nY")});
    EXPECT_TRUE(script.contains(
        QStringLiteral(R"(var service = ":1.42", path = "/a\"b\\c", iface = "org.x\nY";)")))
        << script.toStdString();
    EXPECT_TRUE(script.contains(QStringLiteral("callDBus(service, path, iface, \"Report\"")));

    const QString activation = activationScript(QStringLiteral("{1\"}"));
    EXPECT_TRUE(activation.contains(QStringLiteral(R"(var target = "{1\"}";)")))
        << activation.toStdString();
}

}  // namespace
