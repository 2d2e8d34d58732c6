#include "ui/results_window.hpp"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>

#include "experiment/tables.hpp"
#include "sim/numbers.hpp"
#include "ui/analysis_views.hpp"
#include "ui/calibration_charts.hpp"
#include "ui/chart_labels.hpp"
#include "ui/effect_views.hpp"
#include "ui/look.hpp"
#include "ui/message_box.hpp"
#include "ui/results_panel.hpp"

namespace murelta::ui {

namespace {

// The metrics a box plot can show, as the tables name them.
constexpr auto kMetrics = tables::kMetrics;

QString metricName(int metric) {
    const std::string_view name = kMetrics[static_cast<std::size_t>(metric)];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

double metricOf(const RunResult& run, int metric) {
    switch (metric) {
        case 0:
            return run.first;
        case 1:
            return run.last;
        default:
            return run.percentOut;
    }
}

QChartView* chartView(const QString& title, const char* name, QWidget* parent) {
    auto* chart = new QChart;
    chart->setTitle(title);
    auto* view = new QChartView(chart, parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

// The text of a table's field as its file holds it, which Copy Table gives; the field shows
// as few digits as tell the column's values apart.
constexpr int kFullTextRole = Qt::UserRole + 1;

QTableView* tableView(QStandardItemModel* model, const char* name, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setSortingEnabled(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A field on one line, whole: the columns take the width of their contents.
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideNone);
    view->verticalHeader()->hide();
    return view;
}

// Fills a table with text fields; a column sorts by number where its fields are numbers, and
// an empty field (a statistic with too few runs) sorts first. Numbers show as many digits as
// tell the column's values apart, the whole text in their tooltip.
void fillTable(QTableView& view, QStandardItemModel& model, const std::vector<std::string>& header,
               const std::vector<std::vector<std::string>>& rows) {
    model.clear();
    QStringList names;
    for (const std::string& name : header) {
        names.append(QString::fromStdString(name));
    }
    model.setHorizontalHeaderLabels(names);
    model.setSortRole(Qt::UserRole);
    std::vector<QStringList> columns;
    for (const std::vector<std::string>& fields : rows) {
        for (std::size_t column = 0; column < fields.size(); ++column) {
            if (column >= columns.size()) {
                columns.resize(column + 1);
            }
            columns[column].append(QString::fromStdString(fields[column]));
        }
    }
    for (QStringList& column : columns) {
        column = shortNumbers(column);
    }
    std::vector<qsizetype> next(columns.size(), 0);
    for (const std::vector<std::string>& fields : rows) {
        QList<QStandardItem*> items;
        for (std::size_t column = 0; column < fields.size(); ++column) {
            const QString text = QString::fromStdString(fields[column]);
            auto* item = new QStandardItem(columns[column][next[column]++]);
            item->setData(text, kFullTextRole);
            if (item->text() != text) {
                item->setToolTip(text);
            }
            bool isNumber = false;
            const double value = text.toDouble(&isNumber);
            if (isNumber) {
                item->setData(value, Qt::UserRole);
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            } else if (text.isEmpty()) {
                item->setData(-std::numeric_limits<double>::infinity(), Qt::UserRole);
            } else {
                item->setData(text, Qt::UserRole);
            }
            items.append(item);
        }
        model.appendRow(items);
    }
    view.resizeColumnsToContents();
}

// "10, Tab 2": the swept values of a configuration.
QString configurationLabel(const ConfigurationResults& c) {
    QStringList values;
    for (const std::string& value : c.values) {
        values.append(QString::fromStdString(value));
    }
    return values.join(QStringLiteral(", "));
}

// "Configuration 3: agents 10, preset Tab 2": a configuration named in full.
QString configurationName(const ConfigurationResults& c, const std::vector<std::string>& keys) {
    QStringList values;
    for (std::size_t k = 0; k < c.values.size(); ++k) {
        values.append(QStringLiteral("%1 %2").arg(
            k < keys.size() ? QString::fromStdString(keys[k]) : QString(),
            QString::fromStdString(c.values[k])));
    }
    QString name = QStringLiteral("Configuration %1").arg(c.config);
    return values.isEmpty() ? name
                            : name + QStringLiteral(": ") + values.join(QStringLiteral(", "));
}

// "3: 10, Tab 2": a configuration as a picker lists it.
QString configurationEntry(const ConfigurationResults& c) {
    const QString values = configurationLabel(c);
    return values.isEmpty() ? QString::number(c.config)
                            : QStringLiteral("%1: %2").arg(c.config).arg(values);
}

int lastGeneration(const std::vector<RunResult>& runs) {
    int last = 0;
    for (const RunResult& run : runs) {
        last = std::max(last, run.generation);
    }
    return last;
}

}  // namespace

ResultsWindow::ResultsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmResults"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Results - %1").arg(kAppTitle));
    createActions();
    createMenus();
    buildLayout();
    resize(1000, 700);
}

void ResultsWindow::createActions() {
    exportAction_ = new QAction(QStringLiteral("&Export Chart..."), this);
    exportAction_->setObjectName(QStringLiteral("actionExportChart"));
    connect(exportAction_, &QAction::triggered, this, &ResultsWindow::exportChart);
    copyAction_ = new QAction(QStringLiteral("&Copy Table"), this);
    copyAction_->setObjectName(QStringLiteral("actionCopyTable"));
    copyAction_->setShortcut(QKeySequence::Copy);
    connect(copyAction_, &QAction::triggered, this, &ResultsWindow::copyTable);
    closeAction_ = new QAction(QStringLiteral("&Close"), this);
    closeAction_->setObjectName(QStringLiteral("actionClose"));
    closeAction_->setShortcut(QKeySequence::Close);
    connect(closeAction_, &QAction::triggered, this, &QWidget::close);
}

void ResultsWindow::createMenus() {
    menuBar_ = new QMenuBar(this);
    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    file->addAction(exportAction_);
    file->addSeparator();
    file->addAction(closeAction_);
    QMenu* edit = menuBar_->addMenu(QStringLiteral("&Edit"));
    edit->addAction(copyAction_);
}

void ResultsWindow::buildLayout() {
    // A simulation: the generation picker over its charts and its runs.
    auto* simulationPage = new QWidget(this);
    generation_ = new QSpinBox(simulationPage);
    generation_->setObjectName(QStringLiteral("spnGeneration"));
    connect(generation_, &QSpinBox::valueChanged, this, &ResultsWindow::drawSimulation);
    panel_ = new ResultsPanel(simulationPage);
    runsModel_ = new QStandardItemModel(this);
    runsTable_ = tableView(runsModel_, "tblRuns", simulationPage);
    simulationTabs_ = new QTabWidget(simulationPage);
    simulationTabs_->addTab(panel_, QStringLiteral("Charts"));
    simulationTabs_->addTab(runsTable_, QStringLiteral("Runs"));
    auto* simulationPicker = new QFormLayout;
    simulationPicker->addRow(QStringLiteral("Generation"), generation_);
    auto* simulationLayout = new QVBoxLayout(simulationPage);
    simulationLayout->addLayout(simulationPicker);
    simulationLayout->addWidget(simulationTabs_, 1);

    // A sweep: box plots of a metric, the summary table and Total Fitness.
    auto* sweepPage = new QWidget(this);
    metric_ = new QComboBox(sweepPage);
    metric_->setObjectName(QStringLiteral("cmbMetric"));
    for (const std::string_view metric : kMetrics) {
        metric_->addItem(QString::fromLatin1(metric.data(), static_cast<qsizetype>(metric.size())));
    }
    sweepGeneration_ = new QSpinBox(sweepPage);
    sweepGeneration_->setObjectName(QStringLiteral("spnSweepGeneration"));
    connect(metric_, &QComboBox::currentIndexChanged, this, &ResultsWindow::drawBoxes);
    connect(sweepGeneration_, &QSpinBox::valueChanged, this, &ResultsWindow::drawBoxes);
    boxView_ = chartView(QString(), "chartBoxes", sweepPage);
    boxes_ = new QBoxPlotSeries;
    boxes_->setObjectName(QStringLiteral("seriesBoxes"));
    boxView_->chart()->addSeries(boxes_);
    boxView_->chart()->legend()->hide();
    // A box tells its configuration when hovered, as the short labels of a crowded axis do
    // not.
    connect(boxes_, &QBoxPlotSeries::hovered, this, [this](bool status, QBoxSet* set) {
        const int box = static_cast<int>(boxes_->boxSets().indexOf(set));
        if (status && box >= 0) {
            QToolTip::showText(QCursor::pos(), boxToolTip(box), boxView_);
        } else {
            QToolTip::hideText();
        }
    });
    auto* boxPage = new QWidget(sweepPage);
    boxPicker_ = new EntryList("lstBoxConfigurations", QStringLiteral("Configurations"), boxPage);
    connect(boxPicker_, &EntryList::changed, this, &ResultsWindow::drawBoxes);
    auto* boxPicker = new QHBoxLayout;
    boxPicker->addWidget(new QLabel(QStringLiteral("Metric"), boxPage));
    boxPicker->addWidget(metric_);
    boxPicker->addWidget(new QLabel(QStringLiteral("Generation"), boxPage));
    boxPicker->addWidget(sweepGeneration_);
    boxPicker->addStretch();
    auto* boxLayout = new QVBoxLayout(boxPage);
    boxLayout->addLayout(boxPicker);
    auto* boxRow = new QHBoxLayout;
    boxRow->addWidget(boxView_, 1);
    boxRow->addWidget(boxPicker_);
    boxLayout->addLayout(boxRow, 1);
    summaryModel_ = new QStandardItemModel(this);
    summaryTable_ = tableView(summaryModel_, "tblSummary", sweepPage);
    fitnessView_ =
        chartView(QStringLiteral("Total Fitness per configuration"), "chartFitness", sweepPage);
    fitnessView_->chart()->legend()->setAlignment(Qt::AlignRight);
    auto* fitnessPage = new QWidget(sweepPage);
    fitnessView_->setParent(fitnessPage);
    fitnessPicker_ =
        new EntryList("lstFitnessConfigurations", QStringLiteral("Configurations"), fitnessPage);
    connect(fitnessPicker_, &EntryList::changed, this, &ResultsWindow::showFitnessLines);
    auto* fitnessLayout = new QHBoxLayout(fitnessPage);
    fitnessLayout->addWidget(fitnessView_, 1);
    fitnessLayout->addWidget(fitnessPicker_);
    sweepTabs_ = new QTabWidget(sweepPage);
    sweepTabs_->addTab(boxPage, QStringLiteral("Box plots"));
    sweepTabs_->addTab(summaryTable_, QStringLiteral("Summary"));
    sweepTabs_->addTab(fitnessPage, QStringLiteral("Total Fitness"));
    sensitivity_ = new SensitivityView(sweepPage);
    sensitivity_->hide();
    compare_ = new CompareView(sweepPage);
    compare_->hide();
    effects_ = new EffectView(sweepPage);
    effects_->hide();
    heatMap_ = new HeatMapView(sweepPage);
    heatMap_->hide();
    auto* sweepLayout = new QVBoxLayout(sweepPage);
    sweepLayout->addWidget(sweepTabs_);

    // A calibration: the objective of every evaluation, its front (nsga2 only) and how the
    // candidates chosen did on fresh seeds (once validated).
    auto* calibrationPage = new QWidget(this);
    calibrationView_ = chartView(QString(), "chartCalibration", calibrationPage);
    frontView_ = chartView(QString(), "chartFront", calibrationPage);
    validationModel_ = new QStandardItemModel(this);
    validationTable_ = tableView(validationModel_, "tblValidation", calibrationPage);
    calibrationTabs_ = new QTabWidget(calibrationPage);
    calibrationTabs_->addTab(calibrationView_, QStringLiteral("Evaluations"));
    calibrationTabs_->addTab(frontView_, QStringLiteral("Front"));
    calibrationTabs_->addTab(validationTable_, QStringLiteral("Validation"));
    auto* calibrationLayout = new QVBoxLayout(calibrationPage);
    calibrationLayout->addWidget(calibrationTabs_);

    pages_ = new QStackedWidget(this);
    pages_->addWidget(simulationPage);
    pages_->addWidget(sweepPage);
    pages_->addWidget(calibrationPage);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar_);
    layout->addWidget(pages_);
}

bool ResultsWindow::open(const QString& path) {
    return runCommand(this, [&] {
        const std::filesystem::path chosen(path.toStdString());
        const bool folder = std::filesystem::is_directory(chosen);
        // A folder, or the folder of a sweep's or a calibration's own files; a configuration's
        // record, or an evaluation's, lives a folder further down.
        const std::filesystem::path dir = folder ? chosen : chosen.parent_path();
        if (std::filesystem::exists(dir / "calibration.toml")) {
            showCalibration(readCalibrationResults(dir));
        } else if (folder || std::filesystem::exists(dir / "sweep.toml")) {
            showSweep(readSweepResults(dir));
        } else {
            showSimulation(readSimulationResults(chosen));
        }
        setWindowTitle(
            QStringLiteral("Results: %1 - %2").arg(QFileInfo(path).absoluteFilePath(), kAppTitle));
    });
}

void ResultsWindow::showSimulation(SimulationResults results) {
    simulation_ = std::move(results);
    showsSweep_ = false;
    showsCalibration_ = false;
    pages_->setCurrentIndex(0);
    const QSignalBlocker blocker(generation_);
    generation_->setRange(0, lastGeneration(simulation_.runs));
    generation_->setValue(0);
    drawSimulation();
}

void ResultsWindow::drawSimulation() {
    const int generation = generation_->value();
    panel_->showResults(simulation_, generation);
    std::vector<std::vector<std::string>> rows;
    for (const RunResult& run : simulation_.runs) {
        if (run.generation == generation) {
            rows.push_back({std::to_string(run.generation), std::to_string(run.run),
                            std::to_string(run.seed), formatNumber(run.first),
                            formatNumber(run.last), formatNumber(run.percentOut)});
        }
    }
    fillTable(*runsTable_, *runsModel_, tables::names(tables::kRunColumns), rows);
}

void ResultsWindow::showSweep(SweepResults results) {
    sweep_ = std::move(results);
    showsSweep_ = true;
    showsCalibration_ = false;
    pages_->setCurrentIndex(1);
    int generations = 0;
    for (const ConfigurationResults& c : sweep_.configurations) {
        generations = std::max(generations, lastGeneration(c.runs));
    }
    {
        const QSignalBlocker blocker(sweepGeneration_);
        sweepGeneration_->setRange(0, generations);
        // The generation evolution led to is the one to compare.
        sweepGeneration_->setValue(generations);
    }
    QStringList entries;
    QStringList names;
    for (const ConfigurationResults& c : sweep_.configurations) {
        entries.append(configurationEntry(c));
        names.append(configurationName(c, sweep_.keys));
    }
    boxPicker_->setEntries(entries, names);
    drawBoxes();
    // The derived tabs follow the fixed ones, each only where its table was collected.
    for (QWidget* derived :
         std::initializer_list<QWidget*>{effects_, heatMap_, sensitivity_, compare_}) {
        if (const int tab = sweepTabs_->indexOf(derived); tab >= 0) {
            sweepTabs_->removeTab(tab);
        }
    }
    // Shown where the sweep varies one parameter (effects) or two (heat map).
    const std::size_t varied = effectTable(sweep_).parameters.size();
    if (varied >= 1) {
        effects_->setResults(sweep_);
        sweepTabs_->addTab(effects_, QStringLiteral("Effects"));
    }
    if (varied >= 2) {
        heatMap_->setResults(sweep_);
        sweepTabs_->addTab(heatMap_, QStringLiteral("Heat map"));
    }
    if (!sweep_.sensitivity.empty()) {
        sensitivity_->setResults(sweep_);
        sweepTabs_->addTab(sensitivity_, QStringLiteral("Sensitivity"));
    }
    if (!sweep_.comparisons.empty()) {
        compare_->setResults(sweep_);
        sweepTabs_->addTab(compare_, QStringLiteral("Compare"));
    }
    fillTable(*summaryTable_, *summaryModel_, sweep_.summary.header, sweep_.summary.rows);
    summaryTable_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);

    QChart* chart = fitnessView_->chart();
    chart->removeAllSeries();
    removeAxes(*chart);
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("Generation"));
    setWholeNumberTicks(*x, 0, generations);
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("Total Fitness"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    double low = 0.0;
    double high = 0.0;
    for (const ConfigurationResults& c : sweep_.configurations) {
        auto* line = new QLineSeries;
        line->setName(configurationLabel(c));
        line->setPointsVisible(true);
        for (const GenerationSummary& g : c.generations) {
            line->append(g.generation, g.totalFitness);
            low = std::min(low, g.totalFitness);
            high = std::max(high, g.totalFitness);
        }
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        // A line tells its configuration when hovered, the legend or not.
        const QString name = configurationName(c, sweep_.keys);
        connect(line, &QLineSeries::hovered, this, [this, name](const QPointF& point, bool state) {
            if (state) {
                QToolTip::showText(QCursor::pos(),
                                   QStringLiteral("%1\nGeneration %2: Total Fitness %3")
                                       .arg(name)
                                       .arg(std::lround(point.x()))
                                       .arg(point.y(), 0, 'g', 6),
                                   fitnessView_);
            } else {
                QToolTip::hideText();
            }
        });
    }
    y->setRange(low, high > low ? high * 1.05 : low + 1.0);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%g"));
    // A legend of more lines than it holds is cut off: the lines are picked in a list instead.
    const bool listed = sweep_.configurations.size() > static_cast<std::size_t>(kLegendEntries);
    chart->legend()->setVisible(!listed);
    fitnessPicker_->setVisible(listed);
    fitnessPicker_->setEntries(entries, names);
}

void ResultsWindow::showFitnessLines() {
    const QList<QAbstractSeries*> lines = fitnessView_->chart()->series();
    std::vector<bool> shown(static_cast<std::size_t>(lines.size()), false);
    for (const int index : fitnessPicker_->checked()) {
        if (index >= 0 && index < lines.size()) {
            shown[static_cast<std::size_t>(index)] = true;
        }
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        lines[i]->setVisible(shown[static_cast<std::size_t>(i)]);
    }
}

void ResultsWindow::showCalibration(CalibrationResults results) {
    calibration_ = std::move(results);
    showsSweep_ = false;
    showsCalibration_ = true;
    pages_->setCurrentIndex(2);
    drawEvaluations(*calibrationView_->chart(), calibration_);
    drawFront(*frontView_->chart(), calibration_);
    fillTable(*validationTable_, *validationModel_, calibration_.validation.header,
              calibration_.validation.rows);
    validationTable_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    // A cmaes calibration has no front; a calibration stopped early has no validation yet.
    const bool front = calibration_.experiment.calibration->method == CalibrationMethod::kNsga2;
    calibrationTabs_->setTabVisible(calibrationTabs_->indexOf(frontView_), front);
    calibrationTabs_->setTabVisible(calibrationTabs_->indexOf(validationTable_),
                                    !calibration_.validation.header.empty());
    if (!calibrationTabs_->isTabVisible(calibrationTabs_->currentIndex())) {
        calibrationTabs_->setCurrentIndex(0);
    }
}

void ResultsWindow::drawBoxes() {
    if (!showsSweep_) {
        return;
    }
    const int metric = metric_->currentIndex();
    const int generation = sweepGeneration_->value();
    QChart* chart = boxView_->chart();
    boxes_->clear();
    removeAxes(*chart);
    boxConfigurations_.clear();
    CategoryLabels::Texts texts;
    double high = 0.0;
    for (const int index : boxPicker_->checked()) {
        const ConfigurationResults& c = sweep_.configurations[static_cast<std::size_t>(index)];
        std::vector<double> values;
        for (const RunResult& run : c.runs) {
            if (run.generation == generation) {
                values.push_back(metricOf(run, metric));
            }
        }
        if (values.empty()) {
            continue;
        }
        const Quartiles q = quartiles(values);
        const QString label = configurationLabel(c);
        boxes_->append(new QBoxSet(q.least, q.lower, q.median, q.upper, q.greatest, label));
        boxConfigurations_.push_back(index);
        texts.full.append(label);
        texts.shorts.append(QString::number(c.config));
        high = std::max(high, q.greatest);
    }
    // The categories of an axis differ: configurations without swept values (the points of a
    // design) go by their numbers.
    if (static_cast<qsizetype>(QSet<QString>(texts.full.begin(), texts.full.end()).size()) !=
            texts.full.size() ||
        texts.full.contains(QString())) {
        texts.full = texts.shorts;
    }
    QStringList keys;
    for (const std::string& key : sweep_.keys) {
        keys.append(QString::fromStdString(key));
    }
    texts.title = keys.join(QStringLiteral(", "));
    texts.shortTitle = QStringLiteral("configuration (hover a box for its values)");
    auto* categories = new QBarCategoryAxis;
    auto* values = new QValueAxis;
    values->setTitleText(metricName(metric));
    values->setRange(0.0, metric == 2 ? 100.0 : (high > 0.0 ? high * 1.05 : 1.0));
    values->applyNiceNumbers();
    values->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(categories, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    CategoryLabels::install(*chart, *categories, std::move(texts));
    boxes_->attachAxis(categories);
    boxes_->attachAxis(values);
    // What a box and its whiskers stand for, as quartiles() computes them.
    chart->setTitle(QStringLiteral("%1 per configuration, generation %2<br><small>Boxes: lower "
                                   "quartile, median, upper quartile. Whiskers: least and "
                                   "greatest run.</small>")
                        .arg(metricName(metric))
                        .arg(generation));
}

QString ResultsWindow::boxToolTip(int box) const {
    if (box < 0 || static_cast<std::size_t>(box) >= boxConfigurations_.size()) {
        return {};
    }
    const ConfigurationResults& c = sweep_.configurations[static_cast<std::size_t>(
        boxConfigurations_[static_cast<std::size_t>(box)])];
    const QBoxSet& set = *boxes_->boxSets()[box];
    const auto number = [&](QBoxSet::ValuePositions at) {
        return QString::number(set.at(at), 'g', 6);
    };
    return QStringLiteral("%1\nMedian %2, quartiles %3 to %4, runs from %5 to %6")
        .arg(configurationName(c, sweep_.keys), number(QBoxSet::Median),
             number(QBoxSet::LowerQuartile), number(QBoxSet::UpperQuartile),
             number(QBoxSet::LowerExtreme), number(QBoxSet::UpperExtreme));
}

QTabWidget* ResultsWindow::currentTabs() const {
    if (showsCalibration_) {
        return calibrationTabs_;
    }
    return showsSweep_ ? sweepTabs_ : simulationTabs_;
}

QTableView* ResultsWindow::table() const {
    if (showsCalibration_) {
        return validationTable_;
    }
    if (showsSweep_ && sweepTabs_->currentWidget() == compare_) {
        return compare_->table();
    }
    return showsSweep_ ? summaryTable_ : runsTable_;
}

QChartView* ResultsWindow::currentChart() const {
    QWidget* shown = currentTabs()->currentWidget();
    if (shown == panel_) {
        return panel_->currentChart();
    }
    if (auto* view = qobject_cast<QChartView*>(shown)) {
        return view;
    }
    return shown->findChild<QChartView*>();
}

QString ResultsWindow::tableText() const {
    const QAbstractItemModel& model = *table()->model();
    QStringList lines;
    QStringList fields;
    for (int column = 0; column < model.columnCount(); ++column) {
        fields.append(model.headerData(column, Qt::Horizontal).toString());
    }
    lines.append(fields.join(QLatin1Char('\t')));
    for (int row = 0; row < model.rowCount(); ++row) {
        fields.clear();
        for (int column = 0; column < model.columnCount(); ++column) {
            const QModelIndex index = model.index(row, column);
            const QVariant full = index.data(kFullTextRole);
            fields.append(full.isValid() ? full.toString() : index.data().toString());
        }
        lines.append(fields.join(QLatin1Char('\t')));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void ResultsWindow::exportChart() {
    QChartView* view = currentChart();
    if (view == nullptr) {
        showMessage(this,
                    QStringLiteral("Show a chart to export it; a table copies with Copy Table."),
                    kAppTitle, MessageIcon::Information);
        return;
    }
    askAndExportChart(this, *view);
}

void ResultsWindow::copyTable() {
    QGuiApplication::clipboard()->setText(tableText());
}

}  // namespace murelta::ui
