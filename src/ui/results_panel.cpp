#include "ui/results_panel.hpp"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "sim/error.hpp"
#include "ui/chart_labels.hpp"
#include "ui/message_box.hpp"

namespace murelta::ui {

namespace {

QChartView* chartView(const QString& title, const char* name, QWidget* parent) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart, parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(280, 200);
    return view;
}

QValueAxis* axis(QChart* chart, const QString& title, Qt::Alignment side) {
    auto* a = new QValueAxis;
    a->setTitleText(title);
    a->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(a, side);
    return a;
}

template <typename Series>
Series* series(QChart* chart, const QString& name, QValueAxis* x, QValueAxis* y) {
    auto* s = new Series;
    s->setName(name);
    chart->addSeries(s);
    s->attachAxis(x);
    s->attachAxis(y);
    return s;
}

QScatterSeries* points(QChart* chart, const QString& name, QValueAxis* x, QValueAxis* y) {
    auto* s = series<QScatterSeries>(chart, name, x, y);
    s->setMarkerSize(6.0);
    s->setPen(Qt::NoPen);
    return s;
}

// A gene's mean as a line over a band of plus or minus its standard deviation.
QAreaSeries* band(QChart* chart, const QString& name, QValueAxis* x, QValueAxis* y) {
    // The area does not own its bounds; they go with it as its children.
    auto* area = new QAreaSeries;
    area->setUpperSeries(new QLineSeries(area));
    area->setLowerSeries(new QLineSeries(area));
    area->setName(name + QStringLiteral(" \u00b1 sd"));
    chart->addSeries(area);
    area->attachAxis(x);
    area->attachAxis(y);
    QColor fill = area->color();
    fill.setAlpha(60);
    area->setBrush(fill);
    area->setPen(Qt::NoPen);
    return area;
}

// Axis bounds that hold `high` with a little room, and never a range of nothing.
void stretch(QValueAxis* a, double low, double high) {
    if (!(high > low)) {
        high = low + 1.0;
    }
    a->setRange(low, high + (high - low) * 0.05);
    // Ticks at round numbers, which a reader takes in at a glance.
    a->applyNiceNumbers();
}

// Widens an axis, to round numbers, when it does not hold low to high; a chart lays itself
// out anew whenever an axis moves, so it moves only when it must.
void widen(QValueAxis* a, double low, double high) {
    if (low < a->min() || high > a->max()) {
        stretch(a, std::min(low, a->min()), std::max(high, a->max()));
    }
}

// Widens an axis of counts (runs, generations) when it does not reach `last`.
void widenCounts(QValueAxis* a, int last) {
    if (last > a->max() - 0.5 * a->tickInterval()) {
        setWholeNumberTicks(*a, 0, last);
    }
}

// A chart's title as text, line by line: a title may be written in HTML.
QStringList titleLines(const QChart& chart) {
    QString text = QTextDocumentFragment::fromHtml(chart.title()).toPlainText();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

QString number(double value) {
    return QString::number(value, 'f', 1);
}

// "mean (95% CI low to high)", or the mean alone when there is no interval.
QString withInterval(const Description& d) {
    if (std::isnan(d.ciLow)) {
        return number(d.mean);
    }
    return QStringLiteral("%1 (95% CI %2 to %3)")
        .arg(number(d.mean), number(d.ciLow), number(d.ciHigh));
}

}  // namespace

ResultsPanel::ResultsPanel(QWidget* parent) : QWidget(parent) {
    createCharts();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_, 1);
    layout->addWidget(summary_);
    clear();
}

void ResultsPanel::createCharts() {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabCharts"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lblSummary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    runsView_ = chartView(QStringLiteral("Exit cycles per run"), "chartRuns", this);
    QChart* runs = runsView_->chart();
    runAxis_ = axis(runs, QStringLiteral("Run"), Qt::AlignBottom);
    cycleAxis_ = axis(runs, QStringLiteral("Cycle"), Qt::AlignLeft);
    first_ = points(runs, QStringLiteral("First"), runAxis_, cycleAxis_);
    last_ = points(runs, QStringLiteral("Last"), runAxis_, cycleAxis_);
    meanFirst_ = series<QLineSeries>(runs, QStringLiteral("Mean First"), runAxis_, cycleAxis_);
    meanLast_ = series<QLineSeries>(runs, QStringLiteral("Mean Last"), runAxis_, cycleAxis_);
    meanFirst_->setColor(first_->color().darker(150));
    meanLast_->setColor(last_->color().darker(150));
    tabs_->addTab(runsView_, QStringLiteral("Runs"));

    percentView_ = chartView(QStringLiteral("% on target per run"), "chartPercent", this);
    QChart* percent = percentView_->chart();
    percentRunAxis_ = axis(percent, QStringLiteral("Run"), Qt::AlignBottom);
    QValueAxis* percentAxis = axis(percent, QStringLiteral("% on target"), Qt::AlignLeft);
    percentAxis->setRange(0.0, 100.0);
    percent_ = points(percent, QStringLiteral("% on target"), percentRunAxis_, percentAxis);
    meanPercent_ =
        series<QLineSeries>(percent, QStringLiteral("Mean"), percentRunAxis_, percentAxis);
    tabs_->addTab(percentView_, QStringLiteral("% on target"));

    generationsView_ = chartView(QStringLiteral("Generations"), "chartGenerations", this);
    QChart* generations = generationsView_->chart();
    generationAxis_ = axis(generations, QStringLiteral("Generation"), Qt::AlignBottom);
    fitnessAxis_ = axis(generations, QStringLiteral("Total Fitness"), Qt::AlignLeft);
    geneAxis_ = axis(generations, QStringLiteral("Gene"), Qt::AlignRight);
    expBand_ = band(generations, QStringLiteral("Exploration gene"), generationAxis_, geneAxis_);
    comBand_ = band(generations, QStringLiteral("Communication gene"), generationAxis_, geneAxis_);
    fitness_ = series<QLineSeries>(generations, QStringLiteral("Total Fitness"), generationAxis_,
                                   fitnessAxis_);
    fitness_->setPointsVisible(true);
    expGene_ = series<QLineSeries>(generations, QStringLiteral("Exploration gene"), generationAxis_,
                                   geneAxis_);
    comGene_ = series<QLineSeries>(generations, QStringLiteral("Communication gene"),
                                   generationAxis_, geneAxis_);
    expGene_->setColor(expBand_->color().darker(130));
    comGene_->setColor(comBand_->color().darker(130));
    tabs_->addTab(generationsView_, QStringLiteral("Generations"));
    setGenesShown(false);
}

void ResultsPanel::clear() {
    runs_.clear();
    generations_.clear();
    shownRuns_ = 0;
    shownGenerations_ = 0;
    runsGeneration_ = -1;
    for (QXYSeries* s : std::initializer_list<QXYSeries*>{
             first_, last_, meanFirst_, meanLast_, percent_, meanPercent_, fitness_, expGene_,
             comGene_, expBand_->upperSeries(), expBand_->lowerSeries(), comBand_->upperSeries(),
             comBand_->lowerSeries()}) {
        s->clear();
    }
    setWholeNumberTicks(*runAxis_, 0, 0);
    setWholeNumberTicks(*percentRunAxis_, 0, 0);
    stretch(cycleAxis_, 0.0, 1.0);
    setWholeNumberTicks(*generationAxis_, 0, 0);
    stretch(fitnessAxis_, 0.0, 1.0);
    stretch(geneAxis_, 0.0, 1.0);
    summary_->setText(QStringLiteral("No runs yet."));
}

void ResultsPanel::addRun(const RunResult& run) {
    if (run.generation != runsGeneration_) {
        runs_.clear();
        shownRuns_ = 0;
        runsGeneration_ = run.generation;
        for (QXYSeries* s : std::initializer_list<QXYSeries*>{first_, last_, meanFirst_, meanLast_,
                                                              percent_, meanPercent_}) {
            s->clear();
        }
        stretch(cycleAxis_, 0.0, 1.0);
    }
    runs_.push_back(run);
}

void ResultsPanel::expectRuns(int runCount) {
    setWholeNumberTicks(*runAxis_, 0, runCount - 1);
    setWholeNumberTicks(*percentRunAxis_, 0, runCount - 1);
}

void ResultsPanel::expectGenerations(int generationCount) {
    setWholeNumberTicks(*generationAxis_, 0, generationCount - 1);
}

void ResultsPanel::addGeneration(const GenerationSummary& generation) {
    generations_.push_back(generation);
}

void ResultsPanel::setGenesShown(bool shown) {
    genesShown_ = shown;
    for (QAbstractSeries* s :
         std::initializer_list<QAbstractSeries*>{expGene_, comGene_, expBand_, comBand_}) {
        s->setVisible(shown);
    }
    geneAxis_->setVisible(shown);
}

void ResultsPanel::refresh() {
    if (shownRuns_ < runs_.size()) {
        QList<QPointF> firsts;
        QList<QPointF> lasts;
        QList<QPointF> meanFirsts;
        QList<QPointF> meanLasts;
        QList<QPointF> percents;
        QList<QPointF> meanPercents;
        const RunColumns columns = runColumns();
        const std::vector<double> meanFirst = runningMeans(columns.first);
        const std::vector<double> meanLast = runningMeans(columns.last);
        const std::vector<double> meanPercent = runningMeans(columns.percentOut);
        double highest = 0.0;
        for (std::size_t i = shownRuns_; i < runs_.size(); ++i) {
            const RunResult& r = runs_[i];
            const auto x = static_cast<double>(r.run);
            firsts.append({x, r.first});
            lasts.append({x, r.last});
            meanFirsts.append({x, meanFirst[i]});
            meanLasts.append({x, meanLast[i]});
            percents.append({x, r.percentOut});
            meanPercents.append({x, meanPercent[i]});
            highest = std::max({highest, r.first, r.last});
        }
        first_->append(firsts);
        last_->append(lasts);
        meanFirst_->append(meanFirsts);
        meanLast_->append(meanLasts);
        percent_->append(percents);
        meanPercent_->append(meanPercents);
        shownRuns_ = runs_.size();
        widenCounts(runAxis_, runs_.back().run);
        widenCounts(percentRunAxis_, runs_.back().run);
        widen(cycleAxis_, 0.0, highest);
        updateSummary(columns);
    }
    if (shownGenerations_ < generations_.size()) {
        for (std::size_t i = shownGenerations_; i < generations_.size(); ++i) {
            const GenerationSummary& g = generations_[i];
            const auto x = static_cast<double>(g.generation);
            fitness_->append(x, g.totalFitness);
            expGene_->append(x, g.expGeneMean);
            comGene_->append(x, g.comGeneMean);
            expBand_->upperSeries()->append(x, g.expGeneMean + g.expGeneSd);
            expBand_->lowerSeries()->append(x, g.expGeneMean - g.expGeneSd);
            comBand_->upperSeries()->append(x, g.comGeneMean + g.comGeneSd);
            comBand_->lowerSeries()->append(x, g.comGeneMean - g.comGeneSd);
        }
        shownGenerations_ = generations_.size();
        double low = 0.0;
        double high = 0.0;
        double geneHigh = 0.0;
        for (const GenerationSummary& g : generations_) {
            low = std::min(low, g.totalFitness);
            high = std::max(high, g.totalFitness);
            geneHigh =
                std::max({geneHigh, g.expGeneMean + g.expGeneSd, g.comGeneMean + g.comGeneSd});
        }
        widenCounts(generationAxis_, generations_.back().generation);
        widen(fitnessAxis_, low, high);
        widen(geneAxis_, 0.0, geneHigh);
    }
}

ResultsPanel::RunColumns ResultsPanel::runColumns() const {
    RunColumns columns;
    for (const RunResult& r : runs_) {
        columns.first.push_back(r.first);
        columns.last.push_back(r.last);
        columns.percentOut.push_back(r.percentOut);
    }
    return columns;
}

void ResultsPanel::updateSummary(const RunColumns& columns) {
    const double percent = 100.0 * allOutShare(columns.percentOut);
    summary_->setText(QStringLiteral("Generation %1, runs done: %2. First: %3. Last: %4. "
                                     "Every agent out in %5% of runs.")
                          .arg(runsGeneration_)
                          .arg(runs_.size())
                          .arg(withInterval(describe(columns.first)),
                               withInterval(describe(columns.last)), number(percent)));
}

void ResultsPanel::showResults(const SimulationResults& results, int generation) {
    clear();
    setGenesShown(results.geneOn);
    for (const RunResult& run : results.runs) {
        if (run.generation == generation) {
            addRun(run);
        }
    }
    for (const GenerationSummary& g : results.generations) {
        addGeneration(g);
    }
    refresh();
}

QChartView* ResultsPanel::currentChart() const {
    return qobject_cast<QChartView*>(tabs_->currentWidget());
}

QString ResultsPanel::summaryText() const {
    return summary_->text();
}

void exportChart(QChartView& view, const QString& path) {
    const auto fail = [&](const QString& why) {
        throw Error(
            QStringLiteral("The chart cannot be saved as %1: %2").arg(path, why).toStdString());
    };
    const bool svg = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
    if (!svg && !path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        fail(QStringLiteral("the name must end in .png or .svg."));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(file.errorString() + QLatin1Char('.'));
    }
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(view.size());
        generator.setViewBox(QRect(QPoint(0, 0), view.size()));
        generator.setTitle(titleLines(*view.chart()).join(QLatin1Char(' ')).simplified());
        QPainter painter(&generator);
        view.render(&painter);
        painter.end();
    } else if (!view.grab().save(&file, "PNG")) {
        file.cancelWriting();
        fail(QStringLiteral("the picture could not be made."));
    }
    if (!file.commit()) {
        fail(file.errorString() + QLatin1Char('.'));
    }
}

void askAndExportChart(QWidget* parent, QChartView& view) {
    // The first line names the chart; a second one tells how to read it.
    QString name = titleLines(*view.chart()).front();
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    const QString path =
        chooseFile(parent, FileChoice::Save, QStringLiteral("Export chart"),
                   QDir::current().filePath(name.toLower() + QStringLiteral(".png")),
                   QStringLiteral("PNG image (*.png);;SVG image (*.svg)"));
    if (!path.isEmpty()) {
        runCommand(parent, [&] { exportChart(view, path); });
    }
}

}  // namespace murelta::ui
