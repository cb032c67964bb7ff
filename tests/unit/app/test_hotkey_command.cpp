#include "app/CommandLine.h"
#include "app/HotKeyCommand.h"
#include "platform/fake/FakeSingleInstance.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kivrano;
using platform::InstanceRequest;

namespace {

InstanceRequest hotKey(platform::HotKeyId id) {
    return {InstanceRequest::Kind::HotKey, id, {}};
}
InstanceRequest launchKey(std::uint16_t vk, std::uint16_t modifiers) {
    return {InstanceRequest::Kind::LaunchKey, 0, {vk, modifiers}};
}

}  // namespace

TEST(HotKeyCommandLine, NamesTheRequestOrGivesAUsageError) {
    const std::pair<QStringList, std::optional<InstanceRequest>> good[] = {
        {{"kivrano", "--hotkey", "0"}, hotKey(0)},
        {{"kivrano", "--hotkey=10"}, hotKey(10)},
        {{"kivrano", "--launch-key", "Ctrl+Shift+L"}, launchKey(0x4C, 3)},
        {{"kivrano", "--launch-key", "alt+f5"}, launchKey(0x74, 4)},
        {{"kivrano"}, std::nullopt},
    };
    for (const auto& [arguments, request] : good) {
        const CommandLine line = parseCommandLine(arguments);
        EXPECT_EQ(line.error, "") << arguments.join(' ').toStdString();
        EXPECT_EQ(line.request, request) << arguments.join(' ').toStdString();
    }
    const std::pair<QStringList, const char*> bad[] = {
        {{"kivrano", "--hotkey", "11"}, "0 to 10"},
        {{"kivrano", "--hotkey", "-1"}, "0 to 10"},
        {{"kivrano", "--hotkey", "one"}, "\"one\""},
        {{"kivrano", "--hotkey"}, "hotkey"},  // the value is missing
        {{"kivrano", "--launch-key", "Ctrl+"}, "not a key combination"},
        {{"kivrano", "--launch-key", "Ctrl+Foo"}, "\"Ctrl+Foo\""},
        {{"kivrano", "--hotkey", "1", "--launch-key", "F5"}, "together"},
        {{"kivrano", "--hotkey", "1", "alice.kvr"}, "file"},
    };
    for (const auto& [arguments, says] : bad) {
        const CommandLine line = parseCommandLine(arguments);
        EXPECT_NE(line.error.find(says), std::string::npos)
            << arguments.join(' ').toStdString() << ": " << line.error;
        EXPECT_FALSE(line.request);
    }
    const std::string help = parseCommandLine({"kivrano"}).helpText;
    EXPECT_NE(help.find("--hotkey <N>"), std::string::npos);
    EXPECT_NE(help.find("--launch-key <COMBINATION>"), std::string::npos);
}

TEST(HotKeyCommand, ReachesTheRunningCopyOnlyAndSaysWhyNot) {
    auto desktop = std::make_shared<platform::FakeSingleInstance::Desktop>();
    platform::FakeSingleInstance running(desktop), later(desktop);

    const HotKeyCommandResult alone = forwardHotKeyCommand(later, hotKey(1));
    EXPECT_EQ(alone.status, 1);
    EXPECT_NE(alone.message.find("not running"), std::string::npos);
    EXPECT_FALSE(desktop->running);  // the command never starts a copy

    int cameForward = 0;
    ASSERT_TRUE(running.becomeRunningCopy([&] { ++cameForward; }));
    const HotKeyCommandResult starting = forwardHotKeyCommand(later, hotKey(1));
    EXPECT_EQ(starting.status, 1);
    EXPECT_NE(starting.message.find("starting"), std::string::npos);

    std::vector<InstanceRequest> received;
    std::string refusal;
    running.setRequestHandler([&](const InstanceRequest& r) {
        received.push_back(r);
        return refusal;
    });
    EXPECT_EQ(forwardHotKeyCommand(later, hotKey(1)).status, 0);
    EXPECT_EQ(forwardHotKeyCommand(later, launchKey(0x4C, 3)).status, 0);
    refusal = "the screen is locked;\nunlock first";  // a refusal travels as one line
    const HotKeyCommandResult refused = forwardHotKeyCommand(later, hotKey(0));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.message.find("the screen is locked; unlock first"), std::string::npos);
    EXPECT_EQ(received, (std::vector{hotKey(1), launchKey(0x4C, 3), hotKey(0)}));
    EXPECT_EQ(cameForward, 0);  // no window comes forward for a hotkey
}
