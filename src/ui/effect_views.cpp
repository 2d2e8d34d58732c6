#include "ui/effect_views.hpp"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFormLayout>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QSpinBox>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "sim/numbers.hpp"
#include "ui/chart_labels.hpp"

namespace murelta::ui {

namespace {

// Beyond this many lines the legend would not fit: it is hidden and a line names itself on
// hover.
constexpr int kMaxLegendEntries = 12;

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// A value as a cell or a tooltip shows it: four significant digits.
QString shortNumber(double value) {
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'g', 4);
}

// An axis for a parameter's levels: its values for a number parameter, else one category per
// level at 0, 1, 2...
QAbstractAxis* levelAxis(const EffectParameter& p, bool categories) {
    if (p.numeric && !categories) {
        auto* axis = new QValueAxis;
        double low = parseNumber(p.levels.front(), p.key);
        double high = parseNumber(p.levels.back(), p.key);
        const double pad = (high - low) * 0.04;
        axis->setRange(low - pad, high + pad);
        axis->applyNiceNumbers();
        axis->setLabelFormat(QStringLiteral("%g"));
        axis->setTitleText(text(p.key));
        return axis;
    }
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setStartValue(-0.5);
    // Beyond a dozen levels only every step-th is labelled, so that no label is cut short; the
    // others get labels of zero-width spaces, each of its own length, since a category axis
    // takes every label once.
    const std::size_t step = (p.levels.size() + 11) / 12;
    for (std::size_t i = 0; i < p.levels.size(); ++i) {
        axis->append(i % step == 0 ? text(p.levels[i])
                                   : QString(static_cast<qsizetype>(i + 1), QChar(0x200B)),
                     static_cast<double>(i));
    }
    axis->setRange(-0.5, static_cast<double>(p.levels.size()) - 0.5);
    axis->setTitleText(text(p.key));
    return axis;
}

// Where a level sits on its axis.
double levelPosition(const EffectParameter& p, std::size_t level, bool categories) {
    return p.numeric && !categories ? parseNumber(p.levels[level], p.key)
                                    : static_cast<double>(level);
}

// A perceptually even scale from dark blue through green to yellow (the anchors of viridis).
QColor scaleColour(double t) {
    static constexpr std::array<std::array<int, 3>, 5> kAnchors{
        {{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {253, 231, 37}}};
    t = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0) * (kAnchors.size() - 1);
    const auto i = std::min(static_cast<std::size_t>(t), kAnchors.size() - 2);
    const double f = t - static_cast<double>(i);
    const auto mix = [&](std::size_t c) {
        return static_cast<int>(
            std::lround(kAnchors[i][c] + f * (kAnchors[i + 1][c] - kAnchors[i][c])));
    };
    return QColor(mix(0), mix(1), mix(2));
}

}  // namespace

EffectPickers::EffectPickers(const QString& prefix, const QString& second, bool secondOptional,
                             QWidget* parent)
    : QWidget(parent), prefix_(prefix), secondOptional_(secondOptional) {
    statistic_ = new QComboBox(this);
    statistic_->setObjectName(QStringLiteral("cmb%1Statistic").arg(prefix));
    for (const std::string& column : effectColumns()) {
        statistic_->addItem(text(column));
    }
    statistic_->setCurrentText(QStringLiteral("last_mean"));
    generation_ = new QSpinBox(this);
    generation_->setObjectName(QStringLiteral("spn%1Generation").arg(prefix));
    x_ = new QComboBox(this);
    x_->setObjectName(QStringLiteral("cmb%1X").arg(prefix));
    second_ = new QComboBox(this);
    second_->setObjectName(QStringLiteral("cmb%1%2").arg(prefix, second));
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Statistic"), this));
    top->addWidget(statistic_);
    top->addWidget(new QLabel(QStringLiteral("Generation"), this));
    top->addWidget(generation_);
    top->addWidget(new QLabel(QStringLiteral("Along x"), this));
    top->addWidget(x_);
    top->addWidget(new QLabel(second, this));
    top->addWidget(second_);
    top->addStretch();
    fixedLayout_ = new QFormLayout;
    fixedLayout_->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(fixedLayout_);
    connect(statistic_, &QComboBox::currentIndexChanged, this, &EffectPickers::changed);
    connect(generation_, &QSpinBox::valueChanged, this, &EffectPickers::changed);
    for (QComboBox* shown : {x_, second_}) {
        connect(shown, &QComboBox::currentIndexChanged, this, [this] {
            rebuildFixed();
            emit changed();
        });
    }
}

void EffectPickers::setResults(const SweepResults* results, const EffectTable* table) {
    table_ = table;
    const QSignalBlocker blockX(x_);
    const QSignalBlocker blockSecond(second_);
    const QSignalBlocker blockGeneration(generation_);
    x_->clear();
    second_->clear();
    if (secondOptional_) {
        second_->addItem(QStringLiteral("(one line)"));
    }
    for (const EffectParameter& p : table->parameters) {
        x_->addItem(text(p.key));
        second_->addItem(text(p.key));
    }
    // The first parameter along x and the next one as lines or rows.
    x_->setCurrentIndex(0);
    second_->setCurrentIndex(table->parameters.size() > 1 ? (secondOptional_ ? 2 : 1) : 0);
    int generations = 0;
    for (const ConfigurationResults& c : results->configurations) {
        for (const RunResult& run : c.runs) {
            generations = std::max(generations, run.generation);
        }
    }
    generation_->setRange(0, generations);
    generation_->setValue(generations);
    rebuildFixed();
}

void EffectPickers::rebuildFixed() {
    while (fixedLayout_->rowCount() > 0) {
        fixedLayout_->removeRow(0);
    }
    fixed_.assign(table_ ? table_->parameters.size() : 0, nullptr);
    const EffectQuery shown = query();
    for (std::size_t p = 0; p < fixed_.size(); ++p) {
        if (p == shown.x || (shown.series && p == *shown.series)) {
            continue;
        }
        auto* picker = new QComboBox(this);
        picker->setObjectName(
            QStringLiteral("cmb%1Fixed_%2").arg(prefix_, text(table_->parameters[p].key)));
        picker->addItem(QStringLiteral("pooled"));
        for (const std::string& level : table_->parameters[p].levels) {
            picker->addItem(text(level));
        }
        // A swept key is fixed at its first value, so that each point is one configuration
        // until asked; a design's factor is pooled, since few points share a value of it.
        picker->setCurrentIndex(table_->parameters[p].factor ? 0 : 1);
        connect(picker, &QComboBox::currentIndexChanged, this, &EffectPickers::changed);
        fixedLayout_->addRow(text(table_->parameters[p].key) + QStringLiteral(" at"), picker);
        fixed_[p] = picker;
    }
}

EffectQuery EffectPickers::query() const {
    EffectQuery q;
    q.column = statistic_->currentText().toStdString();
    q.generation = generation_->value();
    q.x = static_cast<std::size_t>(std::max(0, x_->currentIndex()));
    const int second = second_->currentIndex() - (secondOptional_ ? 1 : 0);
    if (second >= 0) {
        q.series = static_cast<std::size_t>(second);
    }
    for (QComboBox* picker : fixed_) {
        if (picker != nullptr && picker->currentIndex() > 0) {
            q.fixed.emplace_back(static_cast<std::size_t>(picker->currentIndex() - 1));
        } else {
            q.fixed.emplace_back(std::nullopt);
        }
    }
    return q;
}

QString EffectPickers::othersText() const {
    QStringList parts;
    for (std::size_t p = 0; p < fixed_.size(); ++p) {
        if (fixed_[p] == nullptr) {
            continue;
        }
        const QString key = text(table_->parameters[p].key);
        parts.append(fixed_[p]->currentIndex() > 0
                         ? QStringLiteral("%1 = %2").arg(key, fixed_[p]->currentText())
                         : QStringLiteral("%1 pooled").arg(key));
    }
    return parts.join(QStringLiteral(", "));
}

QComboBox* EffectPickers::fixedPicker(const std::string& key) const {
    for (std::size_t p = 0; p < fixed_.size(); ++p) {
        if (fixed_[p] != nullptr && table_->parameters[p].key == key) {
            return fixed_[p];
        }
    }
    return nullptr;
}

EffectView::EffectView(QWidget* parent) : QWidget(parent) {
    pickers_ = new EffectPickers(QStringLiteral("Effect"), QStringLiteral("Lines"), true, this);
    auto* chart = new QChart;
    view_ = new QChartView(chart, this);
    view_->setObjectName(QStringLiteral("chartEffect"));
    view_->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pickers_);
    layout->addWidget(view_, 1);
    connect(pickers_, &EffectPickers::changed, this, &EffectView::draw);
}

void EffectView::setResults(const SweepResults& results) {
    results_ = &results;
    table_ = effectTable(results);
    pickers_->setResults(results_, &table_);
    draw();
}

void EffectView::draw() {
    QChart* chart = view_->chart();
    clearChart(*chart);
    lines_.clear();
    bands_.clear();
    cut_ = nullptr;
    if (results_ == nullptr || table_.parameters.empty()) {
        chart->setTitle(QStringLiteral("The sweep varies no parameter"));
        return;
    }
    const EffectQuery q = pickers_->query();
    const EffectParameter& x = table_.parameters[q.x];
    QAbstractAxis* xAxis = levelAxis(x, false);
    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(text(q.column));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    cut_ = new QScatterSeries;
    cut_->setName(QStringLiteral("not every run all out (last is the cycle budget)"));
    cut_->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    cut_->setMarkerSize(11.0);
    cut_->setColor(Qt::transparent);
    cut_->setBorderColor(Qt::black);
    const std::vector<EffectSeries> all = effectSeries(*results_, table_, q);
    for (const EffectSeries& s : all) {
        auto* line = new QLineSeries;
        line->setName(q.series ? QStringLiteral("%1 = %2").arg(
                                     text(table_.parameters[*q.series].key),
                                     text(table_.parameters[*q.series].levels[s.level]))
                               : text(q.column));
        line->setPointsVisible(true);
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        bool interval = false;
        for (const EffectPoint& p : s.points) {
            const double at = levelPosition(x, p.level, false);
            line->append(at, p.value);
            low = std::min(low, p.value);
            high = std::max(high, p.value);
            if (!std::isnan(p.ciLow)) {
                interval = true;
                upper->append(at, p.ciHigh);
                lower->append(at, p.ciLow);
                low = std::min(low, p.ciLow);
                high = std::max(high, p.ciHigh);
            }
            if (p.allOutShare < 1.0) {
                cut_->append(at, p.value);
            }
        }
        chart->addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);
        connect(line, &QLineSeries::hovered, line, [line](const QPointF& point, bool state) {
            if (state) {
                QToolTip::showText(QCursor::pos(), QStringLiteral("%1: %2").arg(
                                                       line->name(), shortNumber(point.y())));
            }
        });
        lines_.push_back(line);
        if (interval) {
            auto* band = new QAreaSeries(upper, lower);
            // An area series does not own its bounds: they go with it.
            upper->setParent(band);
            lower->setParent(band);
            band->setName(line->name() + QStringLiteral(", 95% interval"));
            QColor fill = line->color();
            fill.setAlphaF(0.18F);
            band->setColor(fill);
            band->setBorderColor(Qt::transparent);
            chart->addSeries(band);
            band->attachAxis(xAxis);
            band->attachAxis(yAxis);
            for (QLegendMarker* marker : chart->legend()->markers(band)) {
                marker->setVisible(false);
            }
            bands_.push_back(band);
        } else {
            delete upper;
            delete lower;
        }
    }
    chart->addSeries(cut_);
    cut_->attachAxis(xAxis);
    cut_->attachAxis(yAxis);
    if (cut_->count() == 0) {
        for (QLegendMarker* marker : chart->legend()->markers(cut_)) {
            marker->setVisible(false);
        }
    }
    chart->legend()->setVisible(static_cast<int>(lines_.size()) <= kMaxLegendEntries);
    // The statistics are counts of cycles and shares: an interval reaching below 0 does not
    // take the axis there when no value does.
    double least = std::numeric_limits<double>::infinity();
    for (const QLineSeries* line : lines_) {
        for (const QPointF& point : line->points()) {
            least = std::min(least, point.y());
        }
    }
    if (least >= 0.0) {
        low = std::max(low, 0.0);
    }
    if (std::isfinite(low)) {
        const double pad = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(low) * 0.05);
        yAxis->setRange(low - pad, high + pad);
        yAxis->applyNiceNumbers();
    }
    yAxis->setLabelFormat(QStringLiteral("%g"));
    const QString others = pickers_->othersText();
    chart->setTitle(
        QStringLiteral("%1 against %2, generation %3%4%5")
            .arg(text(q.column), text(x.key))
            .arg(q.generation)
            .arg(others.isEmpty() ? QString() : QStringLiteral("; ") + others)
            .arg(bands_.empty() ? QString() : QStringLiteral("; bands: 95% intervals")));
}

HeatMapView::HeatMapView(QWidget* parent) : QWidget(parent) {
    pickers_ = new EffectPickers(QStringLiteral("Heat"), QStringLiteral("Rows"), false, this);
    auto* chart = new QChart;
    chart->legend()->hide();
    view_ = new QChartView(chart, this);
    view_->setObjectName(QStringLiteral("chartHeatMap"));
    view_->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pickers_);
    layout->addWidget(view_, 1);
    connect(pickers_, &EffectPickers::changed, this, &HeatMapView::draw);
    connect(chart, &QChart::plotAreaChanged, this, &HeatMapView::placeTexts);
}

void HeatMapView::setResults(const SweepResults& results) {
    results_ = &results;
    table_ = effectTable(results);
    pickers_->setResults(results_, &table_);
    draw();
}

void HeatMapView::draw() {
    QChart* chart = view_->chart();
    for (QGraphicsItem* item : texts_) {
        delete item;
    }
    for (QGraphicsItem* item : scale_) {
        delete item;
    }
    texts_.clear();
    scale_.clear();
    cells_.clear();
    clearChart(*chart);
    const EffectQuery q = pickers_->query();
    if (results_ == nullptr || table_.parameters.size() < 2 || !q.series || *q.series == q.x) {
        chart->setTitle(QStringLiteral("A heat map needs two different parameters"));
        return;
    }
    const EffectParameter& x = table_.parameters[q.x];
    const EffectParameter& y = table_.parameters[*q.series];
    QAbstractAxis* xAxis = levelAxis(x, true);
    QAbstractAxis* yAxis = levelAxis(y, true);
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    low_ = std::numeric_limits<double>::infinity();
    high_ = -low_;
    for (const EffectSeries& s : effectSeries(*results_, table_, q)) {
        for (const EffectPoint& p : s.points) {
            cells_.push_back({p.level, s.level, p.value, shortNumber(p.value)});
            if (!std::isnan(p.value)) {
                low_ = std::min(low_, p.value);
                high_ = std::max(high_, p.value);
            }
        }
    }
    for (const Cell& cell : cells_) {
        const double cx = static_cast<double>(cell.x);
        const double cy = static_cast<double>(cell.y);
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        upper->append(cx - 0.5, cy + 0.5);
        upper->append(cx + 0.5, cy + 0.5);
        lower->append(cx - 0.5, cy - 0.5);
        lower->append(cx + 0.5, cy - 0.5);
        auto* area = new QAreaSeries(upper, lower);
        upper->setParent(area);
        lower->setParent(area);
        const double t = high_ > low_ ? (cell.value - low_) / (high_ - low_) : 0.5;
        area->setColor(std::isnan(cell.value) ? QColor(Qt::lightGray) : scaleColour(t));
        area->setBorderColor(Qt::white);
        const QString tip = QStringLiteral("%1 = %2, %3 = %4: %5")
                                .arg(text(x.key), text(x.levels[cell.x]), text(y.key),
                                     text(y.levels[cell.y]), cell.text);
        area->setName(tip);
        connect(area, &QAreaSeries::hovered, area, [tip](const QPointF&, bool state) {
            if (state) {
                QToolTip::showText(QCursor::pos(), tip);
            }
        });
        chart->addSeries(area);
        area->attachAxis(xAxis);
        area->attachAxis(yAxis);
        auto* label = new QGraphicsSimpleTextItem(cell.text, chart);
        label->setBrush(t > 0.6 ? Qt::black : Qt::white);
        label->setZValue(10);
        texts_.push_back(label);
    }
    // The colour scale: a column of five steps at the right, its ends labelled.
    chart->setMargins(QMargins(10, 10, 90, 10));
    for (int step = 0; step < 5; ++step) {
        auto* swatch = new QGraphicsRectItem(chart);
        swatch->setBrush(scaleColour(1.0 - step / 4.0));
        swatch->setPen(Qt::NoPen);
        swatch->setZValue(10);
        scale_.push_back(swatch);
        const double value = high_ - (high_ - low_) * step / 4.0;
        auto* label = new QGraphicsSimpleTextItem(
            shortNumber(std::isfinite(value) ? value : std::nan("")), chart);
        label->setZValue(10);
        scale_.push_back(label);
    }
    const QString others = pickers_->othersText();
    chart->setTitle(QStringLiteral("%1 over %2 and %3, generation %4%5")
                        .arg(text(q.column), text(x.key), text(y.key))
                        .arg(q.generation)
                        .arg(others.isEmpty() ? QString() : QStringLiteral("; ") + others));
    placeTexts();
}

void HeatMapView::placeTexts() {
    QChart* chart = view_->chart();
    if (cells_.empty() || chart->series().isEmpty()) {
        return;
    }
    QAbstractSeries* any = chart->series().front();
    for (std::size_t i = 0; i < cells_.size() && i < texts_.size(); ++i) {
        auto* label = static_cast<QGraphicsSimpleTextItem*>(texts_[i]);
        const QPointF centre = chart->mapToPosition(
            QPointF(static_cast<double>(cells_[i].x), static_cast<double>(cells_[i].y)), any);
        const QRectF box = label->boundingRect();
        label->setPos(centre - QPointF(box.width() / 2.0, box.height() / 2.0));
    }
    const QRectF plot = chart->plotArea();
    const double height = plot.height() / 5.0;
    for (std::size_t step = 0; step * 2 + 1 < scale_.size(); ++step) {
        auto* swatch = static_cast<QGraphicsRectItem*>(scale_[step * 2]);
        swatch->setRect(plot.right() + 14.0, plot.top() + height * static_cast<double>(step), 16.0,
                        height);
        auto* label = static_cast<QGraphicsSimpleTextItem*>(scale_[step * 2 + 1]);
        label->setPos(plot.right() + 34.0, plot.top() + height * (static_cast<double>(step) + 0.5) -
                                               label->boundingRect().height() / 2.0);
    }
}

}  // namespace murelta::ui
