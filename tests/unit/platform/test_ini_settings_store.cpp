#include "platform/fake/TempProgramPaths.h"
#include "platform/qt/IniSettingsStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kivrano::platform {
namespace {

class IniSettingsStoreTest : public ::testing::Test {
protected:
    TempProgramPaths temp;
    std::filesystem::path file = temp.programDirectory() / "config" / "Quentaro" / "Kivrano.ini";
};

TEST_F(IniSettingsStoreTest, OpenWithoutCreatingNeedsTheFile) {
    IniSettingsStore store(file);
    EXPECT_EQ(store.open(SettingsStore::Open::Existing), nullptr);
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_NE(store.open(SettingsStore::Open::CreateIfMissing), nullptr);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_NE(store.open(SettingsStore::Open::Existing), nullptr);
}

TEST_F(IniSettingsStoreTest, ValuesSurviveInTheFileForTheNextStart) {
    {
        IniSettingsStore store(file);
        auto key = store.open(SettingsStore::Open::CreateIfMissing);
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(key->writeInt("X", -32000));
        EXPECT_TRUE(key->writeInt("DX", 280));
        EXPECT_TRUE(key->writeString("DefaultUser", "J\xC3\xBCrgen"));
        EXPECT_TRUE(key->writeString("NetworkAddress", "ftp://h\xF6st/p a=th"));  // not UTF-8
    }
    IniSettingsStore store(file);
    auto key = store.open(SettingsStore::Open::Existing);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->readInt("X"), -32000);
    EXPECT_EQ(key->readInt("DX"), 280);
    EXPECT_EQ(key->readString("DefaultUser"), "J\xC3\xBCrgen");
    EXPECT_EQ(key->readString("NetworkAddress"), "ftp://h\xF6st/p a=th");
    EXPECT_EQ(key->readInt("Y"), std::nullopt);
}

TEST_F(IniSettingsStoreTest, HandEditedValuesThatAreNoNumbersReadAsMissing) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "[General]\nX=12abc\nY=99999999999\nDX= 42\nDY=\n";
    IniSettingsStore store(file);
    auto key = store.open(SettingsStore::Open::Existing);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->readInt("X"), std::nullopt);
    EXPECT_EQ(key->readInt("Y"), std::nullopt);  // beyond 32 bits
    EXPECT_EQ(key->readInt("DX"), 42);
    EXPECT_EQ(key->readInt("DY"), std::nullopt);
}

TEST(IniSettingsStoreLocation, ConfigDirOverridesXdg) {
    setenv("KIVRANO_CONFIG_DIR", "/tmp/kivrano-cfg", 1);
    EXPECT_EQ(IniSettingsStore::defaultFile(), "/tmp/kivrano-cfg/Kivrano.ini");
    unsetenv("KIVRANO_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(IniSettingsStore::defaultFile(), "/tmp/xdg/Quentaro/Kivrano.ini");
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kivrano::platform
