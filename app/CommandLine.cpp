#include "app/CommandLine.h"

#include "vault/VaultText.h"

#include <QCommandLineParser>

namespace kivrano {

namespace {

// The request --hotkey or --launch-key names, or a usage error.
void readRequest(const QCommandLineParser& parser, const QCommandLineOption& hotKey,
                 const QCommandLineOption& launchKey, CommandLine& result) {
    const bool byId = parser.isSet(hotKey), byKey = parser.isSet(launchKey);
    if (!byId && !byKey) return;
    if (byId && byKey) {
        result.error = "--hotkey and --launch-key cannot be given together.";
        return;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = "A file cannot be opened together with --hotkey or --launch-key.";
        return;
    }
    platform::InstanceRequest request;
    if (byId) {
        bool number = false;
        const QString text = parser.value(hotKey);
        const uint id = text.toUInt(&number);
        if (!number || id >= kGlobalHotKeyCount) {
            result.error =
                "--hotkey takes a hotkey number from 0 to 10, not \"" + text.toStdString() + "\".";
            return;
        }
        request.kind = platform::InstanceRequest::Kind::HotKey;
        request.hotKey = id;
    } else {
        const std::string text = parser.value(launchKey).toStdString();
        const std::optional<HotKeyValue> key = parseKeyNameText(text);
        if (!key) {
            result.error = "\"" + text +
                           "\" is not a key combination: write it as Kivrano shows it, for "
                           "example Ctrl+Shift+L, Alt+F5 or Ctrl+Num +.";
            return;
        }
        request.kind = platform::InstanceRequest::Kind::LaunchKey;
        request.key = *key;
    }
    result.request = request;
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Kivrano keeps your accounts and passwords in one encrypted file per user and types "
        "them into other programs with global hotkeys.\n\n"
        "--hotkey and --launch-key hand a hotkey to the Kivrano already running for this user "
        "and display, which acts as if it had been pressed; bind them in the desktop's own "
        "keyboard shortcut settings. They never start Kivrano.\n\n"
        "Environment: KIVRANO_HOME (program directory with Profiles/), KIVRANO_CONFIG_DIR "
        "(where Kivrano.ini is kept), KIVRANO_DEBUG=1 (trace output on stderr).");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    const QCommandLineOption hotKey(
        "hotkey",
        "Press global hotkey <N> of the running Kivrano: 0 ID, 1 Password, 2-7 Etc 1-6, "
        "8 Memo, 9 show or hide, 10 open the address on the clipboard.",
        "N");
    const QCommandLineOption launchKey(
        "launch-key", "Press an item's launching key in the running Kivrano, e.g. Ctrl+Shift+L.",
        "COMBINATION");
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(hotKey);
    parser.addOption(launchKey);
    parser.addPositionalArgument("file", "A .kvr data file to open after signing in.", "[file]");

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText().toStdString();
    } else {
        result.showHelp = parser.isSet(help);
        result.showVersion = parser.isSet(version);
        const QStringList files = parser.positionalArguments();
        if (files.size() > 1)
            result.error = "Only one file can be opened at a time.";
        else if (files.size() == 1)
            result.file = files.front().toStdString();
        if (result.error.empty()) readRequest(parser, hotKey, launchKey, result);
    }
    result.helpText = parser.helpText().toStdString();
    return result;
}

}  // namespace kivrano
