#include "platform/qt/VaultText.h"

#include <gtest/gtest.h>

namespace kivrano::platform {
namespace {

TEST(VaultText, Utf8IsReadAsUtf8AndEverythingElseAsWindows1252) {
    struct Case {
        std::string bytes;
        QString shown;
    };
    const Case cases[] = {
        {"Z\xC3\xBCrich", QStringLiteral(u"Zürich")},
        {"Z\xFCrich", QStringLiteral(u"Zürich")},           // Latin-1 range
        {"\x80 \x9F \x8D", QStringLiteral(u"€ Ÿ \u008D")},  // the code page's own 0x80..0x9F
        {"\xE5\xAF\x86\xE7\xA0\x81", QStringLiteral(u"密码")},
        {"\xE5\xAF", QStringLiteral(u"å¯")},  // cut-off UTF-8 is not UTF-8
        {"", QString()},
    };
    for (const Case& c : cases) EXPECT_EQ(fromVaultText(c.bytes), c.shown) << c.bytes;
}

TEST(VaultText, ShownTextGoesBackAsUtf8) {
    EXPECT_EQ(toVaultText(QStringLiteral(u"ß€")), "\xC3\x9F\xE2\x82\xAC");
    EXPECT_EQ(toVaultText(fromVaultText("p\xC3\xA4ss")), "p\xC3\xA4ss");
}

}  // namespace
}  // namespace kivrano::platform
