// murelta: the desktop program.
#include <QApplication>

#include "sim/state.hpp"
#include "ui/designer_window.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    murelta::SimState state;
    murelta::ui::DesignerWindow window(state, [] { return QStringLiteral("10"); });
    window.show();
    return QApplication::exec();
}
