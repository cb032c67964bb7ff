#include "launch/HotKeyDispatch.h"

#include "platform/fake/MemoryClipboard.h"
#include "platform/fake/RecordingShell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kivrano;

namespace {

struct Scene {
    platform::MemoryClipboard clipboard;
    platform::RecordingShell shell;
    std::vector<std::string> calls;
    bool locked = false;
    bool inFront = false;

    HotKeyDispatch dispatch() {
        HotKeyDispatch::Hooks h;
        h.isLocked = [this] { return locked; };
        h.isShownInFront = [this] { return inFront; };
        h.hideToTray = [this] { calls.push_back("hide"); };
        h.restore = [this] { calls.push_back("restore"); };
        h.typeField = [this](int f) { calls.push_back("type " + std::to_string(f)); };
        h.autoTrackStep = [this] { calls.push_back("autotrack"); };
        h.recordSelected = [this] { calls.push_back("record"); };
        h.isItem = [](TreeNode n) { return n == 500; };
        h.launchItem = [this](TreeNode n) { calls.push_back("launch " + std::to_string(n)); };
        return HotKeyDispatch(clipboard, shell, h);
    }
};

}  // namespace

TEST(HotKeyDispatch, EachIdDoesItsOwnThing) {
    struct Case {
        platform::HotKeyId id;
        bool inFront;
        std::vector<std::string> calls;
    } cases[] = {
        {0, false, {"autotrack", "record", "type 0"}},
        {8, false, {"autotrack", "record", "type 8"}},
        {9, true, {"hide"}},
        {9, false, {"restore"}},
        {500, false, {"launch 500"}},
        {501, false, {}},  // a node that is no longer an item
    };
    for (const auto& c : cases) {
        Scene scene;
        scene.inFront = c.inFront;
        scene.dispatch().dispatch(c.id);
        EXPECT_EQ(scene.calls, c.calls) << c.id;
    }
}

TEST(HotKeyDispatch, LockedScreenIgnoresEveryKey) {
    Scene scene;
    scene.locked = true;
    auto d = scene.dispatch();
    for (platform::HotKeyId id : {0u, 9u, 10u, 500u}) d.dispatch(id);
    EXPECT_TRUE(scene.calls.empty());
    EXPECT_TRUE(scene.shell.calls().empty());
}

TEST(HotKeyDispatch, ClipboardAddressIsStrippedAndOpenedInTheBrowser) {
    Scene scene;
    scene.shell.setBuiltInBrowser("/usr/bin/firefox");
    scene.clipboard.setContent(" https://exa mple.com/\tpath\r\n");
    scene.dispatch().dispatch(10);
    ASSERT_EQ(scene.shell.calls().size(), 1u);
    EXPECT_EQ(scene.shell.calls()[0].target, "/usr/bin/firefox");
    EXPECT_EQ(scene.shell.calls()[0].parameters, "https://example.com/path");
    EXPECT_EQ(scene.calls, (std::vector<std::string>{"autotrack", "record"}));
    EXPECT_FALSE(scene.clipboard.isOpen());

    Scene busy;  // another program holds the clipboard: nothing happens
    busy.clipboard.setOpenable(false);
    busy.dispatch().dispatch(10);
    EXPECT_TRUE(busy.shell.calls().empty());
    EXPECT_TRUE(busy.calls.empty());
}
