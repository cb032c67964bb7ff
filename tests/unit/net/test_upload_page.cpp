#include "net/UploadPage.h"

#include "platform/fake/RecordingShell.h"
#include "platform/fake/TempProgramPaths.h"
#include "support/ScriptedPrompter.h"
#include "vault/Strings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kivrano {
namespace {

using testing::ScriptedPrompter;

NetworkEndpoints endpoints() {
    NetworkEndpoints e;
    e.uploadEndpoint = "https://data.example.org/upload.php";
    e.securityFaqPage = "https://data.example.org/faq.html";
    return e;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(UploadPage, ThePageForAPlainPath) {
    EXPECT_EQ(
        UploadPage::html(endpoints(), "/home/ann/Kivrano/Profiles/ann.kvr"),
        "<HTML><HEAD></HEAD><BODY><FORM ACTION=\"https://data.example.org/upload.php\" "
        "METHOD=post ENCTYPE=\"multipart/form-data\"><b>Data file to upload:</b><br>Press the "
        "Browse button or copy-and-paste the below blue line into the edit box<br><br>Your "
        "current data file is at...<br><font color=darkblue>/home/ann/Kivrano/Profiles/ann.kvr"
        "</font><br><br><b><INPUT TYPE=file NAME=userfile><br><br> Server Access ID:</b><br>"
        "<INPUT TYPE=text NAME=accessid><br><br><b>Server Access Password:</b><br><INPUT "
        "TYPE=password NAME=password><br><br><INPUT TYPE=submit NAME=Submit VALUE=Upload></FORM>"
        "</BODY></HTML><br><a href=\"https://data.example.org/faq.html\">Why is it secure?</a>");
}

TEST(UploadPage, AHostilePathOrAddressCannotBreakOutOfThePage) {
    NetworkEndpoints e = endpoints();
    e.uploadEndpoint = "https://x.example/\"><script>alert(1)</script>";
    const std::string page =
        UploadPage::html(e, "/tmp/</font><script>alert('x')</script>&amp\"/ann.kvr");
    EXPECT_NE(page.find("<font color=darkblue>/tmp/&lt;/font&gt;&lt;script&gt;alert(&#39;x&#39;)"
                        "&lt;/script&gt;&amp;amp&quot;/ann.kvr</font>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("ACTION=\"https://x.example/&quot;&gt;&lt;script&gt;"), std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST(UploadPage, WithoutASecurityPageThereIsNoDeadLink) {
    NetworkEndpoints e = endpoints();
    e.securityFaqPage.clear();
    const std::string page = UploadPage::html(e, "/a.kvr");
    EXPECT_EQ(page.substr(page.size() - 7), "</HTML>");
}

class UploadCommandTest : public ::testing::Test {
protected:
    platform::TempProgramPaths paths;
    platform::RecordingShell shell;
    ScriptedPrompter prompter;

    UploadPage upload(NetworkEndpoints e = endpoints()) {
        return UploadPage(paths, shell, prompter, std::move(e), "/cfg/Kivrano.ini");
    }
};

TEST_F(UploadCommandTest, WritesThePageAnewAndOpensItInTheChosenBrowser) {
    const std::filesystem::path page = paths.programDirectory() / "upload.htm";
    std::ofstream(page) << "an older page that is longer than nothing";

    ASSERT_TRUE(upload().upload("/p/ann.kvr", UploadPage::Browser::Default));
    EXPECT_EQ(readFile(page), UploadPage::html(endpoints(), "/p/ann.kvr"));

    shell.setBuiltInBrowser("/usr/bin/firefox");
    ASSERT_TRUE(upload().upload("/p/bob.kvr", UploadPage::Browser::BuiltIn));
    EXPECT_EQ(readFile(page), UploadPage::html(endpoints(), "/p/bob.kvr"));

    const std::string pageUrl = "file://" + page.string();  // the temp folder needs no escaping
    EXPECT_EQ(shell.calls(), (std::vector<platform::RecordingShell::Call>{
                                 {page.string(), ""}, {"/usr/bin/firefox", pageUrl}}));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(UploadCommandTest, SaysWhatIsMissingInsteadOfOpeningAUselessPage) {
    NetworkEndpoints none;
    EXPECT_FALSE(upload(none).upload("/p/ann.kvr", UploadPage::Browser::Default));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find("UploadEndpoint="), std::string::npos);
    EXPECT_NE(prompter.messages[0].find("[Network]"), std::string::npos);
    EXPECT_NE(prompter.messages[0].find("/cfg/Kivrano.ini"), std::string::npos);

    shell.setBuiltInBrowser("");
    EXPECT_FALSE(upload().upload("/p/ann.kvr", UploadPage::Browser::BuiltIn));
    EXPECT_EQ(prompter.messages.back(), text(StringId::NoBuiltInBrowser));

    EXPECT_TRUE(shell.calls().empty());
    EXPECT_FALSE(std::filesystem::exists(paths.programDirectory() / "upload.htm"));
}

TEST_F(UploadCommandTest, ABrowserThatCannotBeStartedIsReported) {
    const std::string page = (paths.programDirectory() / "upload.htm").string();
    shell.setResult(page, platform::Shell::kNoAssociation);
    EXPECT_FALSE(upload().upload("/p/ann.kvr", UploadPage::Browser::Default));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find(page), std::string::npos);
}

}  // namespace
}  // namespace kivrano
