#include "net/CHttpDownloader.h"

#include "vault/FileIO.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

namespace kivrano {

namespace {

CURL* handleOf(void* curl) {
    return static_cast<CURL*>(curl);
}

struct AddressParts {
    std::string url;  // as asked, with "http://" added when it named no scheme
    std::string scheme;
    std::string host;
};

std::optional<AddressParts> parseAddress(const std::string& address) {
    // A space typed in an address (a file name with a space) stands for "%20".
    std::string typed;
    for (char c : address) typed += c == ' ' ? std::string("%20") : std::string(1, c);
    CURLU* parsed = curl_url();
    if (!parsed) return std::nullopt;
    std::optional<AddressParts> parts;
    if (curl_url_set(parsed, CURLUPART_URL, typed.c_str(), CURLU_GUESS_SCHEME) == CURLUE_OK) {
        char* url = nullptr;
        char* scheme = nullptr;
        char* host = nullptr;
        if (curl_url_get(parsed, CURLUPART_URL, &url, 0) == CURLUE_OK &&
            curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK) {
            // A "file:" address has no host.
            curl_url_get(parsed, CURLUPART_HOST, &host, 0);
            parts = AddressParts{url, scheme, host ? host : ""};
            std::transform(parts->scheme.begin(), parts->scheme.end(), parts->scheme.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        }
        curl_free(url);
        curl_free(scheme);
        curl_free(host);
    }
    curl_url_cleanup(parsed);
    return parts;
}

bool isWebScheme(const std::string& scheme) {
    return scheme == "http" || scheme == "https";
}

std::string megabytes(std::uint64_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

DownloadOutcome failed(std::string reason) {
    return {DownloadOutcome::Result::Failed, std::move(reason)};
}

}  // namespace

// One attempt's state, shared with libcurl's callbacks.
struct CHttpDownloader::Transfer {
    CURL* curl = nullptr;
    int fd = -1;
    std::uint64_t cap = 0;
    const ProgressReport* progress = nullptr;
    std::uint64_t received = 0;
    std::string head;  // the body's first bytes, for the data-file test
    std::chrono::steady_clock::duration stallTimeout{};
    std::chrono::steady_clock::time_point lastByte = std::chrono::steady_clock::now();
    curl_off_t lastCount = 0;
    bool cancelled = false;
    bool stalled = false;
    bool tooLarge = false;
    bool refusedStatus = false;
    int writeError = 0;

    long status() const {
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto& t = *static_cast<Transfer*>(user);
        const std::size_t bytes = size * count;
        const long code = t.status();
        if (code >= 300 && code < 400) return bytes;  // a redirect's own page is not the file
        if (code < 200 || code >= 300) {
            t.refusedStatus = true;
            return 0;
        }
        if (t.received + bytes > t.cap) {
            t.tooLarge = true;
            return 0;
        }
        if (t.head.size() < 8) t.head.append(data, std::min<std::size_t>(bytes, 8 - t.head.size()));
        if (!fileio::writeAll(t.fd, data, bytes)) {
            t.writeError = errno;
            return 0;
        }
        t.received += bytes;
        return bytes;
    }

    static int onProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
        auto& t = *static_cast<Transfer*>(user);
        // Called about once a second even while nothing arrives, so silence is measured here.
        const auto clock = std::chrono::steady_clock::now();
        if (now != t.lastCount) {
            t.lastCount = now;
            t.lastByte = clock;
        } else if (clock - t.lastByte > t.stallTimeout) {
            t.stalled = true;
            return 1;
        }
        if (!t.progress || !*t.progress) return 0;
        DownloadProgress report;
        report.received = t.received;
        const long code = t.status();
        if (code >= 200 && code < 300 && total > 0)
            report.total = static_cast<std::uint64_t>(total);
        if ((*t.progress)(report)) return 0;
        t.cancelled = true;
        return 1;
    }
};

CHttpDownloader::CHttpDownloader(Options options, platform::DebugSink* trace)
    : m_options(std::move(options)), m_trace(trace) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_curl = curl_easy_init();
}

CHttpDownloader::~CHttpDownloader() {
    if (m_curl) curl_easy_cleanup(handleOf(m_curl));
}

bool CHttpDownloader::looksLikeDataFile(const std::string& head) {
    // The older files begin with these eight bytes, today's with "BF".
    static const char kOlderFormat[8] = {8, 0, 0, 0, 8, 0, 0, 0};
    if (head.size() >= 8 && std::memcmp(head.data(), kOlderFormat, 8) == 0) return true;
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'F';
}

void CHttpDownloader::traceLine(const std::string& address, const std::string& what) {
    if (!m_trace) return;
    // Only the scheme and the host: the rest of the address may carry a password.
    const auto parts = parseAddress(address);
    const std::string where = parts ? parts->scheme + "://" + parts->host : "(invalid address)";
    m_trace->write("download from " + where + ": " + what + "\n");
}

DownloadOutcome CHttpDownloader::downloadToFile(const std::string& address,
                                                const std::filesystem::path& target,
                                                const ProgressReport& progress) {
    CURL* curl = handleOf(m_curl);
    if (!curl) return failed("The network library could not be started.");
    std::optional<AddressParts> parts = parseAddress(address);
    if (!parts) {
        traceLine(address, "not a valid address");
        return failed("The address is not a valid web address.");
    }
    if (!isWebScheme(parts->scheme)) {
        traceLine(address, "not an http or https address");
        return failed("Only http:// and https:// addresses can be downloaded from.");
    }

    const std::filesystem::path directory = target.parent_path();
    std::string temporary = (directory / ("." + target.filename().string() + ".XXXXXX")).string();
    Transfer transfer;
    transfer.curl = curl;
    transfer.cap = m_options.maxBodyBytes;
    transfer.progress = &progress;
    transfer.stallTimeout = m_options.stallTimeout;
    transfer.fd = ::mkstemp(temporary.data());
    if (transfer.fd < 0) {
        return failed("No file can be created in \"" + directory.string() + "\" (" +
                      std::strerror(errno) + ").");
    }
    // Whatever happens below, the temporary file does not outlive the attempt.
    struct Cleanup {
        Transfer& t;
        const std::string& path;
        bool keep = false;
        ~Cleanup() {
            if (t.fd >= 0) ::close(t.fd);
            if (!keep) ::unlink(path.c_str());
        }
    } cleanup{transfer, temporary};

    curl_slist* headers = nullptr;
    // A fresh copy from the server, never one a cache kept.
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    struct HeaderList {
        curl_slist* list;
        ~HeaderList() { curl_slist_free_all(list); }
    } headerList{headers};

    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);  // followed below, with our rules
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_options.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, m_options.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(m_options.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(m_options.maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    std::string current = parts->url;
    for (int hop = 0;; ++hop) {
        curl_easy_setopt(curl, CURLOPT_URL, current.c_str());
        const CURLcode code = curl_easy_perform(curl);
        if (transfer.cancelled) {
            traceLine(current, "cancelled");
            return {DownloadOutcome::Result::Cancelled, {}};
        }
        const long status = transfer.status();
        if (code != CURLE_OK) {
            traceLine(current, std::string(curl_easy_strerror(code)) +
                                   (status ? ", HTTP " + std::to_string(status) : ""));
            if (transfer.refusedStatus)
                return failed("The server answered with status " + std::to_string(status) +
                              " instead of the file.");
            if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
                return failed("The file is larger than " + megabytes(m_options.maxBodyBytes) +
                              ", more than a data file can be.");
            if (transfer.stalled)
                return failed("The server stopped answering for " +
                              std::to_string(m_options.stallTimeout.count()) + " seconds.");
            if (transfer.writeError)
                return failed("Writing into \"" + directory.string() + "\" failed (" +
                              std::strerror(transfer.writeError) + ").");
            switch (code) {
                case CURLE_PEER_FAILED_VERIFICATION:
                    return failed(
                        "The server's certificate could not be verified, so the server may not be "
                        "the one named in the address.");
                case CURLE_SSL_CONNECT_ERROR:
                    return failed("A secure connection to the server could not be set up.");
                case CURLE_COULDNT_RESOLVE_HOST:
                case CURLE_COULDNT_RESOLVE_PROXY:
                case CURLE_COULDNT_CONNECT:
                case CURLE_OPERATION_TIMEDOUT:  // only the connection has a time limit
                    return failed("The server could not be reached.");
                case CURLE_PARTIAL_FILE:
                case CURLE_RECV_ERROR:
                case CURLE_GOT_NOTHING:
                    return failed("The connection ended before the whole file had arrived.");
                default: return failed(std::string(curl_easy_strerror(code)) + ".");
            }
        }
        if (status >= 300 && status < 400) {
            char* location = nullptr;
            curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
            const std::optional<AddressParts> next =
                location ? parseAddress(location) : std::nullopt;
            if (!next) {
                traceLine(current, "HTTP " + std::to_string(status) + " without a usable Location");
                return failed("The server answered with status " + std::to_string(status) +
                              " instead of the file.");
            }
            if (hop >= m_options.maxRedirects) {
                traceLine(current, "too many redirects");
                return failed("The server sent the download on to another address more than " +
                              std::to_string(m_options.maxRedirects) + " times.");
            }
            const std::optional<AddressParts> here = parseAddress(current);
            if (!isWebScheme(next->scheme)) {
                traceLine(current, "redirect to " + next->scheme + " refused");
                return failed(
                    "The server sent the download on to an address that is not http:// or "
                    "https://; it was not followed.");
            }
            if (here && here->scheme == "https" && next->scheme != "https") {
                traceLine(current, "redirect from https to " + next->scheme + " refused");
                return failed(
                    "The secure address sent the download on to an address that is not secure; "
                    "it was not followed.");
            }
            traceLine(current, "HTTP " + std::to_string(status) + ", redirected");
            current = next->url;
            continue;
        }
        if (status < 200 || status >= 300) {
            traceLine(current, "HTTP " + std::to_string(status));
            return failed("The server answered with status " + std::to_string(status) +
                          " instead of the file.");
        }
        break;
    }

    if (!looksLikeDataFile(transfer.head)) {
        traceLine(current, "not a data file");
        return failed("What the server sent is not a Kivrano data file.");
    }
    if (::fsync(transfer.fd) != 0 || ::close(transfer.fd) != 0) {
        transfer.fd = -1;
        return failed("Writing into \"" + directory.string() + "\" failed (" +
                      std::strerror(errno) + ").");
    }
    transfer.fd = -1;

    // An earlier download is kept as its backup copy, as a save keeps the file it replaces.
    const std::string targetPath = target.string();
    if (fileio::exists(targetPath)) {
        std::string error;
        if (!fileio::writeBackupCopy(targetPath, error))
            return failed("The file already there could not be kept as its backup copy: " + error);
    }
    if (::rename(temporary.c_str(), targetPath.c_str()) != 0)
        return failed("The file could not be put in place as \"" + targetPath + "\" (" +
                      std::strerror(errno) + ").");
    cleanup.keep = true;
    fileio::syncDirectory(directory.string());
    traceLine(current, "downloaded " + std::to_string(transfer.received) + " bytes");
    return {DownloadOutcome::Result::Downloaded, {}};
}

}  // namespace kivrano
