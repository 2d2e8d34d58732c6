// Takes a picture of the results viewer on a small sweep (the presets "None", "Tab 10b" and
// "Tab 2" with 10 and 20 agents): results_screenshot [file.png]
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "experiment/experiment.hpp"
#include "experiment/sweep.hpp"
#include "ui/results_window.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("results.png");
    const QString outPath = QDir::current().absoluteFilePath(out);
    QTemporaryDir work;
    const std::filesystem::path dir = work.filePath(QStringLiteral("sweep")).toStdString();

    murelta::Experiment sweep;
    sweep.params.runs = "20";
    sweep.sweep.push_back({"agents", {"10", "20"}});
    sweep.sweep.push_back({"preset", {"None", "Tab 10b", "Tab 2"}});
    murelta::SweepProgress quiet;
    murelta::runSweep(sweep, dir, 2, {}, quiet);
    murelta::collectSweep(dir);

    murelta::ui::ResultsWindow viewer;
    viewer.resize(1000, 640);
    if (!viewer.open(QString::fromStdString(dir.string()))) {
        return 1;
    }
    // The last exit shows the presets apart best.
    viewer.findChild<QComboBox*>(QStringLiteral("cmbMetric"))->setCurrentIndex(1);
    viewer.show();
    QApplication::processEvents();
    const bool saved = viewer.grab().save(outPath);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(outPath));
    return saved ? 0 : 1;
}
