#include "net/AddressText.h"

#include <gtest/gtest.h>

namespace kivrano {
namespace {

TEST(AddressText, PathSegmentKeepsOnlyWhatCannotChangeTheAddress) {
    const struct {
        std::string text;
        std::string encoded;
    } cases[] = {
        {"joe", "joe"},
        {"joe.bloggs+tag@example.org", "joe.bloggs+tag@example.org"},
        {"a/b?c#d", "a%2Fb%3Fc%23d"},
        {"50%", "50%25"},
        {"two words", "two%20words"},
        {"..", ".."},
        {"\xc3\xa9\r\n", "%C3%A9%0D%0A"},
        {"x=y_z;&", "x%3Dy_z%3B%26"},
    };
    for (const auto& c : cases) EXPECT_EQ(encodePathSegment(c.text), c.encoded) << c.text;
}

TEST(AddressText, FileUrlEncodesEachSegmentButKeepsTheSlashes) {
    EXPECT_EQ(fileUrl("/home/ann/Kivrano/upload.htm"), "file:///home/ann/Kivrano/upload.htm");
    EXPECT_EQ(fileUrl("/tmp/my \"data\" #1/upload.htm"),
              "file:///tmp/my%20%22data%22%20%231/upload.htm");
}

}  // namespace
}  // namespace kivrano
