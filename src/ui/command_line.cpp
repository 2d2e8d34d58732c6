#include "ui/command_line.hpp"

#include <QCommandLineParser>

#include "ui/main_window.hpp"

namespace murelta::ui {

void describeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("A laboratory for experiments with evolving, communicating agents: opens "
                       "the experiment file given, or the default experiment."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Experiment file (TOML) or record to open"),
                                 QStringLiteral("[FILE]"));
}

bool asksForTextOnly(const QStringList& arguments) {
    QCommandLineParser parser;
    describeCommandLine(parser);
    return parser.parse(arguments) &&
           (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
            parser.isSet(QStringLiteral("version")));
}

bool openGivenExperiment(MainWindow& window, const QCommandLineParser& parser) {
    const QStringList files = parser.positionalArguments();
    return !files.isEmpty() && window.openFile(files.first());
}

}  // namespace murelta::ui
