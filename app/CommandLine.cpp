#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace kivrano {

CommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Kivrano keeps your accounts and passwords in one encrypted file per user and types "
        "them into other programs with global hotkeys.\n\n"
        "Environment: KIVRANO_HOME (program directory with Profiles/), KIVRANO_CONFIG_DIR "
        "(where Kivrano.ini is kept), KIVRANO_DEBUG=1 (trace output on stderr).");
    const QCommandLineOption help({"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Show the version and exit.");
    parser.addOption(help);
    parser.addOption(version);
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
    }
    result.helpText = parser.helpText().toStdString();
    return result;
}

}  // namespace kivrano
