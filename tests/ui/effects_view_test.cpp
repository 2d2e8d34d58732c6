// Tests for the results viewer's Effects and Heat map tabs on a Sobol' design of 65
// configurations over three factors: a line per value of the second parameter whose points and
// interval ends are those of summary.csv, the configurations cut at the cycle budget marked, a
// cell per pair of values, and the values written into the exported picture.
#include <QtTest>

#include <QAction>
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChartView>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cmath>
#include <map>

#include "experiment/experiment.hpp"
#include "experiment/sweep.hpp"
#include "support/window_helpers.hpp"
#include "ui/effect_views.hpp"
#include "ui/results_window.hpp"

namespace murelta::ui {

namespace {

// 13 base samples of three whole-number factors: 13 x (3 + 2) = 65 points. The short cycle
// budget cuts some runs, so that the marks have points to mark.
const char* const kDesign =
    "[parameters]\nruns = \"6\"\ncycles = \"600\"\n[design]\nmethod = \"sobol\"\nsamples = 13\n"
    "seed = 1\n[design.factors]\nretina = { from = 1, to = 9 }\nfoods = { from = 1, to = 3 }\n"
    "agents = { from = 4, to = 8 }\n";

// summary.csv's rows of generation 0 by configuration, each column by name.
std::map<int, std::map<QString, QString>> summaryRows(const QString& path) {
    const QStringList lines = QString::fromUtf8(readFile(path)).split(QStringLiteral("\r\n"));
    const QStringList header = lines.front().split(QLatin1Char(','));
    std::map<int, std::map<QString, QString>> rows;
    for (qsizetype l = 1; l < lines.size(); ++l) {
        if (lines[l].isEmpty()) {
            continue;
        }
        const QStringList fields = lines[l].split(QLatin1Char(','));
        std::map<QString, QString> row;
        for (qsizetype c = 0; c < header.size(); ++c) {
            row[header[c]] = fields[c];
        }
        rows[row[QStringLiteral("config")].toInt()] = row;
    }
    return rows;
}

bool close(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(b));
}

}  // namespace

class EffectsViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder_;

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        folder_ = dir_.filePath(QStringLiteral("design"));
        SweepProgress quiet;
        runSweep(parseExperiment(kDesign, "design.toml"), folder_.toStdString(), 2, {}, quiet);
        collectSweep(folder_.toStdString());
    }

    // Retina along x, a line per value of foods among the points of 6 agents, each point the
    // mean last exit of its configuration with its interval as summary.csv gives them.
    void theEffectPlotHasALinePerValueAndTheTablesMeans() {
        ResultsWindow viewer;
        QVERIFY(viewer.open(folder_));
        EffectView* effects = viewer.effectView();
        QTabWidget* tabs = nullptr;
        for (QTabWidget* t : viewer.findChildren<QTabWidget*>()) {
            if (t->indexOf(effects) >= 0) {
                tabs = t;
            }
        }
        QVERIFY(tabs != nullptr);
        tabs->setCurrentWidget(effects);
        QCOMPARE(viewer.currentChart(), effects->chart());
        child<QComboBox>(viewer, "cmbEffectX")->setCurrentText(QStringLiteral("retina"));
        child<QComboBox>(viewer, "cmbEffectLines")->setCurrentText(QStringLiteral("foods"));
        QComboBox* agents = effects->pickers()->fixedPicker("agents");
        QVERIFY(agents != nullptr);
        QCOMPARE(agents->currentText(), QStringLiteral("pooled"));  // a factor starts pooled
        agents->setCurrentText(QStringLiteral("6"));

        // The configurations of 6 agents by foods and retina, from summary.csv and design.csv.
        const auto summary = summaryRows(folder_ + QStringLiteral("/summary.csv"));
        const auto design = summaryRows(folder_ + QStringLiteral("/design.csv"));
        std::map<QString, std::map<double, std::vector<int>>> expected;
        for (const auto& [config, row] : design) {
            if (row.at(QStringLiteral("agents")) == QStringLiteral("6")) {
                expected[row.at(QStringLiteral("foods"))]
                        [row.at(QStringLiteral("retina")).toDouble()]
                            .push_back(config);
            }
        }
        QVERIFY(expected.size() >= 2);
        const std::vector<QLineSeries*>& lines = effects->lines();
        QCOMPARE(lines.size(), expected.size());
        int checked = 0;
        int cut = 0;
        for (QLineSeries* line : lines) {
            const QString foods = line->name().section(QStringLiteral(" = "), 1);
            QVERIFY2(expected.count(foods) == 1, qPrintable(line->name()));
            const auto& byRetina = expected[foods];
            QCOMPARE(static_cast<std::size_t>(line->count()), byRetina.size());
            const QAreaSeries* band = effects->bands()[static_cast<std::size_t>(
                std::find(lines.begin(), lines.end(), line) - lines.begin())];
            for (int i = 0; i < line->count(); ++i) {
                const QPointF point = line->at(i);
                const std::vector<int>& configs = byRetina.at(point.x());
                if (configs.size() != 1) {
                    continue;  // pooled from repeated points: not one row of summary.csv
                }
                const auto& row = summary.at(configs.front());
                QVERIFY(close(point.y(), row.at(QStringLiteral("last_mean")).toDouble()));
                QVERIFY(close(band->upperSeries()->at(i).y(),
                              row.at(QStringLiteral("last_ci_high")).toDouble()));
                QVERIFY(close(band->lowerSeries()->at(i).y(),
                              row.at(QStringLiteral("last_ci_low")).toDouble()));
                cut += row.at(QStringLiteral("all_out_share")).toDouble() < 1.0 ? 1 : 0;
                ++checked;
            }
        }
        QVERIFY(checked >= 4);
        QVERIFY(effects->cutPoints()->count() >= cut);
        QVERIFY(effects->chart()->chart()->title().contains(QStringLiteral("agents = 6")));
    }

    // Retina by foods, agents pooled: a cell per pair that the design has, each its value in
    // the chart and in the exported SVG.
    void theHeatMapHasACellPerPairAndExportsItsValues() {
        ResultsWindow viewer;
        QVERIFY(viewer.open(folder_));
        HeatMapView* heat = viewer.heatMapView();
        for (QTabWidget* t : viewer.findChildren<QTabWidget*>()) {
            if (t->indexOf(heat) >= 0) {
                t->setCurrentWidget(heat);
            }
        }
        child<QComboBox>(viewer, "cmbHeatX")->setCurrentText(QStringLiteral("retina"));
        child<QComboBox>(viewer, "cmbHeatRows")->setCurrentText(QStringLiteral("foods"));
        const auto design = summaryRows(folder_ + QStringLiteral("/design.csv"));
        std::map<std::pair<QString, QString>, int> pairs;
        for (const auto& [config, row] : design) {
            ++pairs[{row.at(QStringLiteral("retina")), row.at(QStringLiteral("foods"))}];
        }
        QCOMPARE(heat->cells().size(), pairs.size());
        QCOMPARE(heat->chart()->chart()->series().size(), static_cast<qsizetype>(pairs.size()));

        viewer.resize(1000, 700);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        const QTemporaryDir out;
        QVERIFY(out.isValid());
        const QString path = out.filePath(QStringLiteral("heat.svg"));
        setFileChooser([&](QWidget*, FileChoice, const QString&, const QString&) { return path; });
        child<QAction>(viewer, "actionExportChart")->trigger();
        setFileChooser({});
        // Every label of either axis fits the room its category has and is whole.
        const QChart* chart = heat->chart()->chart();
        for (QAbstractAxis* axis : chart->axes()) {
            auto* categories = qobject_cast<QCategoryAxis*>(axis);
            QVERIFY(categories != nullptr);
            const QFontMetricsF metrics(categories->labelsFont());
            const double room =
                (axis->orientation() == Qt::Horizontal ? chart->plotArea().width()
                                                       : chart->plotArea().height()) /
                categories->count();
            for (const QString& label : categories->categoriesLabels()) {
                QVERIFY(!label.contains(QStringLiteral("...")) && !label.contains(QChar(0x2026)));
                QVERIFY2((axis->orientation() == Qt::Horizontal ? metrics.horizontalAdvance(label)
                                                                : metrics.height()) <= room,
                         qPrintable(label));
            }
        }
        const QString svg = QString::fromUtf8(readFile(path));
        for (const HeatMapView::Cell& cell : heat->cells()) {
            QVERIFY2(svg.contains(QLatin1Char('>') + cell.text + QLatin1Char('<')),
                     qPrintable(cell.text));
        }
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::EffectsViewTest)
#include "effects_view_test.moc"
