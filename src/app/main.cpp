// murelta: the desktop program.
#include <QApplication>

#include "sim/state.hpp"
#include "ui/designer_window.hpp"
#include "ui/group_dialog.hpp"
#include "ui/main_window.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Murelta"));
    murelta::SimState state;
    murelta::ui::MainWindow window(state);
    window.show();
    return QApplication::exec();
}
