// kivrano-cli: reads and writes Kivrano vault files without a screen, for scripts, backups
// and headless machines. It uses the same vault code as the desktop program.

#include "cli/CliError.h"
#include "cli/Commands.h"
#include "vault/ProcessHardening.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <functional>
#include <iostream>
#include <string>

#ifndef KIVRANO_VERSION
#define KIVRANO_VERSION "unknown"
#endif

namespace {

using namespace kivrano::cli;

constexpr const char* kPasswordHelp =
    "Read the password from standard input, one line per password asked, instead of asking "
    "on the terminal";

constexpr const char* kFooter =
    "Passwords are never taken from the command line. Without --password-stdin they are "
    "asked on the terminal with echo off; with it, each password is one line of standard "
    "input (the newline is not part of it; an empty line is the empty password).\n\n"
    "Exit status: 0 success, 1 wrong password or refused operation, 2 usage error, 3 file "
    "unreadable, damaged, not a Kivrano data file or not written, 4 the file was being "
    "changed by another program (nothing was done).\n\n"
    "Run \"kivrano-cli COMMAND --help\" for the options of a command.";

void addPasswordStdin(CLI::App& command, bool& flag) {
    command.add_flag("--password-stdin", flag, kPasswordHelp);
}

void addUnprotectedOnly(CLI::App& command, bool& flag) {
    command.add_flag("--unprotected-only", flag,
                     "If the password is wrong, go on with the folders that are not "
                     "password-protected instead of failing");
}

// The options of the commands that rewrite a vault in place.
void addChangeOptions(CLI::App& command, bool& noBackup, double& waitSeconds) {
    command.add_flag("--no-backup", noBackup,
                     "Change the file even though no backup copy of it can be made (without "
                     "this, a backup that fails stops the command)");
    command
        .add_option("--wait", waitSeconds,
                    "Seconds to wait for another program that is changing the same file "
                    "before giving up with exit status 4")
        ->type_name("SECONDS")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
}

}  // namespace

int main(int argc, char** argv) {
    kivrano::hardenProcess();
    CLI::App app{"kivrano-cli " KIVRANO_VERSION
                 " - read and write Kivrano vault files (.kvr) without the desktop program.",
                 "kivrano-cli"};
    app.footer(kFooter);
    app.set_version_flag("--version", "kivrano-cli " KIVRANO_VERSION);
    app.require_subcommand(1);
    app.get_formatter()->label("TEXT", "PATH");  // every text argument is a file name

    std::function<int()> run;

    InfoOptions info;
    auto* infoCommand =
        app.add_subcommand("info", "Format, version, settings and counts of a vault file");
    infoCommand->footer(
        "Shows the format (BF01, or legacy for the old DES format), the version, the "
        "settings, the application table and the number of folders and items. Without "
        "--password-stdin no password is asked and the password-protected folders are left "
        "out.");
    infoCommand->add_option("FILE", info.file, "Vault file (.kvr)")->required();
    addPasswordStdin(*infoCommand, info.passwordStdin);
    addUnprotectedOnly(*infoCommand, info.unprotectedOnly);
    infoCommand->callback([&] { run = [&] { return runInfo(info); }; });

    ListOptions list;
    auto* lsCommand = app.add_subcommand("ls", "List the folders and the titles of their items");
    lsCommand->footer(
        "Each folder is followed by its protection and by the titles of its items, indented, "
        "in the order the desktop program shows them.");
    lsCommand->add_option("FILE", list.file, "Vault file (.kvr)")->required();
    addPasswordStdin(*lsCommand, list.passwordStdin);
    addUnprotectedOnly(*lsCommand, list.unprotectedOnly);
    lsCommand->callback([&] { run = [&] { return runList(list); }; });

    ShowOptions show;
    auto* showCommand = app.add_subcommand("show", "Show the fields of one item");
    showCommand->footer(
        "Shows every item titled TITLE in the folder FOLDER. Fields that the item hides in "
        "the editor are shown as ******** unless --reveal is given.");
    showCommand->add_option("FILE", show.file, "Vault file (.kvr)")->required();
    showCommand->add_option("FOLDER", show.folder, "Folder name, exactly as in the vault")
        ->type_name("NAME")
        ->required();
    showCommand->add_option("TITLE", show.title, "Item title, exactly as in the vault")
        ->type_name("NAME")
        ->required();
    showCommand->add_flag("--reveal", show.reveal, "Show hidden fields in clear");
    addPasswordStdin(*showCommand, show.passwordStdin);
    showCommand->callback([&] { run = [&] { return runShow(show); }; });

    ExportOptions exporting;
    auto* exportCommand =
        app.add_subcommand("export", "Write the whole vault as JSON or as a text listing");
    exportCommand->footer(
        "Everything is written in clear, passwords included. JSON is the form \"import\" "
        "reads back. The text listing has, for each item in tree order, its title, the lines "
        "Address, ID and PW, the six Etc fields (name, tab, text), the memo and an empty "
        "line, with CR LF line ends; --non-empty leaves out the empty fields.");
    exportCommand->add_option("FILE", exporting.file, "Vault file (.kvr)")->required();
    exportCommand->add_option("--format", exporting.format, "Output format: json or text")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"json", "text"}))
        ->capture_default_str();
    exportCommand->add_flag("--non-empty", exporting.nonEmpty,
                            "Text format: leave out the empty fields of each item");
    exportCommand->add_option("-o,--output", exporting.output,
                              "Write to this new file (readable by you only) instead of "
                              "standard output");
    exportCommand->add_flag("--force", exporting.force, "Replace the --output file if it exists");
    exportCommand->add_flag("--yes", exporting.yes,
                            "Write to a terminal without asking first (without it, an export "
                            "to a terminal asks before showing the passwords)");
    addPasswordStdin(*exportCommand, exporting.passwordStdin);
    addUnprotectedOnly(*exportCommand, exporting.unprotectedOnly);
    exportCommand->callback([&] { run = [&] { return runExport(exporting); }; });

    ImportOptions importing;
    auto* importCommand = app.add_subcommand("import", "Write a new vault file from JSON");
    importCommand->footer(
        "Reads JSON in the form \"export\" writes (\"format\" and \"version\" are "
        "ignored; a field left out gets the value of a new item) and writes a KVR2.04 vault "
        "file. Asks for the new file's password, twice on the terminal. A bad value is "
        "reported with its JSON path and nothing is written.");
    importCommand->add_option("JSON", importing.json, "JSON file, or - for standard input")
        ->required();
    importCommand->add_option("OUT", importing.out, "Vault file to write")->required();
    importCommand->add_flag("--force", importing.force, "Replace OUT if it exists");
    addPasswordStdin(*importCommand, importing.passwordStdin);
    importCommand->callback([&] { run = [&] { return runImport(importing); }; });

    PasswdOptions passwd;
    auto* passwdCommand = app.add_subcommand("passwd", "Change the password of a vault file");
    passwdCommand->footer(
        "Asks for the current password, the new one and the new one again, then saves. The "
        "file as it was is kept next to it as \"NAME (backup).kvr\".");
    passwdCommand->add_option("FILE", passwd.file, "Vault file (.kvr)")->required();
    addPasswordStdin(*passwdCommand, passwd.passwordStdin);
    addChangeOptions(*passwdCommand, passwd.noBackup, passwd.lockWaitSeconds);
    passwdCommand->callback([&] { run = [&] { return runPasswd(passwd); }; });

    MergeOptions merge;
    auto* mergeCommand = app.add_subcommand("merge", "Merge one vault file into another");
    mergeCommand->footer(
        "Adds FROM's folders and items to INTO and saves INTO under its own password. "
        "Folders of the same name are joined, items equal in every text to one already in "
        "the folder are left out, new folders and items come first, and FROM's settings "
        "replace INTO's. Asks for INTO's password, then FROM's. INTO as it was is kept next "
        "to it as \"NAME (backup).kvr\".");
    mergeCommand->add_option("INTO", merge.into, "Vault file to merge into and write")->required();
    mergeCommand->add_option("FROM", merge.from, "Vault file to read from")->required();
    addPasswordStdin(*mergeCommand, merge.passwordStdin);
    addChangeOptions(*mergeCommand, merge.noBackup, merge.lockWaitSeconds);
    mergeCommand->callback([&] { run = [&] { return runMerge(merge); }; });

    // A mistyped command would otherwise be reported as a missing one.
    if (argc > 1 && argv[1][0] != '-') {
        bool known = false;
        for (const CLI::App* command : app.get_subcommands({}))
            known = known || command->get_name() == argv[1];
        if (!known) {
            std::cerr << "kivrano-cli: unknown command \"" << argv[1]
                      << "\"; run \"kivrano-cli --help\" for the list of commands\n";
            return kExitUsage;
        }
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version exit with 0; every other parse error is a usage error.
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    try {
        return run ? run() : kExitUsage;
    } catch (const CliError& e) {
        std::cerr << "kivrano-cli: " << e.what() << '\n';
        return e.code();
    } catch (const std::exception& e) {
        std::cerr << "kivrano-cli: " << e.what() << '\n';
        return kExitFile;
    }
}
