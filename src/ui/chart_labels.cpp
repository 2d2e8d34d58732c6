#include "ui/chart_labels.hpp"

#include <QBarCategoryAxis>
#include <QChart>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <set>

namespace murelta::ui {

namespace {

// The padding a chart keeps either side of an axis label, and what its text takes beyond the
// font's advance (the margins of the text item and rounding to whole pixels).
constexpr double kLabelPadding = 4.0;
constexpr double kTextMargin = 4.0;
// An upright label reads from bottom to top.
constexpr int kUpright = -90;

double widest(const QFontMetricsF& metrics, const QStringList& texts) {
    double widest = 0.0;
    for (const QString& text : texts) {
        widest = std::max(widest, levelWidth(metrics, text));
    }
    return widest;
}

// The spacing of the categories' centres along the plot area.
double categorySpacing(const QChart& chart, int count) {
    return count > 0 ? chart.plotArea().width() / count : 0.0;
}

// A category that shows nothing yet differs from the others, as the axis requires: a run of
// zero-width spaces as long as its place.
QString blank(int place) {
    return QString(place + 1, QChar(0x200B));
}

}  // namespace

LabelRoom labelRoom(const QChart& chart, int count) {
    // The chart shares the plot area's width among the categories and one more at either end.
    const double width = chart.plotArea().width() / (count + 2) - 2.0 * kLabelPadding;
    return {std::max(0.0, width), chart.size().height() / 3.0};
}

double levelWidth(const QFontMetricsF& metrics, const QString& text) {
    return metrics.horizontalAdvance(text) + kTextMargin;
}

double uprightWidth(const QFontMetricsF& metrics) {
    return metrics.height() + kTextMargin;
}

CategoryFit fitCategories(const QFontMetricsF& metrics, const QStringList& full,
                          const QStringList& shorts, const LabelRoom& room) {
    if (widest(metrics, full) <= room.width) {
        return {LabelFit::kLevel, 1};
    }
    if (uprightWidth(metrics) <= room.width && widest(metrics, full) <= room.length) {
        return {LabelFit::kRotated, 1};
    }
    const double shortest = widest(metrics, shorts);
    if (shortest <= room.width) {
        return {LabelFit::kShort, 1};
    }
    // Every step-th label, the step (2, 5, 10, 20...) categories as wide as a label and its
    // padding; the room one label has is that of its category and the empty ones beside it.
    const double per = room.width + 2.0 * kLabelPadding;
    const int count = std::max<int>(1, static_cast<int>(shorts.size()));
    const double needed = per > 0.0 ? (shortest + 2.0 * kLabelPadding) / per : count;
    int step = 2;
    for (int power = 1; step < needed && step < count; power *= 10) {
        for (const int factor : {2, 5, 10}) {
            step = factor * power;
            if (step >= needed) {
                break;
            }
        }
    }
    return {LabelFit::kThinned, step};
}

CategoryLabels* CategoryLabels::install(QChart& chart, QBarCategoryAxis& axis, Texts texts) {
    auto* labels = new CategoryLabels(chart, axis, std::move(texts));
    labels->update();
    return labels;
}

CategoryLabels::CategoryLabels(QChart& chart, QBarCategoryAxis& axis, Texts texts)
    : QObject(&axis), chart_(chart), axis_(axis), texts_(std::move(texts)) {
    // Queued: the categories change the layout, which must not change while it is made.
    connect(&chart_, &QChart::plotAreaChanged, this, &CategoryLabels::update, Qt::QueuedConnection);
}

void CategoryLabels::update() {
    const auto count = static_cast<int>(texts_.full.size());
    if (chart_.plotArea().isEmpty()) {
        // Not laid out yet: the full labels until the chart knows their room.
        if (!applied_) {
            apply({LabelFit::kLevel, 1});
        }
        return;
    }
    const CategoryFit fit = fitCategories(QFontMetricsF(axis_.labelsFont()), texts_.full,
                                          texts_.shorts, labelRoom(chart_, count));
    // Which thinned labels stay within the axis depends on the spacing too.
    const double spacing = categorySpacing(chart_, count);
    if (!applied_ || fit.fit != fit_.fit || fit.step != fit_.step ||
        (fit.fit == LabelFit::kThinned && spacing != spacing_)) {
        apply(fit);
    }
}

void CategoryLabels::apply(const CategoryFit& fit) {
    fit_ = fit;
    applied_ = true;
    spacing_ = categorySpacing(chart_, static_cast<int>(texts_.full.size()));
    const bool full = fit.fit == LabelFit::kLevel || fit.fit == LabelFit::kRotated;
    QStringList categories = full ? texts_.full : texts_.shorts;
    if (fit.fit == LabelFit::kThinned) {
        // Every step-th category keeps its label, as long as the label stays within the axis:
        // a label sticking out at an end would not be drawn.
        const auto count = static_cast<int>(categories.size());
        const double spacing = spacing_;
        const QFontMetricsF metrics(axis_.labelsFont());
        for (int i = 0; i < count; ++i) {
            const double half = levelWidth(metrics, categories[i]) / 2.0;
            const bool room = (i + 0.5) * spacing >= half && (count - i - 0.5) * spacing >= half;
            if (i % fit.step != 0 || !room) {
                categories[i] = blank(i);
            }
        }
    }
    // Thinned labels reach over the empty categories beside them, which the chart would
    // otherwise cut to their own category's width.
    axis_.setTruncateLabels(fit.fit != LabelFit::kThinned);
    axis_.setLabelsAngle(fit.fit == LabelFit::kRotated ? kUpright : 0);
    axis_.setTitleText(full ? texts_.title : texts_.shortTitle);
    axis_.setCategories(categories);
}

int wholeNumberStep(int span, int maxTicks) {
    const int ticks = std::max(2, maxTicks);
    for (int power = 1;; power *= 10) {
        for (const int factor : {1, 2, 5}) {
            const int step = factor * power;
            if (span / step + 1 <= ticks) {
                return step;
            }
        }
    }
}

void setWholeNumberTicks(QValueAxis& axis, int first, int last, int maxTicks) {
    last = std::max(first, last);
    const int step = wholeNumberStep(last - first, maxTicks);
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0.0);
    axis.setTickInterval(step);
    axis.setMinorTickCount(0);
    axis.setLabelFormat(QStringLiteral("%d"));
    axis.setRange(first - 0.5 * step, last + 0.5 * step);
}

EntryList::EntryList(const char* name, const QString& title, QWidget* parent)
    : QWidget(parent), list_(new QListWidget(this)) {
    const QString listName = QString::fromLatin1(name);
    QString buttonName = listName;
    buttonName.replace(0, 3, QStringLiteral("btn"));
    list_->setObjectName(listName);
    auto* all = new QPushButton(QStringLiteral("All"), this);
    all->setObjectName(buttonName + QStringLiteral("All"));
    auto* none = new QPushButton(QStringLiteral("None"), this);
    none->setObjectName(buttonName + QStringLiteral("None"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(all);
    buttons->addWidget(none);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(title, this));
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    setMaximumWidth(260);
    connect(all, &QPushButton::clicked, this, [this] { checkAll(true); });
    connect(none, &QPushButton::clicked, this, [this] { checkAll(false); });
    connect(list_, &QListWidget::itemChanged, this, &EntryList::changed);
}

void EntryList::setEntries(const QStringList& texts, const QStringList& toolTips) {
    const QSignalBlocker blocker(list_);
    list_->clear();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto* item = new QListWidgetItem(texts[i], list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setData(Qt::UserRole, static_cast<int>(i));
        item->setToolTip(i < toolTips.size() ? toolTips[i] : texts[i]);
    }
}

std::vector<int> EntryList::checked() const {
    std::vector<int> indices;
    for (int row = 0; row < list_->count(); ++row) {
        const QListWidgetItem* item = list_->item(row);
        if (item->checkState() == Qt::Checked) {
            indices.push_back(item->data(Qt::UserRole).toInt());
        }
    }
    return indices;
}

void EntryList::checkAll(bool checked) {
    {
        const QSignalBlocker blocker(list_);
        for (int row = 0; row < list_->count(); ++row) {
            list_->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    emit changed();
}

int distinctDigits(const std::vector<double>& values) {
    const std::set<double> distinct(values.begin(), values.end());
    for (int digits = 1; digits < kMostDigits; ++digits) {
        std::set<QString> texts;
        for (const double value : distinct) {
            texts.insert(withDigits(value, digits));
        }
        if (texts.size() == distinct.size()) {
            return digits;
        }
    }
    return kMostDigits;
}

QString withDigits(double value, int digits) {
    if (value == 0.0) {
        return QStringLiteral("0");
    }
    // Never rounded left of the units: a whole part is always written whole.
    const auto exponent = static_cast<int>(std::floor(std::log10(std::abs(value))));
    return QString::number(value, 'f', std::max(0, digits - 1 - exponent));
}

QStringList shortNumbers(const QStringList& texts) {
    std::vector<double> values;
    bool whole = true;
    for (const QString& text : texts) {
        bool isNumber = false;
        const double value = text.toDouble(&isNumber);
        if (isNumber && std::isfinite(value)) {
            values.push_back(value);
            whole = whole && value == std::floor(value) && !text.contains(QLatin1Char('.')) &&
                    !text.contains(QLatin1Char('e'), Qt::CaseInsensitive);
        }
    }
    if (values.empty() || whole) {
        return texts;
    }
    const int digits = distinctDigits(values);
    QStringList shown;
    for (const QString& text : texts) {
        bool isNumber = false;
        const double value = text.toDouble(&isNumber);
        shown.append(isNumber && std::isfinite(value) ? withDigits(value, digits) : text);
    }
    return shown;
}

void removeAxes(QChart& chart) {
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
}

void clearChart(QChart& chart) {
    chart.removeAllSeries();
    removeAxes(chart);
}

}  // namespace murelta::ui
