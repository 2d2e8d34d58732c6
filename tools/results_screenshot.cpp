// Takes a picture of the results viewer on a small sweep (the presets "None", "Tab 10b" and
// "Tab 2" with 10 and 20 agents), its box plots or its Compare tab, on the Sobol' design of
// the README (retina, foods and an uncharged communication cost on the defaults), its
// Sensitivity tab, or on a calibration of an experiment file, its Evaluations tab (by default
// docs/calibration-example.toml) or its Front tab (docs/front-example.toml), or on the sweep of
// an experiment file, its Effects or Heat map tab (by default docs/effects-example.toml):
//   results_screenshot [file.png [boxes|compare|sensitivity|calibration|front|effects|heatmap
//                                 [file.toml]]]
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <utility>

#include "analysis/calibration.hpp"
#include "experiment/experiment.hpp"
#include "experiment/sweep.hpp"
#include "ui/effect_views.hpp"
#include "ui/results_window.hpp"

namespace {

// Shows the viewer, saves what it shows and says where; the program's exit status.
int picture(murelta::ui::ResultsWindow& viewer, const QString& outPath) {
    viewer.show();
    QApplication::processEvents();
    const bool saved = viewer.grab().save(outPath);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(outPath));
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("results.png");
    const QString outPath = QDir::current().absoluteFilePath(out);
    QTemporaryDir work;
    const std::filesystem::path dir = work.filePath(QStringLiteral("sweep")).toStdString();

    const QString shown = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("boxes");
    if (shown == QStringLiteral("calibration") || shown == QStringLiteral("front")) {
        const bool front = shown == QStringLiteral("front");
        const std::string file = argc > 3 ? argv[3]
                                 : front  ? "docs/front-example.toml"
                                          : "docs/calibration-example.toml";
        try {
            murelta::CalibrationProgress quiet;
            murelta::runCalibration(murelta::readExperiment(file), file, dir, 2, quiet);
        } catch (const murelta::Error& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
        murelta::ui::ResultsWindow viewer;
        viewer.resize(1000, 640);
        if (!viewer.open(QString::fromStdString(dir.string()))) {
            return 1;
        }
        for (QTabWidget* tabs : viewer.findChildren<QTabWidget*>()) {
            if (front && tabs->indexOf(viewer.frontChart()) >= 0) {
                tabs->setCurrentWidget(viewer.frontChart());
            }
        }
        return picture(viewer, outPath);
    }
    murelta::Experiment sweep;
    const bool effects = shown == QStringLiteral("effects") || shown == QStringLiteral("heatmap");
    if (effects) {
        const std::string file = argc > 3 ? argv[3] : "docs/effects-example.toml";
        try {
            sweep = murelta::readExperiment(file);
        } catch (const murelta::Error& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    } else if (shown == QStringLiteral("sensitivity")) {
        sweep = murelta::parseExperiment(
            "[parameters]\nruns = \"20\"\n[design]\nmethod = \"sobol\"\nsamples = 64\nseed = 1\n"
            "[design.factors]\nretina = { from = 1, to = 15 }\nfoods = { from = 1, to = 5 }\n"
            "com-cost = { from = 0, to = 10 }\n",
            "design.toml");
    } else {
        sweep.params.runs = "20";
        sweep.sweep.push_back({"agents", {"10", "20"}});
        sweep.sweep.push_back({"preset", {"None", "Tab 10b", "Tab 2"}});
    }
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
    // The sweep's tabs: the derived ones come last.
    QTabWidget* tabs = nullptr;
    for (QTabWidget* candidate : viewer.findChildren<QTabWidget*>()) {
        if (candidate->count() > 3) {
            tabs = candidate;
        }
    }
    if (effects) {
        // The last parameter along x, the one before it as lines or rows, the others at their
        // first values.
        for (const auto& [xName, secondName] :
             {std::pair{"cmbEffectX", "cmbEffectLines"}, std::pair{"cmbHeatX", "cmbHeatRows"}}) {
            auto* x = viewer.findChild<QComboBox*>(QString::fromLatin1(xName));
            auto* second = viewer.findChild<QComboBox*>(QString::fromLatin1(secondName));
            if (x != nullptr && second != nullptr && x->count() >= 2) {
                x->setCurrentIndex(x->count() - 1);
                second->setCurrentIndex(second->count() - 2);
            }
        }
        QWidget* view = shown == QStringLiteral("effects")
                            ? static_cast<QWidget*>(viewer.effectView())
                            : static_cast<QWidget*>(viewer.heatMapView());
        for (QTabWidget* candidate : viewer.findChildren<QTabWidget*>()) {
            if (candidate->indexOf(view) >= 0) {
                candidate->setCurrentWidget(view);
            }
        }
    } else if (tabs != nullptr && shown == QStringLiteral("compare")) {
        viewer.findChild<QComboBox*>(QStringLiteral("cmbCompareOutput"))->setCurrentIndex(1);
        tabs->setCurrentIndex(tabs->count() - 1);
    } else if (tabs != nullptr && shown == QStringLiteral("sensitivity")) {
        viewer.findChild<QComboBox*>(QStringLiteral("cmbOutput"))->setCurrentIndex(1);
        tabs->setCurrentIndex(tabs->count() - 1);
    }
    return picture(viewer, outPath);
}
