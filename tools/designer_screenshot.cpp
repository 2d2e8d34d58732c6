// Opens the network designer on 10 agents, picks "Tab 10b" in the preset list and saves a
// picture of the window: designer_screenshot [file.png], designer.png by default.
#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "run/set_parameters.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "support/window_helpers.hpp"
#include "ui/designer_window.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("designer.png");

    murelta::SimState s;
    murelta::setParameters(s, murelta::Params{}, "untitle");
    murelta::ui::DesignerWindow window(s, [] { return QStringLiteral("10"); });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "The designer window was not shown.\n");
        return 1;
    }
    auto* presets = window.findChild<QComboBox*>(QStringLiteral("cmb_preset"));
    if (presets == nullptr || !murelta::ui::pickComboItem(presets, QStringLiteral("Tab 10b"))) {
        std::fprintf(stderr, "Could not pick \"Tab 10b\" in the preset list.\n");
        return 1;
    }
    QTest::qWait(300);
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "Could not write %s.\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
