#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace kivrano;

TEST(CommandLine, OptionsFileAndErrors) {
    auto plain = parseCommandLine({"kivrano"});
    EXPECT_FALSE(plain.showHelp || plain.showVersion);
    EXPECT_TRUE(plain.file.empty());
    EXPECT_TRUE(plain.error.empty());

    EXPECT_TRUE(parseCommandLine({"kivrano", "--help"}).showHelp);
    EXPECT_TRUE(parseCommandLine({"kivrano", "-v"}).showVersion);
    EXPECT_EQ(parseCommandLine({"kivrano", "/tmp/alice.kvr"}).file, "/tmp/alice.kvr");

    auto unknown = parseCommandLine({"kivrano", "--frobnicate"});
    EXPECT_NE(unknown.error.find("frobnicate"), std::string::npos);
    EXPECT_FALSE(parseCommandLine({"kivrano", "a.kvr", "b.kvr"}).error.empty());
    EXPECT_NE(plain.helpText.find("KIVRANO_HOME"), std::string::npos);
}
