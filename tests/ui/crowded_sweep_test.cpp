// Tests for a sweep of many configurations in the results viewer: axis labels are never cut
// short, on screen or exported; a generation axis has whole-number ticks; a legend of too many
// lines gives way to a list; the summary table shows short numbers that stay distinct and copies
// whole; the boxes can be limited to the configurations picked.
#include <QtTest>

#include <QAbstractAxis>
#include <QAction>
#include <QBarCategoryAxis>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChartView>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QHeaderView>
#include <QLegend>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QValueAxis>
#include <set>

#include "support/window_helpers.hpp"
#include "ui/chart_labels.hpp"
#include "ui/results_window.hpp"

namespace murelta::ui {

namespace {

// 65 configurations over three swept keys, of one generation, or 4 over two.
constexpr const char* kCrowded =
    "[parameters]\nruns = \"4\"\ncycles = \"300\"\n[sweep]\n"
    "agents = [\"5\", \"10\", \"20\", \"40\", \"80\"]\n"
    "retina = [\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\", \"8\", \"9\", \"10\", \"11\", "
    "\"12\", \"13\"]\npreset = [\"Tab 10b\"]\n";
constexpr const char* kFew =
    "[parameters]\nruns = \"4\"\ncycles = \"300\"\n[sweep]\n"
    "agents = [\"10\", \"20\"]\npreset = [\"None\", \"Tab 10b\"]\n";

// A sweep run by murelta-batch in a folder of its own, open in a viewer of 1000 by 700.
struct Swept {
    QTemporaryDir dir;
    ResultsWindow viewer;
    explicit Swept(const char* sweep) {
        QTEST_ASSERT(dir.isValid());
        QFile file(dir.filePath(QStringLiteral("sweep.toml")));
        QTEST_ASSERT(file.open(QIODevice::WriteOnly));
        file.write(sweep);
        file.close();
        QTEST_ASSERT(QProcess::execute(QStringLiteral(MURELTA_BATCH),
                                       {QStringLiteral("sweep"), file.fileName(),
                                        QStringLiteral("--out"), out()}) == 0);
        QTEST_ASSERT(viewer.open(out()));
        viewer.resize(1000, 700);
        viewer.show();
        QTEST_ASSERT(QTest::qWaitForWindowExposed(&viewer));
        settle();
    }
    QString out() const { return dir.filePath(QStringLiteral("out")); }
    // Lets the charts lay themselves out and their labels fit the room they got.
    static void settle() {
        // A chart drops the items of an axis removed later, as an event loop would.
        for (int i = 0; i < 6; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    void showTab(QWidget* page) {
        for (QTabWidget* tabs : viewer.findChildren<QTabWidget*>()) {
            if (tabs->indexOf(page) >= 0) {
                tabs->setCurrentWidget(page);
            }
        }
        settle();
    }
};

// The ticks of a value axis with dynamic ticks: from the anchor, a tick interval apart.
std::vector<double> ticksOf(const QValueAxis& axis) {
    std::vector<double> ticks;
    const double interval = axis.tickInterval();
    double tick =
        axis.tickAnchor() + std::ceil((axis.min() - axis.tickAnchor()) / interval) * interval;
    for (; tick <= axis.max(); tick += interval) {
        ticks.push_back(tick);
    }
    return ticks;
}

// The texts a chart shows now, its labels and titles.
QStringList shownTexts(QChartView& view) {
    QStringList texts;
    for (QGraphicsItem* item : view.scene()->items()) {
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item); text && text->isVisible()) {
            texts.append(text->toPlainText());
        }
    }
    return texts;
}

// Whether every label of a chart's axes is whole: none cut short by the chart, and each
// category label within the room its way of fitting gives it.
void checkWholeLabels(QChartView& view) {
    QChart& chart = *view.chart();
    for (const QString& text : shownTexts(view)) {
        QVERIFY2(!text.contains(QStringLiteral("...")) && !text.contains(QChar(0x2026)),
                 qPrintable(text));
    }
    for (QAbstractAxis* axis : chart.axes()) {
        QVERIFY2(!axis->labelsTruncated(), qPrintable(axis->titleText()));
        auto* categories = qobject_cast<QBarCategoryAxis*>(axis);
        if (categories == nullptr) {
            continue;
        }
        const auto* labels = categories->findChild<CategoryLabels*>();
        QVERIFY(labels != nullptr);
        const QFontMetricsF metrics(categories->labelsFont());
        const LabelRoom room = labelRoom(chart, static_cast<int>(categories->count()));
        const CategoryFit fit = labels->fit();
        QCOMPARE(fit.fit,
                 fitCategories(metrics, labels->texts().full, labels->texts().shorts, room).fit);
        const double spacing = chart.plotArea().width() / categories->count();
        double lastEnd = -1e9;
        const QStringList shown = categories->categories();
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const double width = levelWidth(metrics, shown[i]);
            switch (fit.fit) {
                case LabelFit::kLevel:
                case LabelFit::kShort:
                    QVERIFY2(width <= room.width, qPrintable(shown[i]));
                    break;
                case LabelFit::kRotated:
                    QVERIFY(uprightWidth(metrics) <= room.width);
                    QVERIFY2(width <= room.length, qPrintable(shown[i]));
                    break;
                case LabelFit::kThinned:
                    // A label shown clears the one before it, and stays within the axis.
                    if (!shown[i].trimmed().isEmpty() && width > 5.0) {
                        const double centre = (static_cast<double>(i) + 0.5) * spacing;
                        QVERIFY2(centre - width / 2.0 >= lastEnd, qPrintable(shown[i]));
                        QVERIFY(centre + width / 2.0 <= chart.plotArea().width());
                        lastEnd = centre + width / 2.0;
                    }
                    break;
            }
        }
        if (fit.fit == LabelFit::kThinned) {
            // Thinned, not gone: about one category in `step` keeps its label.
            const auto labelled = std::count_if(shown.begin(), shown.end(), [](const QString& t) {
                return !t.trimmed().isEmpty() && t.front() != QChar(0x200B);
            });
            QVERIFY2(labelled >= shown.size() / fit.step - 2 && labelled > 0,
                     qPrintable(QString::number(labelled)));
        }
        QCOMPARE(axis->labelsAngle(), fit.fit == LabelFit::kRotated ? -90 : 0);
    }
}

// The significant digits of a number as written: its digits without the leading zeros.
int significantDigits(const QString& text) {
    QString digits = text;
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    while (digits.startsWith(QLatin1Char('0')) && digits.size() > 1) {
        digits.remove(0, 1);
    }
    return static_cast<int>(digits.size());
}

}  // namespace

class CrowdedSweepTest : public QObject {
    Q_OBJECT

    MessageRecorder recorder_;

  private slots:
    void init() { recorder_.messages.clear(); }
    void cleanup() { QVERIFY(recorder_.messages.empty()); }

    // 65 boxes: short labels, the values in the tooltip and the axis title saying so; a wide
    // window gives the full labels back; the other charts keep theirs whole.
    void crowdedAxesKeepTheirLabelsWhole() {
        Swept swept(kCrowded);
        QChartView& boxes = *swept.viewer.boxChart();
        QCOMPARE(swept.viewer.boxes()->count(), 65);
        checkWholeLabels(boxes);
        if (QTest::currentTestFailed()) {
            return;
        }
        auto* axis = qobject_cast<QBarCategoryAxis*>(boxes.chart()->axes(Qt::Horizontal)[0]);
        const CategoryFit fit = axis->findChild<CategoryLabels*>()->fit();
        QVERIFY(fit.fit == LabelFit::kShort || fit.fit == LabelFit::kThinned);
        QVERIFY(axis->titleText().contains(QStringLiteral("hover a box")));
        QCOMPARE(swept.viewer.boxToolTip(64).section('\n', 0, 0),
                 QStringLiteral("Configuration 64: agents 80, retina 13, preset Tab 10b"));
        QVERIFY(boxes.chart()->title().contains(QStringLiteral("Whiskers: least and greatest")));

        // Wider, the labels fit again, level or upright; narrower, they are short again.
        swept.viewer.resize(7000, 1400);
        Swept::settle();
        checkWholeLabels(boxes);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(axis->findChild<CategoryLabels*>()->fit().fit <= LabelFit::kRotated);
        QCOMPARE(axis->categories()[64], QStringLiteral("80, 13, Tab 10b"));
        QCOMPARE(axis->titleText(), QStringLiteral("agents, retina, preset"));
        swept.viewer.resize(1000, 700);
        Swept::settle();
        QCOMPARE(axis->findChild<CategoryLabels*>()->fit().fit, fit.fit);

        for (QChartView* view : {swept.viewer.fitnessChart()}) {
            swept.showTab(view->parentWidget());
            checkWholeLabels(*view);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
    }

    // One generation: a single tick, at 0, on the generation axes of the sweep and of a
    // configuration's record.
    void aSingleGenerationHasASingleTick() {
        Swept swept(kFew);
        const auto* x = qobject_cast<QValueAxis*>(
            swept.viewer.fitnessChart()->chart()->axes(Qt::Horizontal)[0]);
        QVERIFY(x != nullptr);
        QCOMPARE(x->tickType(), QValueAxis::TicksDynamic);
        QCOMPARE(ticksOf(*x), std::vector<double>{0.0});
        QCOMPARE(x->labelFormat(), QStringLiteral("%d"));

        const QDir config(swept.out() + QStringLiteral("/configs/0000"));
        const QStringList records = config.entryList({QStringLiteral("murData*.toml")});
        QVERIFY(!records.isEmpty());
        ResultsWindow viewer;
        QVERIFY(viewer.open(config.filePath(records[0])));
        auto* generations = child<QChartView>(viewer, "chartGenerations");
        const auto* axis = qobject_cast<QValueAxis*>(generations->chart()->axes(Qt::Horizontal)[0]);
        QCOMPARE(ticksOf(*axis), std::vector<double>{0.0});
        // Runs are counted in whole numbers too.
        auto* runs = child<QChartView>(viewer, "chartRuns");
        for (const double tick :
             ticksOf(*qobject_cast<QValueAxis*>(runs->chart()->axes(Qt::Horizontal)[0]))) {
            QCOMPARE(tick, std::round(tick));
        }
    }

    // 65 lines: no legend but a list whose checks show and hide them; 4 lines keep a legend.
    void aLongLegendGivesWayToAList() {
        Swept swept(kCrowded);
        QChart& chart = *swept.viewer.fitnessChart()->chart();
        swept.showTab(swept.viewer.fitnessChart()->parentWidget());
        auto* list = child<QListWidget>(swept.viewer, "lstFitnessConfigurations");
        QVERIFY(!chart.legend()->isVisible());
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 65);
        const QList<QAbstractSeries*> lines = chart.series();
        QCOMPARE(lines.size(), 65);
        list->item(3)->setCheckState(Qt::Unchecked);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QCOMPARE(lines[i]->isVisible(), i != 3);
        }
        click(swept.viewer, "btnFitnessConfigurationsNone");
        QVERIFY(std::none_of(lines.begin(), lines.end(),
                             [](QAbstractSeries* s) { return s->isVisible(); }));
        click(swept.viewer, "btnFitnessConfigurationsAll");
        QVERIFY(std::all_of(lines.begin(), lines.end(),
                            [](QAbstractSeries* s) { return s->isVisible(); }));

        Swept few(kFew);
        few.showTab(few.viewer.fitnessChart()->parentWidget());
        QVERIFY(few.viewer.fitnessChart()->chart()->legend()->isVisible());
        QVERIFY(!child<QListWidget>(few.viewer, "lstFitnessConfigurations")->isVisible());
    }

    // The summary: each field on one line and whole in its column, with at most 6 significant
    // digits (a whole part written whole) that still tell the column's values apart; Copy
    // Table gives the fields as summary.csv holds them.
    void theSummaryShowsShortDistinctNumbers() {
        Swept swept(kCrowded);
        QTableView* table = child<QTableView>(swept.viewer, "tblSummary");
        swept.showTab(table);
        QCOMPARE(swept.viewer.table(), table);
        QVERIFY(!table->wordWrap());
        const QStringList csv =
            QString::fromUtf8(readFile(swept.out() + QStringLiteral("/summary.csv")))
                .split(QStringLiteral("\r\n"));
        const QStringList copied = swept.viewer.tableText().split(QLatin1Char('\n'));
        QCOMPARE(copied,
                 QStringList(csv).replaceInStrings(QStringLiteral(","), QStringLiteral("\t")));
        const QAbstractItemModel& model = *table->model();
        const QFontMetrics metrics(table->font());
        bool shortened = false;
        for (int column = 0; column < model.columnCount(); ++column) {
            std::set<double> values;
            std::set<QString> shown;
            for (int row = 0; row < model.rowCount(); ++row) {
                const QString text = model.index(row, column).data().toString();
                const QString full = copied[row + 1].split(QLatin1Char('\t'))[column];
                QVERIFY2(!text.contains(QLatin1Char('\n')), qPrintable(text));
                QVERIFY2(metrics.horizontalAdvance(text) <= table->columnWidth(column),
                         qPrintable(text));
                bool isNumber = false;
                const double value = full.toDouble(&isNumber);
                if (!isNumber) {
                    QCOMPARE(text, full);
                    continue;
                }
                const int whole = significantDigits(text.section(QLatin1Char('.'), 0, 0));
                QVERIFY2(significantDigits(text) <= std::max(6, whole), qPrintable(text));
                QVERIFY(std::abs(text.toDouble() - value) <= 0.5 * std::abs(value) + 1e-9);
                shortened = shortened || text != full;
                values.insert(value);
                shown.insert(text);
            }
            QCOMPARE(shown.size(), values.size());
        }
        QVERIFY(shortened);
    }

    // Picked configurations only: fewer boxes, with their full labels when they fit, in the
    // chart and in its exports.
    void theBoxesShowTheConfigurationsPicked() {
        Swept swept(kCrowded);
        auto* list = child<QListWidget>(swept.viewer, "lstBoxConfigurations");
        QCOMPARE(list->count(), 65);
        click(swept.viewer, "btnBoxConfigurationsNone");
        QCOMPARE(swept.viewer.boxes()->count(), 0);
        for (const int row : {2, 30, 64}) {
            list->item(row)->setCheckState(Qt::Checked);
        }
        Swept::settle();
        const QList<QBoxSet*> boxes = swept.viewer.boxes()->boxSets();
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[1]->label(), QStringLiteral("20, 5, Tab 10b"));
        QVERIFY(swept.viewer.boxToolTip(2).startsWith(QStringLiteral("Configuration 64:")));
        QChartView& view = *swept.viewer.boxChart();
        checkWholeLabels(view);
        if (QTest::currentTestFailed()) {
            return;
        }
        auto* axis = qobject_cast<QBarCategoryAxis*>(view.chart()->axes(Qt::Horizontal)[0]);
        QCOMPARE(axis->categories(),
                 QStringList({"5, 3, Tab 10b", "20, 5, Tab 10b", "80, 13, Tab 10b"}));
        QCOMPARE(axis->findChild<CategoryLabels*>()->fit().fit, LabelFit::kLevel);
        for (const QString& name : {QStringLiteral("boxes.svg"), QStringLiteral("boxes.png")}) {
            const QString path = swept.dir.filePath(name);
            setFileChooser(
                [&](QWidget*, FileChoice, const QString&, const QString&) { return path; });
            child<QAction>(swept.viewer, "actionExportChart")->trigger();
            QVERIFY(QFileInfo(path).size() > 1000);
        }
        setFileChooser({});
        const QByteArray svg = readFile(swept.dir.filePath(QStringLiteral("boxes.svg")));
        for (const QString& label : axis->categories()) {
            QVERIFY2(svg.contains(label.toUtf8()), qPrintable(label));
        }
        QVERIFY(!svg.contains("..."));
        // More of them: upright labels, still whole.
        for (int row = 40; row < 56; ++row) {
            list->item(row)->setCheckState(Qt::Checked);
        }
        Swept::settle();
        checkWholeLabels(view);
        QCOMPARE(view.chart()->axes(Qt::Horizontal)[0]->findChild<CategoryLabels*>()->fit().fit,
                 LabelFit::kRotated);
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::CrowdedSweepTest)
#include "crowded_sweep_test.moc"
