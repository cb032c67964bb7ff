#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kivrano {

struct DownloadProgress {
    std::uint64_t received = 0;
    std::optional<std::uint64_t> total;  // when the server said how long the body is
};

// Told how far a transfer has come; returning false cancels it.
using ProgressReport = std::function<bool(const DownloadProgress&)>;

struct DownloadOutcome {
    enum class Result { Downloaded, Failed, Cancelled };
    Result result = Result::Failed;
    // Why it failed, for the user. Never holds the address: it may carry a password.
    std::string reason;

    bool downloaded() const { return result == Result::Downloaded; }
};

// Fetches one address into a data file.
class Downloader {
public:
    virtual ~Downloader() = default;
    // The body becomes the file at target only when it arrived complete with a 2xx answer and
    // begins as a data file does; otherwise nothing is left behind and target is unchanged.
    virtual DownloadOutcome downloadToFile(const std::string& address,
                                           const std::filesystem::path& target,
                                           const ProgressReport& progress) = 0;
};

}  // namespace kivrano
