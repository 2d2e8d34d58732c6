#include "ui/calibration_charts.hpp"

#include <QChart>
#include <QColor>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QScatterSeries>
#include <QStringList>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ui/chart_labels.hpp"

namespace murelta::ui {

namespace {

constexpr double kMarker = 8.0;
constexpr double kFrontMarker = 13.0;
// The front stands out from the theme's first colours.
const QColor kFrontColour(214, 39, 40);

QString targetName(const CalibrationTarget& target) {
    return QString::fromStdString(target.column);
}

// An axis for objectives: logarithmic when every value is above 0 and they span a decade or
// more, as they do when the search closes in, else linear from 0. `values` holds the finite
// ones.
QAbstractAxis* objectiveAxis(const std::vector<double>& values, const QString& title) {
    double low = 0.0;
    double high = 1.0;
    if (!values.empty()) {
        const auto [least, greatest] = std::minmax_element(values.begin(), values.end());
        low = *least;
        high = *greatest;
    }
    if (!values.empty() && low > 0.0 && high >= 10.0 * low) {
        auto* axis = new QLogValueAxis;
        axis->setTitleText(title);
        axis->setBase(10.0);
        axis->setLabelFormat(QStringLiteral("%g"));
        // Whole decades, so that every label is a power of ten, with room for the markers at
        // either end (a marker within a third of a decade of a bound takes the next one); a
        // hair wider, so that the rounding of the logarithms keeps the labels at
        // both ends.
        const double from = std::pow(10.0, std::floor(std::log10(low / 2.0)));
        const double to = std::pow(10.0, std::ceil(std::log10(high * 2.0)));
        axis->setRange(from * (1.0 - 1e-9), to * (1.0 + 1e-9));
        axis->setMinorTickCount(8);
        return axis;
    }
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(std::min(low, 0.0), high > low ? high * 1.05 : low + 1.0);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%g"));
    return axis;
}

void addSeries(QChart& chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

}  // namespace

void drawEvaluations(QChart& chart, const CalibrationResults& results) {
    clearChart(chart);
    const Calibration& c = *results.experiment.calibration;
    const bool single = c.method == CalibrationMethod::kCmaes;
    const std::size_t objectives = single ? 1 : c.targets.size();
    const std::size_t count = results.objectives.size();

    std::vector<double> shown;
    for (const std::vector<double>& values : results.objectives) {
        std::copy_if(values.begin(), values.end(), std::back_inserter(shown),
                     [](double v) { return std::isfinite(v); });
    }
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("Evaluation"));
    x->setLabelFormat(QStringLiteral("%d"));
    // At most 9 labels, so that no marker is cut at either end.
    setWholeNumberTicks(*x, 0, std::max(1, static_cast<int>(count) - 1), 9);
    QAbstractAxis* y = objectiveAxis(shown, QStringLiteral("Objective"));
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);

    double least = std::numeric_limits<double>::infinity();
    std::size_t leastAt = 0;
    for (std::size_t k = 0; k < objectives; ++k) {
        auto* points = new QScatterSeries;
        auto* best = new QLineSeries;
        points->setName(single ? QStringLiteral("Objective") : targetName(c.targets[k]));
        best->setName(single ? QStringLiteral("Best so far")
                             : targetName(c.targets[k]) + QStringLiteral(", best so far"));
        points->setMarkerSize(kMarker);
        double bestSoFar = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < count; ++i) {
            const double value = results.objectives[i][k];
            if (!std::isfinite(value)) {
                continue;
            }
            const auto at = static_cast<double>(i);
            points->append(at, value);
            if (value < bestSoFar) {
                bestSoFar = value;
                if (value < least) {
                    least = value;
                    leastAt = i;
                }
            }
            best->append(at, bestSoFar);
        }
        addSeries(chart, points, x, y);
        addSeries(chart, best, x, y);
        // After adding: the chart's theme colours a series as it is added. The points lighter,
        // the line through the best darker, in the same hue.
        QColor colour = points->color();
        best->setPen(QPen(colour.darker(150), 2.5));
        colour.setAlpha(150);
        points->setColor(colour);
        points->setBorderColor(Qt::transparent);
    }
    if (single && std::isfinite(least)) {
        QStringList values;
        for (std::size_t f = 0; f < c.free.size(); ++f) {
            values.append(
                QStringLiteral("%1 %2").arg(QString::fromStdString(c.free[f].key),
                                            QString::fromStdString(results.values[leastAt][f])));
        }
        chart.setTitle(
            QStringLiteral("Objective per evaluation: the least, %1, at evaluation %2 (%3)")
                .arg(QString::number(least, 'g', 3))
                .arg(leastAt)
                .arg(values.join(QStringLiteral(", "))));
    } else if (single) {
        chart.setTitle(QStringLiteral("Objective per evaluation"));
    } else {
        chart.setTitle(QStringLiteral("Objectives per evaluation: a front of %1 of %2")
                           .arg(results.front.size())
                           .arg(count));
    }
}

void drawFront(QChart& chart, const CalibrationResults& results) {
    clearChart(chart);
    const Calibration& c = *results.experiment.calibration;
    if (c.method == CalibrationMethod::kCmaes || c.targets.size() < 2) {
        chart.setTitle(QString());
        return;
    }
    const auto finite = [&](std::size_t i) {
        return std::isfinite(results.objectives[i][0]) && std::isfinite(results.objectives[i][1]);
    };
    std::vector<double> xs;
    std::vector<double> ys;
    auto* evaluations = new QScatterSeries;
    evaluations->setName(QStringLiteral("Evaluations"));
    evaluations->setMarkerSize(kMarker);
    for (std::size_t i = 0; i < results.objectives.size(); ++i) {
        if (finite(i)) {
            evaluations->append(results.objectives[i][0], results.objectives[i][1]);
            xs.push_back(results.objectives[i][0]);
            ys.push_back(results.objectives[i][1]);
        }
    }
    // The members in the order of the first objective, so that the line runs along the front.
    std::vector<std::size_t> members;
    std::copy_if(results.front.begin(), results.front.end(), std::back_inserter(members), finite);
    std::sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) {
        return results.objectives[a] < results.objectives[b];
    });
    auto* front = new QScatterSeries;
    front->setName(QStringLiteral("Front"));
    front->setMarkerSize(kFrontMarker);
    auto* joined = new QLineSeries;
    for (const std::size_t m : members) {
        front->append(results.objectives[m][0], results.objectives[m][1]);
        joined->append(results.objectives[m][0], results.objectives[m][1]);
    }

    const QString xName = QStringLiteral("objective_") + targetName(c.targets[0]);
    const QString yName = QStringLiteral("objective_") + targetName(c.targets[1]);
    QAbstractAxis* x = objectiveAxis(xs, xName);
    QAbstractAxis* y = objectiveAxis(ys, yName);
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);
    addSeries(chart, evaluations, x, y);
    addSeries(chart, joined, x, y);
    addSeries(chart, front, x, y);
    QColor colour = evaluations->color();
    colour.setAlpha(170);
    evaluations->setColor(colour);
    evaluations->setBorderColor(Qt::transparent);
    joined->setPen(QPen(kFrontColour, 1.5));
    front->setColor(kFrontColour);
    front->setBorderColor(Qt::white);
    for (QLegendMarker* marker : chart.legend()->markers(joined)) {
        marker->setVisible(false);
    }
    chart.setTitle(QStringLiteral("A front of %1 of %2 evaluations: %3 against %4")
                       .arg(members.size())
                       .arg(results.objectives.size())
                       .arg(yName, xName));
}

}  // namespace murelta::ui
