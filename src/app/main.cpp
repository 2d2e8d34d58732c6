// murelta: the desktop program. `murelta [FILE.toml]` opens the experiment file given.
#include <QApplication>
#include <QSettings>
#include <QStringList>

#include "sim/state.hpp"
#include "ui/main_window.hpp"
#include "ui/termination.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Murelta"));
    QApplication::setApplicationName(QStringLiteral("Murelta"));
    QSettings settings;
    murelta::SimState state;
    murelta::ui::MainWindow window(state, &settings);
    murelta::ui::TerminationWatcher termination;
    QObject::connect(&termination, &murelta::ui::TerminationWatcher::terminationRequested, &window,
                     &murelta::ui::MainWindow::terminate);
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        window.openFile(arguments.at(1));
    }
    return QApplication::exec();
}
