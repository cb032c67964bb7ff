#pragma once

#include "net/Downloader.h"
#include "platform/DebugSink.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace kivrano {

// HTTP and HTTPS downloads through libcurl, one connection handle for the downloader's
// lifetime. Certificates are always verified; only a 2xx answer counts; redirects are
// followed a few times but never from https to http; the body is capped and a stalled
// transfer ends. The body goes to a temporary file beside the target, which replaces the
// target only once complete; an earlier target is kept as its backup copy first.
// Blocks while it runs: call it off the user-interface thread.
class CHttpDownloader : public Downloader {
public:
    struct Options {
        std::uint64_t maxBodyBytes = 64ull * 1024 * 1024;
        std::chrono::seconds connectTimeout{30};
        // No byte for this long ends the transfer.
        std::chrono::seconds stallTimeout{30};
        int maxRedirects = 5;
        // Certificate authorities trusted instead of the system's; empty for the system's.
        std::string caFile;
    };

    CHttpDownloader() : CHttpDownloader(Options{}) {}
    explicit CHttpDownloader(Options options, platform::DebugSink* trace = nullptr);
    ~CHttpDownloader() override;
    CHttpDownloader(const CHttpDownloader&) = delete;
    CHttpDownloader& operator=(const CHttpDownloader&) = delete;

    DownloadOutcome downloadToFile(const std::string& address, const std::filesystem::path& target,
                                   const ProgressReport& progress) override;

    // Whether the first bytes of a body are those a data file begins with.
    static bool looksLikeDataFile(const std::string& head);

private:
    struct Transfer;
    void traceLine(const std::string& address, const std::string& what);

    Options m_options;
    platform::DebugSink* m_trace;
    void* m_curl;  // CURL*, kept out of this header
};

}  // namespace kivrano
