// What the desktop program costs on top of the engine: the same simulation run headless and
// through the main window (graphics off, graphics on at full speed), and how soon "Stop" takes
// effect. The charts are shown beside the arena and kept up to date as a user sees them. Run it
// on a display (or under xvfb-run): window_cost [runs]
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "network/presets.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "run/simulation.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "ui/main_window.hpp"
#include "ui/message_box.hpp"

namespace {

using murelta::ui::MainWindow;

// The main window's defaults but for the runs and, for a group that talks, a wider arena:
// on the defaults' 50 x 50 a "Tab 10b" group finds the target within a few dozen cycles, and
// the run-end picture would weigh more than the cycles.
murelta::Params params(int runs, bool talking) {
    murelta::Params p;
    p.runs = std::to_string(runs);
    if (talking) {
        p.width = "150";
        p.height = "150";
    }
    return p;
}

// The network of the paper preset `preset` on the defaults' ten agents, or none.
void network(murelta::SimState& s, const char* preset) {
    if (preset != nullptr) {
        murelta::applyPreset(s, preset, "10");
    }
}

double headlessSeconds(int runs, const char* preset = nullptr) {
    murelta::SimState s;
    murelta::setParameters(s, params(runs, preset != nullptr), "untitle");
    network(s, preset);
    murelta::DataFolder files(".");
    QElapsedTimer timer;
    timer.start();
    murelta::runSimulation(s, murelta::SimulationSetup(files));
    return static_cast<double>(timer.nsecsElapsed()) * 1e-9;
}

void prepare(MainWindow& window, int runs, bool graphics, bool charts = true,
             bool talking = false) {
    const murelta::Params p = params(runs, talking);
    window.findChild<QAction*>(QStringLiteral("actionShowCharts"))->setChecked(charts);
    window.findChild<QLineEdit*>(QStringLiteral("txtNoRun"))->setText(QString::number(runs));
    window.findChild<QLineEdit*>(QStringLiteral("txtW"))->setText(QString::fromStdString(p.width));
    window.findChild<QLineEdit*>(QStringLiteral("txtH"))->setText(QString::fromStdString(p.height));
    window.findChild<QCheckBox*>(QStringLiteral("graphicEnabled"))->setChecked(graphics);
    window.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
}

struct Shown {
    bool graphics = true;
    bool charts = true;
    bool watching = false;  // messages and trails drawn
    const char* preset = nullptr;
};

// Presses "Start" and waits in the event loop, as the program does, until the simulation ends.
void startAndWait(MainWindow& window) {
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::simulationEnded, &loop, &QEventLoop::quit);
    window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    if (window.simulationRunning()) {
        loop.exec();
    }
}

double windowSeconds(int runs, Shown shown) {
    murelta::SimState s;
    MainWindow window(s);
    window.show();
    prepare(window, runs, shown.graphics, shown.charts, shown.preset != nullptr);
    window.findChild<QCheckBox*>(QStringLiteral("chkMessages"))->setChecked(shown.watching);
    window.findChild<QCheckBox*>(QStringLiteral("chkTrails"))->setChecked(shown.watching);
    network(s, shown.preset);
    QElapsedTimer timer;
    timer.start();
    startAndWait(window);
    return static_cast<double>(timer.nsecsElapsed()) * 1e-9;
}

// Milliseconds from a click on "Stop" being due to the simulation having ended.
double stopMilliseconds(bool graphics, int afterMs) {
    murelta::SimState s;
    MainWindow window(s);
    window.show();
    prepare(window, 100, graphics);
    QElapsedTimer timer;
    qint64 ended = 0;
    QTimer::singleShot(afterMs, &window,
                       [&] { window.findChild<QPushButton*>(QStringLiteral("cmdStop"))->click(); });
    // The report of the data file marks the end of the simulation.
    murelta::ui::setMessageHandler(
        [&](QWidget*, const QString& text, const QString&, murelta::ui::MessageIcon) {
            if (text.startsWith(QStringLiteral("Simulation finished"))) {
                ended = timer.nsecsElapsed();
            }
        });
    timer.start();
    startAndWait(window);
    return static_cast<double>(ended - static_cast<qint64>(afterMs) * 1000000) * 1e-6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    murelta::ui::setMessageHandler(
        [](QWidget*, const QString&, const QString&, murelta::ui::MessageIcon) {});

    // The machine may be shared: each figure is the median of five alternating measurements.
    std::vector<double> headless;
    std::vector<double> plain;
    std::vector<double> drawn;
    std::vector<double> chartless;
    std::vector<double> watched;
    std::vector<double> talkingHeadless;
    std::vector<double> talkingWatched;
    for (int i = 0; i < 5; ++i) {
        headless.push_back(headlessSeconds(runs));
        plain.push_back(windowSeconds(runs, {.graphics = false}));
        drawn.push_back(windowSeconds(runs, {}));
        chartless.push_back(windowSeconds(runs, {.charts = false}));
        watched.push_back(windowSeconds(runs, {.watching = true}));
        talkingHeadless.push_back(headlessSeconds(runs, "Tab 10b"));
        talkingWatched.push_back(windowSeconds(runs, {.watching = true, .preset = "Tab 10b"}));
    }
    const double h = median(headless);
    const double p = median(plain);
    const double d = median(drawn);
    const double c = median(chartless);
    const double w = median(watched);
    const double th = median(talkingHeadless);
    const double tw = median(talkingWatched);
    std::printf("defaults, %d runs, medians of 5\n", runs);
    std::printf("  headless (as murelta-batch)   %7.3f s\n", h);
    std::printf("  main window, graphics off     %7.3f s   %.2f x headless\n", p, p / h);
    std::printf("  main window, graphics on      %7.3f s   %.2f x headless\n", d, d / h);
    std::printf("  the same, charts hidden       %7.3f s   %.2f x headless\n", c, c / h);
    std::printf("  graphics on, messages, trails %7.3f s   %.2f x headless\n", w, w / h);
    std::printf("\"Tab 10b\" on 10 agents, 150 x 150, %d runs, medians of 5\n", runs);
    std::printf("  headless                      %7.3f s\n", th);
    std::printf("  graphics on, messages, trails %7.3f s   %.2f x headless\n", tw, tw / th);
    double worst = 0.0;
    for (bool graphics : {false, true}) {
        for (int afterMs : {200, 333, 517}) {
            worst = std::max(worst, stopMilliseconds(graphics, afterMs));
        }
    }
    std::printf("  Stop took effect within       %7.1f ms (worst of 6)\n", worst);
    return 0;
}
