#include "ui/analysis_views.hpp"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QColor>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "experiment/tables.hpp"
#include "sim/numbers.hpp"
#include "ui/chart_labels.hpp"

namespace murelta::ui {

namespace {

// The pickers above a chart or table: labelled boxes in a row.
QHBoxLayout* pickers(QWidget* parent,
                     std::initializer_list<std::pair<const char*, QWidget*>> boxes) {
    auto* row = new QHBoxLayout;
    for (const auto& [label, box] : boxes) {
        row->addWidget(new QLabel(QString::fromLatin1(label), parent));
        row->addWidget(box);
    }
    row->addStretch();
    return row;
}

QString joined(const std::vector<std::string>& values) {
    QStringList texts;
    for (const std::string& v : values) {
        texts.append(QString::fromStdString(v));
    }
    return texts.join(QStringLiteral(", "));
}

void addItemOnce(QComboBox* box, const std::string& text) {
    const QString item = QString::fromStdString(text);
    if (box->findText(item) < 0) {
        box->addItem(item);
    }
}

}  // namespace

SensitivityView::SensitivityView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pageSensitivity"));
    group_ = new QComboBox(this);
    group_->setObjectName(QStringLiteral("cmbDesignOf"));
    output_ = new QComboBox(this);
    output_->setObjectName(QStringLiteral("cmbOutput"));
    generation_ = new QSpinBox(this);
    generation_->setObjectName(QStringLiteral("spnSensitivityGeneration"));
    auto* chart = new QChart;
    view_ = new QChartView(chart, this);
    view_->setObjectName(QStringLiteral("chartSensitivity"));
    view_->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(
        pickers(this, {{"Design of", group_}, {"Output", output_}, {"Generation", generation_}}));
    layout->addWidget(view_, 1);
    connect(group_, &QComboBox::currentIndexChanged, this, &SensitivityView::draw);
    connect(output_, &QComboBox::currentIndexChanged, this, &SensitivityView::draw);
    connect(generation_, &QSpinBox::valueChanged, this, &SensitivityView::draw);
}

void SensitivityView::setResults(const SweepResults& results) {
    rows_ = results.sensitivity;
    groups_.clear();
    const QSignalBlocker blockGroup(group_);
    const QSignalBlocker blockOutput(output_);
    const QSignalBlocker blockGeneration(generation_);
    group_->clear();
    output_->clear();
    int last = 0;
    for (const SensitivityRow& row : rows_) {
        if (std::find(groups_.begin(), groups_.end(), row.values) == groups_.end()) {
            groups_.push_back(row.values);
            group_->addItem(row.values.empty() ? QStringLiteral("every point")
                                               : joined(row.values));
        }
        addItemOnce(output_, row.output);
        last = std::max(last, row.generation);
    }
    group_->setEnabled(groups_.size() > 1);
    generation_->setRange(0, last);
    // The generation evolution led to is the one to read.
    generation_->setValue(last);
    draw();
}

void SensitivityView::draw() {
    QChart* chart = view_->chart();
    clearChart(*chart);
    if (group_->currentIndex() < 0) {
        return;
    }
    const std::vector<std::string>& group =
        groups_[static_cast<std::size_t>(group_->currentIndex())];
    const std::string output = output_->currentText().toStdString();
    const int generation = generation_->value();
    std::vector<const SensitivityRow*> shown;
    std::vector<std::string> factors;
    std::set<std::string> measures;
    for (const SensitivityRow& row : rows_) {
        if (row.values == group && row.output == output && row.generation == generation) {
            shown.push_back(&row);
            if (std::find(factors.begin(), factors.end(), row.factor) == factors.end()) {
                factors.push_back(row.factor);
            }
            measures.insert(row.measure);
        }
    }
    const QString title =
        QStringLiteral("%1, generation %2").arg(output_->currentText()).arg(generation);
    if (measures.count("mu_star") > 0) {
        // Morris: a factor far right matters; far up, it interacts or acts unevenly.
        auto* x = new QValueAxis;
        x->setTitleText(QStringLiteral("mu_star"));
        auto* y = new QValueAxis;
        y->setTitleText(QStringLiteral("sigma"));
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        double highX = 0.0;
        double highY = 0.0;
        for (const std::string& factor : factors) {
            double muStar = std::nan("");
            double sigma = std::nan("");
            for (const SensitivityRow* row : shown) {
                if (row->factor == factor && row->measure == "mu_star") {
                    muStar = row->value;
                } else if (row->factor == factor && row->measure == "sigma") {
                    sigma = row->value;
                }
            }
            if (std::isnan(muStar) || std::isnan(sigma)) {
                continue;
            }
            auto* point = new QScatterSeries;
            point->setName(QString::fromStdString(factor));
            point->append(muStar, sigma);
            point->setPointLabelsFormat(QString::fromStdString(factor));
            point->setPointLabelsVisible(true);
            chart->addSeries(point);
            point->attachAxis(x);
            point->attachAxis(y);
            highX = std::max(highX, muStar);
            highY = std::max(highY, sigma);
        }
        x->setRange(0.0, highX > 0.0 ? highX * 1.15 : 1.0);
        y->setRange(0.0, highY > 0.0 ? highY * 1.15 : 1.0);
        chart->setTitle(QStringLiteral("Morris: mu_star against sigma, ") + title);
        return;
    }
    // Sobol' or PRCC: a bar per factor and measure, with its 95% interval.
    const std::vector<std::string> order = measures.count("S1") > 0
                                               ? std::vector<std::string>{"S1", "ST"}
                                               : std::vector<std::string>{"prcc"};
    auto* bars = new QBarSeries;
    bars->setBarWidth(0.6);
    auto* categories = new QBarCategoryAxis;
    CategoryLabels::Texts texts;
    for (std::size_t f = 0; f < factors.size(); ++f) {
        texts.full.append(QString::fromStdString(factors[f]));
        texts.shorts.append(QString::number(f + 1));
    }
    texts.shortTitle = QStringLiteral("factor (hover a bar for its name)");
    // A bar tells its factor when hovered, as the numbers of a crowded axis do not.
    connect(bars, &QBarSeries::hovered, view_, [names = texts.full](bool status, int index) {
        if (status && index >= 0 && index < names.size()) {
            QToolTip::showText(QCursor::pos(), names[index]);
        } else {
            QToolTip::hideText();
        }
    });
    auto* values = new QValueAxis;
    values->setTitleText(measures.count("S1") > 0 ? QStringLiteral("index")
                                                  : QStringLiteral("partial rank correlation"));
    chart->addAxis(categories, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    CategoryLabels::install(*chart, *categories, std::move(texts));
    double low = 0.0;
    double high = 0.0;
    std::vector<QLineSeries*> intervals;
    for (std::size_t m = 0; m < order.size(); ++m) {
        auto* set = new QBarSet(QString::fromStdString(order[m]));
        const double width = 0.6 / static_cast<double>(order.size());
        const double offset = (static_cast<double>(m) + 0.5) * width - 0.3;
        for (std::size_t f = 0; f < factors.size(); ++f) {
            const auto found =
                std::find_if(shown.begin(), shown.end(), [&](const SensitivityRow* r) {
                    return r->factor == factors[f] && r->measure == order[m];
                });
            const SensitivityRow* row = found == shown.end() ? nullptr : *found;
            const double value = row != nullptr && !std::isnan(row->value) ? row->value : 0.0;
            set->append(value);
            low = std::min(low, value);
            high = std::max(high, value);
            if (row != nullptr && !std::isnan(row->ciLow) && !std::isnan(row->ciHigh)) {
                auto* line = new QLineSeries;
                const double x = static_cast<double>(f) + offset;
                line->append(x, row->ciLow);
                line->append(x, row->ciHigh);
                intervals.push_back(line);
                low = std::min(low, row->ciLow);
                high = std::max(high, row->ciHigh);
            }
        }
        bars->append(set);
    }
    chart->addSeries(bars);
    bars->attachAxis(categories);
    bars->attachAxis(values);
    for (QLineSeries* line : intervals) {
        chart->addSeries(line);
        // After adding: the chart's theme colours a series as it is added.
        line->setPen(QPen(Qt::black, 2));
        line->attachAxis(categories);
        line->attachAxis(values);
        for (QLegendMarker* marker : chart->legend()->markers(line)) {
            marker->setVisible(false);
        }
    }
    values->setRange(low < 0.0 ? low * 1.1 : 0.0, high > 0.0 ? high * 1.1 : 1.0);
    values->applyNiceNumbers();
    chart->setTitle((measures.count("S1") > 0 ? QStringLiteral("Sobol' S1 and ST, ")
                                              : QStringLiteral("PRCC, ")) +
                    title);
}

CompareView::CompareView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pageCompare"));
    output_ = new QComboBox(this);
    output_->setObjectName(QStringLiteral("cmbCompareOutput"));
    for (const std::string_view metric : tables::kMetrics) {
        output_->addItem(QString::fromLatin1(metric.data(), static_cast<qsizetype>(metric.size())));
    }
    generation_ = new QSpinBox(this);
    generation_->setObjectName(QStringLiteral("spnCompareGeneration"));
    model_ = new QStandardItemModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("tblCompare"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* legend = new QLabel(
        QStringLiteral("A12 of the row's configuration against the column's: the chance that a "
                       "run of the row gives the larger value (ties count half). Red: larger, "
                       "blue: smaller; * marks the pairs whose Holm-adjusted p is below 0.05."),
        this);
    legend->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pickers(this, {{"Output", output_}, {"Generation", generation_}}));
    layout->addWidget(table_, 1);
    layout->addWidget(legend);
    connect(output_, &QComboBox::currentIndexChanged, this, &CompareView::draw);
    connect(generation_, &QSpinBox::valueChanged, this, &CompareView::draw);
}

void CompareView::setResults(const SweepResults& results) {
    rows_ = results.comparisons;
    // With a design the pairs are of swept configurations, numbered apart from the points.
    configurations_.clear();
    if (results.sensitivity.empty()) {
        configurations_ = results.configurations;
    }
    int last = 0;
    for (const ComparisonRow& row : rows_) {
        last = std::max(last, row.generation);
    }
    const QSignalBlocker blocker(generation_);
    generation_->setRange(0, last);
    generation_->setValue(last);
    draw();
}

void CompareView::draw() {
    model_->clear();
    const std::string output = output_->currentText().toStdString();
    const int generation = generation_->value();
    std::set<std::size_t> numbers;
    for (const ComparisonRow& row : rows_) {
        if (row.output == output && row.generation == generation) {
            numbers.insert(row.configA);
            numbers.insert(row.configB);
        }
    }
    const std::vector<std::size_t> order(numbers.begin(), numbers.end());
    std::map<std::size_t, int> place;
    QStringList labels;
    for (const std::size_t number : order) {
        place[number] = static_cast<int>(labels.size());
        QString label = QString::number(number);
        for (const ConfigurationResults& c : configurations_) {
            if (c.config == number && !c.values.empty()) {
                label += QStringLiteral(": ") + joined(c.values);
            }
        }
        labels.append(label);
    }
    const auto n = static_cast<int>(order.size());
    model_->setRowCount(n);
    model_->setColumnCount(n);
    model_->setHorizontalHeaderLabels(labels);
    model_->setVerticalHeaderLabels(labels);
    const auto put = [&](int row, int column, double a12, bool marked) {
        auto* item =
            new QStandardItem(std::isnan(a12) ? QString()
                                              : QString::number(a12, 'f', 2) +
                                                    (marked ? QStringLiteral(" *") : QString()));
        item->setTextAlignment(Qt::AlignCenter);
        if (!std::isnan(a12)) {
            // White at 0.5, full red at 1, full blue at 0.
            const double strength = std::min(1.0, std::abs(a12 - 0.5) * 2.0);
            const int fade = static_cast<int>(std::lround(255.0 * (1.0 - strength)));
            item->setBackground(a12 >= 0.5 ? QColor(255, fade, fade) : QColor(fade, fade, 255));
            if (strength > 0.6) {
                item->setForeground(Qt::white);
            }
        }
        model_->setItem(row, column, item);
    };
    for (const ComparisonRow& row : rows_) {
        if (row.output != output || row.generation != generation) {
            continue;
        }
        const bool marked = !std::isnan(row.pHolm) && row.pHolm < 0.05;
        const int a = place[row.configA];
        const int b = place[row.configB];
        put(a, b, row.a12, marked);
        put(b, a, std::isnan(row.a12) ? row.a12 : 1.0 - row.a12, marked);
    }
    for (int i = 0; i < n; ++i) {
        put(i, i, std::nan(""), false);
    }
    table_->resizeColumnsToContents();
}

}  // namespace murelta::ui
