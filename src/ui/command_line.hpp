// The desktop program's command line: `murelta [FILE]`, the experiment file to open, with
// --help and --version as every Qt program has them.
#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace murelta::ui {

class MainWindow;

// Gives `parser` murelta's description, its options and its one argument.
void describeCommandLine(QCommandLineParser& parser);

// Whether `arguments` ask only for the help or the version, which need no display. Qt's own
// options (-platform, -style) are not murelta's: a line holding one is answered once the
// windows' application has taken them out.
bool asksForTextOnly(const QStringList& arguments);

// Opens in `window` the experiment file the parsed command line names, as File, Open does.
// False when it names none, or when the file could not be opened (the window has said why and
// stays as it was).
bool openGivenExperiment(MainWindow& window, const QCommandLineParser& parser);

}  // namespace murelta::ui
