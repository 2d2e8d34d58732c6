// Tests for the results viewer on a calibration folder: the charts hold every objective of
// evaluations.csv and the best found so far, an nsga2 front holds the members of front.csv,
// the validation table reads as validation.csv, the charts export, and a damaged table is
// refused with its line named while the page shown before stays.
#include <QtTest>

#include <QAction>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/calibration.hpp"
#include "support/window_helpers.hpp"
#include "ui/results_window.hpp"

namespace murelta::ui {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

const char* const kCmaes =
    "[parameters]\nruns = \"4\"\nagents = \"6\"\ncycles = \"1000\"\n"
    "[calibration]\nmethod = \"cmaes\"\nevaluations = 24\npopulation = 8\nseed = 3\n"
    "[calibration.free]\nretina = { from = 1, to = 20 }\n"
    "[calibration.targets]\nlast_mean = 400\n";

const char* const kNsga2 =
    "[parameters]\nruns = \"4\"\nagents = \"6\"\ncycles = \"2000\"\n"
    "[calibration]\nmethod = \"nsga2\"\nevaluations = 32\npopulation = 8\nseed = 1\n"
    "[calibration.free]\nretina = { from = 1, to = 20 }\np = { from = 0.0, to = 1.0 }\n"
    "[calibration.targets]\nlast_mean = 1000\nfirst_mean = 100\n";

// A calibration run in a folder of its own.
struct Calibrated {
    QTemporaryDir dir;
    QString folder;

    explicit Calibrated(const char* text) {
        QTEST_ASSERT(dir.isValid());
        folder = dir.filePath(QStringLiteral("calibration"));
        CalibrationProgress quiet;
        runCalibration(parseExperiment(text, "test.toml"), "test.toml", folder.toStdString(), 2,
                       quiet);
    }
    QString file(const char* name) const { return folder + QLatin1Char('/') + name; }
};

// Column `name` of a table as the calibration wrote it (CRLF lines, no quoted fields), as
// objectives read.
std::vector<double> column(const QString& path, const QString& name) {
    QStringList lines =
        QString::fromUtf8(readFile(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QTEST_ASSERT(!lines.isEmpty());
    const auto at = lines.takeFirst().split(QLatin1Char(',')).indexOf(name);
    QTEST_ASSERT(at >= 0);
    std::vector<double> values;
    for (const QString& line : lines) {
        const QString field = line.split(QLatin1Char(','))[at];
        values.push_back(field == QStringLiteral("Infinity") ? kInfinity : field.toDouble());
    }
    return values;
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QTEST_ASSERT(file.open(QIODevice::WriteOnly));
    file.write(text);
}

template <typename T>
T* seriesNamed(const QChartView* view, const QString& name) {
    for (QAbstractSeries* series : view->chart()->series()) {
        if (series->name() == name) {
            return qobject_cast<T*>(series);
        }
    }
    return nullptr;
}

QTabWidget* tabsOf(QWidget* page) {
    return qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
}

// The scatter holds every finite objective at its evaluation; the line is the least of them up
// to each evaluation, so it never rises and ends at the least of all.
void checkObjective(const QChartView* view, const QString& points, const QString& best,
                    const std::vector<double>& objectives) {
    const auto* scatter = seriesNamed<QScatterSeries>(view, points);
    const auto* line = seriesNamed<QLineSeries>(view, best);
    QVERIFY2(scatter != nullptr && line != nullptr, qPrintable(points));
    QList<QPointF> expected;
    double least = kInfinity;
    for (std::size_t i = 0; i < objectives.size(); ++i) {
        if (std::isfinite(objectives[i])) {
            expected.append(QPointF(static_cast<double>(i), objectives[i]));
            least = std::min(least, objectives[i]);
        }
    }
    QCOMPARE(scatter->points(), expected);
    const QList<QPointF> bests = line->points();
    QCOMPARE(bests.size(), expected.size());
    for (qsizetype i = 1; i < bests.size(); ++i) {
        QVERIFY(bests[i].y() <= bests[i - 1].y());
        QVERIFY(bests[i].y() <= expected[i].y());
    }
    QCOMPARE(bests.back().y(), least);
}

}  // namespace

class CalibrationViewerTest : public QObject {
    Q_OBJECT

    MessageRecorder recorder_;

  private slots:
    void init() { recorder_.messages.clear(); }
    void cleanup() { setFileChooser({}); }

    // cmaes: one objective and its best so far, no front, the validation table as written;
    // the folder and a file in it open the same, and the chart exports as PNG and SVG.
    void aCmaesCalibrationShowsEveryObjectiveAndExports() {
        const Calibrated calibrated(kCmaes);
        const std::vector<double> objectives =
            column(calibrated.file("evaluations.csv"), QStringLiteral("objective"));
        QCOMPARE(objectives.size(), std::size_t{24});

        ResultsWindow viewer;
        for (const QString& path : {calibrated.folder, calibrated.file("best.toml")}) {
            QVERIFY(viewer.open(path));
            QVERIFY(viewer.showsCalibration());
            QVERIFY(!viewer.showsSweep());
            checkObjective(viewer.calibrationChart(), QStringLiteral("Objective"),
                           QStringLiteral("Best so far"), objectives);
            if (QTest::currentTestFailed()) {
                return;
            }
            QCOMPARE(viewer.calibrationChart()->chart()->series().size(), 2);
        }
        // The objective axis is logarithmic when the objectives are above 0 and span a decade.
        const auto [least, greatest] = std::minmax_element(objectives.begin(), objectives.end());
        const bool logarithmic = *least > 0 && *greatest >= 10 * *least;
        const QList<QAbstractAxis*> vertical =
            viewer.calibrationChart()->chart()->axes(Qt::Vertical);
        QCOMPARE(vertical.size(), 1);
        QCOMPARE(qobject_cast<QLogValueAxis*>(vertical[0]) != nullptr, logarithmic);
        QCOMPARE(vertical[0]->titleText(), QStringLiteral("Objective"));

        QTabWidget* tabs = tabsOf(viewer.calibrationChart());
        QVERIFY(tabs != nullptr);
        QVERIFY(!tabs->isTabVisible(tabs->indexOf(viewer.frontChart())));
        QCOMPARE(viewer.currentChart(), viewer.calibrationChart());

        // The validation table copies as validation.csv reads, tab-separated.
        const QStringList csv = QString::fromUtf8(readFile(calibrated.file("validation.csv")))
                                    .split(QStringLiteral("\r\n"));
        QCOMPARE(viewer.table(), child<QTableView>(viewer, "tblValidation"));
        QCOMPARE(viewer.tableText().split(QLatin1Char('\n')),
                 QStringList(csv).replaceInStrings(QStringLiteral(","), QStringLiteral("\t")));

        viewer.resize(900, 600);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        const QTemporaryDir out;
        QVERIFY(out.isValid());
        for (const char* name : {"evaluations.png", "evaluations.svg"}) {
            const QString path = out.filePath(QString::fromLatin1(name));
            setFileChooser(
                [&](QWidget*, FileChoice, const QString&, const QString&) { return path; });
            child<QAction>(viewer, "actionExportChart")->trigger();
            QVERIFY2(QFileInfo(path).size() > 1000, name);
        }
        QVERIFY(!QImage(out.filePath(QStringLiteral("evaluations.png"))).isNull());
        QVERIFY(QSvgRenderer(out.filePath(QStringLiteral("evaluations.svg"))).isValid());
        QVERIFY(readFile(out.filePath(QStringLiteral("evaluations.svg")))
                    .contains("Objective per evaluation"));

        QVERIFY(recorder_.messages.empty());
        // The validation tab holds no chart to export.
        tabs->setCurrentWidget(viewer.table());
        QVERIFY(viewer.currentChart() == nullptr);
    }

    // nsga2: a scatter and a best-so-far line per target, and the front among all the
    // evaluations with exactly the members of front.csv.
    void anNsga2CalibrationShowsItsFront() {
        const Calibrated calibrated(kNsga2);
        ResultsWindow viewer;
        QVERIFY(viewer.open(calibrated.file("front.csv")));
        QVERIFY(viewer.showsCalibration());
        QCOMPARE(viewer.calibrationChart()->chart()->series().size(), 4);
        for (const QString& target : {QStringLiteral("last_mean"), QStringLiteral("first_mean")}) {
            checkObjective(
                viewer.calibrationChart(), target, target + QStringLiteral(", best so far"),
                column(calibrated.file("evaluations.csv"), QStringLiteral("objective_") + target));
            if (QTest::currentTestFailed()) {
                return;
            }
        }

        QTabWidget* tabs = tabsOf(viewer.frontChart());
        QVERIFY(tabs->isTabVisible(tabs->indexOf(viewer.frontChart())));
        tabs->setCurrentWidget(viewer.frontChart());
        QCOMPARE(viewer.currentChart(), viewer.frontChart());
        const auto* all = seriesNamed<QScatterSeries>(viewer.frontChart(), "Evaluations");
        const auto* members = seriesNamed<QScatterSeries>(viewer.frontChart(), "Front");
        QVERIFY(all != nullptr && members != nullptr);
        QCOMPARE(
            all->count(),
            static_cast<int>(
                column(calibrated.file("evaluations.csv"), QStringLiteral("evaluation")).size()));
        QVERIFY(members->markerSize() > all->markerSize());
        QVERIFY(members->color() != all->color());
        const std::vector<double> x =
            column(calibrated.file("front.csv"), QStringLiteral("objective_last_mean"));
        const std::vector<double> y =
            column(calibrated.file("front.csv"), QStringLiteral("objective_first_mean"));
        QList<QPointF> expected;
        for (std::size_t i = 0; i < x.size(); ++i) {
            expected.append(QPointF(x[i], y[i]));
        }
        // Joined in the order of the first objective.
        std::sort(expected.begin(), expected.end(), [](const QPointF& a, const QPointF& b) {
            return std::pair(a.x(), a.y()) < std::pair(b.x(), b.y());
        });
        QVERIFY(!expected.isEmpty());
        QCOMPARE(members->points(), expected);
        const QList<QAbstractAxis*> horizontal = viewer.frontChart()->chart()->axes(Qt::Horizontal);
        const QList<QAbstractAxis*> vertical = viewer.frontChart()->chart()->axes(Qt::Vertical);
        QCOMPARE(horizontal[0]->titleText(), QStringLiteral("objective_last_mean"));
        QCOMPARE(vertical[0]->titleText(), QStringLiteral("objective_first_mean"));
        QCOMPARE(viewer.table()->model()->rowCount(), 2 * static_cast<int>(x.size()));
        QVERIFY(recorder_.messages.empty());
    }

    // A damaged table is named with its line, and the calibration shown before stays.
    void aDamagedCalibrationIsRefusedAndWhatWasShownStays() {
        const Calibrated calibrated(kNsga2);
        ResultsWindow viewer;
        QVERIFY(viewer.open(calibrated.folder));
        const QList<QPointF> shown =
            seriesNamed<QScatterSeries>(viewer.calibrationChart(), "last_mean")->points();
        const struct {
            const char* file;
            int line;
            int field;
            const char* text;
        } cases[] = {
            // The second evaluation's first objective is no number; the rows skip an
            // evaluation; a validated target is not one of the calibration's.
            {"evaluations.csv", 3, 6, "x"},
            {"evaluations.csv", 3, 0, "2"},
            {"validation.csv", 3, 4, "first_sd"},
        };
        for (const auto& c : cases) {
            recorder_.messages.clear();
            const QByteArray original = readFile(calibrated.file(c.file));
            QList<QByteArray> lines = original.split('\n');
            QList<QByteArray> fields = lines[c.line - 1].split(',');
            fields[c.field] = c.text;
            lines[c.line - 1] = fields.join(',');
            writeFile(calibrated.file(c.file), lines.join('\n'));
            QVERIFY(!viewer.open(calibrated.file("calibration.toml")));
            QCOMPARE(recorder_.messages.size(), std::size_t{1});
            const QString where = QStringLiteral("%1, line %2").arg(c.file).arg(c.line);
            QVERIFY2(recorder_.messages[0].text.contains(where),
                     qPrintable(recorder_.messages[0].text));
            QVERIFY(viewer.showsCalibration());
            QCOMPARE(seriesNamed<QScatterSeries>(viewer.calibrationChart(), "last_mean")->points(),
                     shown);
            writeFile(calibrated.file(c.file), original);
        }
        recorder_.messages.clear();
        QVERIFY(viewer.open(calibrated.folder));
        QVERIFY(recorder_.messages.empty());
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::CalibrationViewerTest)
#include "calibration_viewer_test.moc"
