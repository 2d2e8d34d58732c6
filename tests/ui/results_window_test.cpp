// Tests for the charts beside the arena and the results viewer: the series hold what the
// statistics and records hold, box plots hold the quartiles of runs.csv, exports are valid
// pictures, and results that cannot be read show no chart.
#include <QtTest>

#include <toml++/toml.h>
#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QProcess>
#include <QScatterSeries>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <map>

#include "sim/state.hpp"
#include "support/window_helpers.hpp"
#include "ui/analysis_views.hpp"
#include "ui/main_window.hpp"
#include "ui/results_panel.hpp"
#include "ui/results_window.hpp"

namespace murelta::ui {

namespace {

// The quartile of sorted values at fraction p, interpolating between order statistics.
double quantile(const std::vector<double>& sorted, double p) {
    const double h = p * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(h));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (h - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

std::vector<QPointF> pointsOf(const QXYSeries* series) {
    const QList<QPointF> list = series->points();
    return {list.begin(), list.end()};
}

}  // namespace

class ResultsWindowTest : public QObject {
    Q_OBJECT

    MessageRecorder recorder_;
    QString startDir_ = QDir::currentPath();

    // A main window in a temporary folder that runs `runs` runs of `generations` generations
    // without drawing them.
    struct Run {
        QTemporaryDir dir;
        SimState s;
        MainWindow window{s};
        Run(const QString& runs, const QString& generations, bool gene) {
            QTEST_ASSERT(dir.isValid());
            QDir::setCurrent(dir.path());
            type(window, "txtNoRun", runs);
            type(window, "txtGen", generations);
            type(window, "txtCicli", QStringLiteral("300"));
            click(window, "graphicEnabled");
            if (gene) {
                click(window, "chkExpGene");
            }
            click(window, "Command2");
            window.show();
            runToEnd(window);
        }
    };

  private slots:
    // A Sobol' design: its Sensitivity tab shows S1 and ST of each factor with intervals, and
    // exports like the other charts.
    void aDesignShowsItsIndicesPerFactor() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        QFile file(QStringLiteral("design.toml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[parameters]\nruns = \"4\"\ncycles = \"300\"\n[design]\nmethod = \"sobol\"\n"
            "samples = 4\n[design.factors]\nretina = { from = 1, to = 15 }\n"
            "foods = { from = 1, to = 5 }\n");
        file.close();
        QCOMPARE(QProcess::execute(QStringLiteral(MURELTA_BATCH),
                                   {QStringLiteral("sweep"), QStringLiteral("design.toml"),
                                    QStringLiteral("--out"), QStringLiteral("out")}),
                 0);
        SimState s;
        MainWindow window(s);
        ResultsWindow* viewer = window.openResults(QStringLiteral("out"));
        QVERIFY(viewer != nullptr);
        QChart* chart = viewer->sensitivityView()->chart()->chart();
        QVERIFY(chart->title().startsWith(QStringLiteral("Sobol' S1 and ST")));
        const QList<QAbstractSeries*> series = chart->series();
        QVERIFY(!series.isEmpty());
        auto* bars = qobject_cast<QBarSeries*>(series.front());
        QVERIFY(bars != nullptr);
        QCOMPARE(bars->count(), 2);                // S1 and ST
        QCOMPARE(bars->barSets()[0]->count(), 2);  // retina and foods
        QVERIFY(recorder_.messages.empty());
    }

    void init() { recorder_.messages.clear(); }
    void cleanup() {
        QDir::setCurrent(startDir_);
        setFileChooser({});
    }

    void theRunChartsHoldTheStatisticsRows() {
        Run run(QStringLiteral("3"), QStringLiteral("1"), false);
        ResultsPanel& panel = *run.window.results();
        const std::vector<QPointF> first = pointsOf(panel.firstSeries());
        const std::vector<QPointF> last = pointsOf(panel.lastSeries());
        const std::vector<QPointF> percent = pointsOf(panel.percentSeries());
        QCOMPARE(first.size(), std::size_t{3});
        QCOMPARE(last.size(), std::size_t{3});
        QCOMPARE(percent.size(), std::size_t{3});
        for (std::size_t i = 0; i < 3; ++i) {
            const RunStatsRow& row = run.s.runStats[i];
            QCOMPARE(first[i], QPointF(row[kRunIndex], row[kFirstExit]));
            QCOMPARE(last[i], QPointF(row[kRunIndex], row[kLastExit]));
            QCOMPARE(percent[i], QPointF(row[kRunIndex], row[kPercentOut]));
        }
        QVERIFY(panel.summaryText().contains(QStringLiteral("runs done: 3")));
    }

    void theGenerationChartHoldsTheRecordedTotalFitness() {
        Run run(QStringLiteral("2"), QStringLiteral("3"), true);
        QVERIFY(recorder_.messages.empty());
        const QString recordFile =
            run.dir.filePath(QString::fromStdString(run.s.dataFileName) + ".toml");
        const toml::table record = toml::parse_file(recordFile.toStdString());
        const toml::array& generations = *record["provenance"]["generations"].as_array();
        const std::vector<QPointF> fitness = pointsOf(run.window.results()->fitnessSeries());
        const std::vector<QPointF> gene = pointsOf(run.window.results()->expGeneSeries());
        QCOMPARE(fitness.size(), std::size_t{3});
        QCOMPARE(gene.size(), std::size_t{3});
        for (std::size_t g = 0; g < 3; ++g) {
            const toml::table& recorded = *generations[g].as_table();
            QCOMPARE(fitness[g],
                     QPointF(static_cast<double>(g), recorded["total-fitness"].value_or(-1.0)));
            QCOMPARE(gene[g].y(), recorded["exp-gene-mean"].value_or(-1.0));
        }
        // The viewer shows the same from the record.
        ResultsWindow* viewer = run.window.openResults(recordFile);
        QVERIFY(viewer != nullptr);
        QVERIFY(!viewer->showsSweep());
        QCOMPARE(pointsOf(viewer->simulationPanel()->fitnessSeries()), fitness);
        child<QSpinBox>(*viewer, "spnGeneration")->setValue(2);
        QCOMPARE(viewer->simulationPanel()->firstSeries()->count(), 2);
        QCOMPARE(viewer->table()->model()->rowCount(), 2);
    }

    void aSweepShowsTheQuartilesOfItsRunsAndExports() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        QFile file(QStringLiteral("sweep.toml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[parameters]\nruns = \"7\"\ncycles = \"400\"\n[sweep]\n"
            "agents = [\"10\", \"20\"]\npreset = [\"None\", \"Tab 10b\"]\n");
        file.close();
        QCOMPARE(QProcess::execute(QStringLiteral(MURELTA_BATCH),
                                   {QStringLiteral("sweep"), QStringLiteral("sweep.toml"),
                                    QStringLiteral("--out"), QStringLiteral("out")}),
                 0);

        SimState s;
        MainWindow window(s);
        ResultsWindow* viewer = window.openResults(QStringLiteral("out/summary.csv"));
        QVERIFY(viewer != nullptr);
        QVERIFY(viewer->showsSweep());

        // The runs of each configuration, by metric, as runs.csv gives them.
        std::map<int, std::array<std::vector<double>, 3>> runs;
        QFile table(QStringLiteral("out/runs.csv"));
        QVERIFY(table.open(QIODevice::ReadOnly));
        table.readLine();
        while (!table.atEnd()) {
            const QStringList fields = QString::fromUtf8(table.readLine()).trimmed().split(',');
            for (int m = 0; m < 3; ++m) {
                runs[fields[0].toInt()][static_cast<std::size_t>(m)].push_back(
                    fields[6 + m].toDouble());
            }
        }
        QCOMPARE(runs.size(), std::size_t{4});
        for (int metric = 0; metric < 3; ++metric) {
            child<QComboBox>(*viewer, "cmbMetric")->setCurrentIndex(metric);
            const QList<QBoxSet*> boxes = viewer->boxes()->boxSets();
            QCOMPARE(boxes.size(), 4);
            for (int c = 0; c < 4; ++c) {
                std::vector<double> values = runs[c][static_cast<std::size_t>(metric)];
                std::sort(values.begin(), values.end());
                QCOMPARE(boxes[c]->at(QBoxSet::LowerExtreme), values.front());
                QCOMPARE(boxes[c]->at(QBoxSet::LowerQuartile), quantile(values, 0.25));
                QCOMPARE(boxes[c]->at(QBoxSet::Median), quantile(values, 0.5));
                QCOMPARE(boxes[c]->at(QBoxSet::UpperQuartile), quantile(values, 0.75));
                QCOMPARE(boxes[c]->at(QBoxSet::UpperExtreme), values.back());
            }
        }
        QCOMPARE(viewer->boxes()->boxSets()[3]->label(), QStringLiteral("20, Tab 10b"));
        QCOMPARE(viewer->fitnessChart()->chart()->series().size(), 4);

        // The summary table copies as it reads in summary.csv, tab-separated.
        QFile summary(QStringLiteral("out/summary.csv"));
        QVERIFY(summary.open(QIODevice::ReadOnly));
        const QStringList csv = QString::fromUtf8(summary.readAll()).split(QStringLiteral("\r\n"));
        const QStringList copied = viewer->tableText().split('\n');
        QCOMPARE(copied.size(), csv.size());
        QCOMPARE(copied[0], QString(csv[0]).replace(',', '\t'));
        QCOMPARE(copied[1], QString(csv[1]).replace(',', '\t'));

        // Exports are whole pictures of the chart shown.
        viewer->resize(900, 600);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        for (const char* name : {"boxes.png", "boxes.svg"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            setFileChooser(
                [&](QWidget*, FileChoice, const QString&, const QString&) { return path; });
            child<QAction>(*viewer, "actionExportChart")->trigger();
            QVERIFY2(QFileInfo(path).size() > 1000, name);
        }
        const QImage png(dir.filePath(QStringLiteral("boxes.png")));
        QVERIFY(!png.isNull());
        QSvgRenderer svg(dir.filePath(QStringLiteral("boxes.svg")));
        QVERIFY(svg.isValid());
        QVERIFY(readFile(dir.filePath(QStringLiteral("boxes.svg"))).contains("per configuration"));
        QVERIFY(recorder_.messages.empty());

        // The Compare tab: A12 of each pair both ways, which make 1 together, nothing on the
        // diagonal, and the table copies.
        auto* compare = viewer->compareView()->table()->model();
        QCOMPARE(compare->rowCount(), 4);
        for (int a = 0; a < 4; ++a) {
            QVERIFY(compare->index(a, a).data().toString().isEmpty());
            for (int b = a + 1; b < 4; ++b) {
                const double ab = compare->index(a, b).data().toString().split(' ')[0].toDouble();
                const double ba = compare->index(b, a).data().toString().split(' ')[0].toDouble();
                QVERIFY(std::abs(ab + ba - 1.0) < 0.011);
            }
        }

        // A sweep whose table was cut short opens nothing and says where.
        QFile cut(QStringLiteral("out/runs.csv"));
        QVERIFY(cut.open(QIODevice::ReadWrite));
        cut.resize(cut.size() - 3);
        cut.close();
        QVERIFY(window.openResults(QStringLiteral("out")) == nullptr);
        QCOMPARE(recorder_.messages.size(), std::size_t{1});
        QVERIFY(recorder_.messages[0].text.contains(QStringLiteral("runs.csv")));
        QVERIFY(recorder_.messages[0].text.contains(QStringLiteral("line")));
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::ResultsWindowTest)
#include "results_window_test.moc"
