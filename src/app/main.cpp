// murelta: the desktop program. `murelta [FILE.toml]` opens the experiment file given.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QSettings>
#include <QStringList>
#include <cstdio>

#include "experiment/record.hpp"
#include "sim/state.hpp"
#include "ui/command_line.hpp"
#include "ui/main_window.hpp"
#include "ui/termination.hpp"

int main(int argc, char** argv) {
    // The help and the version are printed where no display is, too (a build machine making
    // the manual page, a shell on a cluster): the program then starts on the offscreen platform.
    QStringList given;
    for (int i = 0; i < argc; ++i) {
        given << QString::fromLocal8Bit(argv[i]);
    }
    if (murelta::ui::asksForTextOnly(given)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Murelta"));
    QApplication::setApplicationName(QStringLiteral("Murelta"));
    QApplication::setApplicationVersion(QString::fromStdString(murelta::programVersion()));
    // The desktop entry that started it, so that a desktop shows its icon for the window.
    QApplication::setDesktopFileName(QStringLiteral("murelta"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("murelta")));

    QCommandLineParser parser;
    murelta::ui::describeCommandLine(parser);
    // Answers --help, --help-all and --version, and refuses an option it does not know; each
    // ends the program.
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fputs("murelta: one experiment file at most\n", stderr);
        return 1;
    }

    QSettings settings;
    murelta::SimState state;
    murelta::ui::MainWindow window(state, &settings);
    murelta::ui::TerminationWatcher termination;
    QObject::connect(&termination, &murelta::ui::TerminationWatcher::terminationRequested, &window,
                     &murelta::ui::MainWindow::terminate);
    window.show();
    murelta::ui::openGivenExperiment(window, parser);
    return QApplication::exec();
}
