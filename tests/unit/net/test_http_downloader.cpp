#include "net/CHttpDownloader.h"

#include "LoopbackServer.h"
#include "platform/fake/CapturedDebugSink.h"

#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kivrano {
namespace {

namespace fs = std::filesystem;
using testing::LoopbackServer;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class HttpDownloaderTest : public ::testing::Test {
protected:
    HttpDownloaderTest() {
        fs::create_directories(served());
        fs::create_directories(profiles());
        // Both ways a data file begins: the older format, and "BF" of today's.
        writeFile(served() / "old.kvr",
                  readFile(fs::path(KIVRANO_FIXTURE_DIR) / "legacy-KVR2.04.kvr"));
        writeFile(served() / "vault.kvr",
                  readFile(fs::path(KIVRANO_FIXTURE_DIR) / "current-KVR2.04.kvr"));
        writeFile(served() / "my vault.kvr", "BF" + std::string(10, 'v'));
        writeFile(served() / "page.html", "<html><body>Not found</body></html>");
        writeFile(served() / "big.kvr", "BF" + std::string(options.maxBodyBytes, 'x'));
    }

    fs::path served() const { return work / "served"; }
    fs::path profiles() const { return work / "Profiles"; }
    fs::path target() const { return profiles() / "from_network.kvr"; }
    std::string servedFile(const std::string& name) const { return readFile(served() / name); }

    // The names in the profile folder, temporary files included.
    std::vector<std::string> leftInProfiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(profiles()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    DownloadOutcome download(const std::string& address, const ProgressReport& progress = {}) {
        CHttpDownloader downloader(options, &trace);
        return downloader.downloadToFile(address, target(), progress);
    }

    kivrano::testing::ScratchDirectory scratch{"kivrano-net"};
    fs::path work = scratch.path();
    CHttpDownloader::Options options = [] {
        CHttpDownloader::Options o;
        o.maxBodyBytes = 64 * 1024;
        o.stallTimeout = std::chrono::seconds(2);
        return o;
    }();
    platform::CapturedDebugSink trace;
};

TEST_F(HttpDownloaderTest, ACompleteDataFileBecomesTheProfileWhateverTheWayItArrives) {
    LoopbackServer server(served());
    const struct {
        std::string path;
        std::string file;
        bool lengthGiven;
    } cases[] = {
        {"/files/vault.kvr", "vault.kvr", true},
        {"/files/old.kvr", "old.kvr", true},
        {"/chunked/vault.kvr", "vault.kvr", false},  // no Content-Length, several chunks
        {"/chunked/old.kvr", "old.kvr", false},
        {"/hops/1/files/vault.kvr", "vault.kvr", true},
        {"/hops/5/chunked/old.kvr", "old.kvr", false},  // as many redirects as are followed
        {"/files/my vault.kvr", "my vault.kvr", true},  // a space as typed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        fs::remove(target());
        bool sawTotal = false;
        std::uint64_t lastReceived = 0;
        const DownloadOutcome outcome =
            download(server.address(c.path), [&](const DownloadProgress& p) {
                EXPECT_GE(p.received, lastReceived);
                lastReceived = p.received;
                if (p.total) {
                    sawTotal = true;
                    EXPECT_EQ(*p.total, servedFile(c.file).size());
                }
                return true;
            });
        ASSERT_TRUE(outcome.downloaded()) << outcome.reason;
        EXPECT_EQ(readFile(target()), servedFile(c.file));
        EXPECT_EQ(sawTotal, c.lengthGiven);
        EXPECT_EQ(leftInProfiles(), std::vector<std::string>{"from_network.kvr"});
        EXPECT_EQ(fs::status(target()).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    }
}

TEST_F(HttpDownloaderTest, AnythingButACompleteDataFileLeavesTheFolderAsItWas) {
    LoopbackServer server(served());
    writeFile(target(), "the file downloaded before");
    const struct {
        std::string address;
        std::string reason;
    } cases[] = {
        {server.address("/status/404/vault.kvr"), "status 404"},  // a vault-like error page
        {server.address("/status/500/old.kvr"), "status 500"},
        {server.address("/files/page.html"), "not a Kivrano data file"},
        {server.address("/chunked/page.html"), "not a Kivrano data file"},
        {server.address("/hops/6/files/vault.kvr"), "more than 5 times"},
        {server.address("/redirect?to=ftp://127.0.0.1/vault.kvr"), "not http:// or https://"},
        {server.address("/files/big.kvr"), "larger than"},  // Content-Length over the cap
        {server.address("/endless"), "larger than"},        // no length, and no end
        {server.address("/stall/vault.kvr"), "stopped answering for 2 seconds"},
        {server.address("/files/missing.kvr"), "status 404"},
        {"ftp://127.0.0.1/vault.kvr", "Only http:// and https://"},
        {"file:///etc/passwd", "Only http:// and https://"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const DownloadOutcome outcome = download(c.address);
        EXPECT_EQ(outcome.result, DownloadOutcome::Result::Failed);
        EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << outcome.reason;
        EXPECT_EQ(readFile(target()), "the file downloaded before");
        EXPECT_EQ(leftInProfiles(), std::vector<std::string>{"from_network.kvr"});
    }
}

TEST_F(HttpDownloaderTest, AnEarlierDownloadIsKeptAsTheBackupCopy) {
    LoopbackServer server(served());
    writeFile(target(), "the file downloaded before");
    ASSERT_TRUE(download(server.address("/files/vault.kvr")).downloaded());
    EXPECT_EQ(readFile(target()), servedFile("vault.kvr"));
    EXPECT_EQ(readFile(profiles() / "from_network (backup).kvr"), "the file downloaded before");
    EXPECT_EQ(leftInProfiles(),
              (std::vector<std::string>{"from_network (backup).kvr", "from_network.kvr"}));
}

TEST_F(HttpDownloaderTest, CancelEndsAStalledTransferAtOnceAndLeavesNothing) {
    options.stallTimeout = std::chrono::seconds(600);  // only the cancel can end it in time
    LoopbackServer server(served());
    const DownloadOutcome outcome =
        download(server.address("/stall/vault.kvr"),
                 [](const DownloadProgress& p) { return p.received == 0; });
    EXPECT_EQ(outcome.result, DownloadOutcome::Result::Cancelled);
    EXPECT_TRUE(leftInProfiles().empty());
}

TEST_F(HttpDownloaderTest, HttpsNeedsACertificateTheMachineTrusts) {
    std::filesystem::path certificate;
    std::filesystem::path key;
    testing::makeSelfSignedCertificate(work, certificate, key);
    LoopbackServer secure(served(), certificate, key);
    LoopbackServer plain(served());

    const DownloadOutcome refused = download(secure.address("/files/vault.kvr"));
    EXPECT_EQ(refused.result, DownloadOutcome::Result::Failed);
    EXPECT_NE(refused.reason.find("certificate could not be verified"), std::string::npos)
        << refused.reason;
    EXPECT_TRUE(leftInProfiles().empty());

    // Trusted, the same server serves the file; but never hands the download on to http.
    options.caFile = certificate.string();
    EXPECT_TRUE(download(secure.address("/hops/1/files/vault.kvr")).downloaded());
    fs::remove(target());
    const DownloadOutcome downgraded =
        download(secure.address("/redirect?to=" + plain.address("/files/vault.kvr")));
    EXPECT_EQ(downgraded.result, DownloadOutcome::Result::Failed);
    EXPECT_NE(downgraded.reason.find("not secure"), std::string::npos) << downgraded.reason;
    EXPECT_TRUE(plain.requests().empty());
    EXPECT_TRUE(leftInProfiles().empty());
}

TEST(HttpDownloaderSignature, TheTwoWaysADataFileBegins) {
    EXPECT_TRUE(CHttpDownloader::looksLikeDataFile(std::string("\x08\0\0\0\x08\0\0\0", 8)));
    EXPECT_TRUE(CHttpDownloader::looksLikeDataFile("BF01"));
    EXPECT_TRUE(CHttpDownloader::looksLikeDataFile("BF"));
    EXPECT_FALSE(CHttpDownloader::looksLikeDataFile(std::string("\x08\0\0\0\x08\0\0", 7)));
    EXPECT_FALSE(CHttpDownloader::looksLikeDataFile(std::string("\x08\0\0\0\x09\0\0\0", 8)));
    EXPECT_FALSE(CHttpDownloader::looksLikeDataFile("B"));
    EXPECT_FALSE(CHttpDownloader::looksLikeDataFile("bf01"));
    EXPECT_FALSE(CHttpDownloader::looksLikeDataFile(""));
}

}  // namespace
}  // namespace kivrano
