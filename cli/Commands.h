#pragma once

#include <string>

namespace kivrano::cli {

// The subcommands of kivrano-cli. Each returns the exit status for success and throws
// CliError otherwise; output goes to standard output, messages to standard error.

struct InfoOptions {
    std::string file;
    bool passwordStdin = false;
    bool unprotectedOnly = false;
};
int runInfo(const InfoOptions& options);

struct ListOptions {
    std::string file;
    bool passwordStdin = false;
    bool unprotectedOnly = false;
};
int runList(const ListOptions& options);

struct ShowOptions {
    std::string file;
    std::string folder;
    std::string title;
    bool passwordStdin = false;
    bool reveal = false;
};
int runShow(const ShowOptions& options);

struct ExportOptions {
    std::string file;
    std::string format = "json";  // "json" or "text"
    bool nonEmpty = false;
    bool passwordStdin = false;
    bool unprotectedOnly = false;
    std::string output;  // empty: standard output
    bool force = false;
    bool yes = false;  // no question before passwords go to a terminal
};
int runExport(const ExportOptions& options);

struct ImportOptions {
    std::string json;  // "-": standard input
    std::string out;
    bool force = false;
    bool passwordStdin = false;
};
int runImport(const ImportOptions& options);

// How long a command that changes a vault waits for another program that is changing it.
inline constexpr double kDefaultLockWaitSeconds = 10;

struct PasswdOptions {
    std::string file;
    bool passwordStdin = false;
    bool noBackup = false;
    double lockWaitSeconds = kDefaultLockWaitSeconds;
};
int runPasswd(const PasswdOptions& options);

struct MergeOptions {
    std::string into;
    std::string from;
    bool passwordStdin = false;
    bool noBackup = false;
    double lockWaitSeconds = kDefaultLockWaitSeconds;
};
int runMerge(const MergeOptions& options);

}  // namespace kivrano::cli
