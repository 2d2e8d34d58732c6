// Charts that stay readable however many categories, lines or generations they hold: labels of
// a category axis that are never cut short, whole-number ticks for counts, legends that give
// way to a list of checkable entries, and numbers in tables as many digits long as telling them
// apart needs.
#pragma once

#include <QFontMetricsF>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QBarCategoryAxis;
class QChart;
class QListWidget;
class QValueAxis;

namespace murelta::ui {

// How a category axis shows its labels, from the most to the least readable: the full labels
// level, the full labels turned upright, the short ones level, or only every step-th short
// label, level, where even those would overlap.
enum class LabelFit { kLevel, kRotated, kShort, kThinned };

struct CategoryFit {
    LabelFit fit = LabelFit::kLevel;
    int step = 1;  // every step-th category is labelled (kThinned), else 1
};

// The room a chart gives each label of a category axis along its bottom: `width` across, as
// the chart divides the plot area among the categories (with a category's width of room at
// either end and a padding either side of a label), and `length` for an upright label, a
// third of the chart's height, so that the plot keeps the most of it.
struct LabelRoom {
    double width = 0.0;
    double length = 0.0;
};
LabelRoom labelRoom(const QChart& chart, int count);

// The room a label takes across when level and when upright, with the margins a chart puts
// around its text.
double levelWidth(const QFontMetricsF& metrics, const QString& text);
double uprightWidth(const QFontMetricsF& metrics);

// The most readable way `full` (or `shorts`, as many, for the short and thinned ways) fit
// `room`.
CategoryFit fitCategories(const QFontMetricsF& metrics, const QStringList& full,
                          const QStringList& shorts, const LabelRoom& room);

// Keeps the labels of a category axis along a chart's bottom whole: chooses the way they fit
// whenever the plot area changes and sets the categories, their angle and the axis title to
// it. It lives as long as the axis, whose child it is.
class CategoryLabels : public QObject {
    Q_OBJECT

  public:
    struct Texts {
        QStringList full;
        QStringList shorts;  // one per category, for when the full ones do not fit
        QString title;       // the axis title with the full labels
        QString shortTitle;  // with the short ones: where to read what they stand for
    };
    // Sets the categories of `axis`, which is already in `chart`, and keeps them fitting.
    static CategoryLabels* install(QChart& chart, QBarCategoryAxis& axis, Texts texts);

    CategoryFit fit() const { return fit_; }
    const Texts& texts() const { return texts_; }
    // Fits the labels to the plot area as it is now.
    void update();

  private:
    CategoryLabels(QChart& chart, QBarCategoryAxis& axis, Texts texts);
    void apply(const CategoryFit& fit);

    QChart& chart_;
    QBarCategoryAxis& axis_;
    Texts texts_;
    CategoryFit fit_;
    double spacing_ = 0.0;  // of the categories' centres when they were last fitted
    bool applied_ = false;
};

// Takes every axis off the chart and deletes it; clearChart also removes (and deletes) every
// series, for a chart drawn anew.
void removeAxes(QChart& chart);
void clearChart(QChart& chart);

// Ticks at whole numbers only for an axis of counts (generations, runs, evaluations) from
// `first` to `last`: a step of 1, 2 or 5 times a power of ten that gives at most `maxTicks`
// ticks, from 0, and labels without decimals. The range reaches half a step beyond either end,
// so that a single value has a single tick in the middle and no marker is cut at an edge.
void setWholeNumberTicks(QValueAxis& axis, int first, int last, int maxTicks = 10);
int wholeNumberStep(int span, int maxTicks);

// A legend holds at most this many entries; a chart with more lines lists them beside it.
constexpr int kLegendEntries = 12;

// A list of checkable entries beside a chart, all checked at first, with buttons that check
// all or none of them; `changed` comes once for each change the user makes.
class EntryList : public QWidget {
    Q_OBJECT

  public:
    // The list is named `name`; its buttons are named after it, "All" and "None" for "lst".
    EntryList(const char* name, const QString& title, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }
    // Replaces the entries, all checked.
    void setEntries(const QStringList& texts, const QStringList& toolTips = {});
    // The indices in the texts set of the entries checked.
    std::vector<int> checked() const;

  signals:
    void changed();

  private:
    void checkAll(bool checked);

    QListWidget* list_;
};

// Numbers in a column of a table: the fewest significant digits, at most kMostDigits, at which
// the column's distinct values stay distinct, written without an exponent. Whole numbers are
// written whole. `texts` are the column's fields; what is not a finite number stays as it is.
constexpr int kMostDigits = 6;
int distinctDigits(const std::vector<double>& values);
QString withDigits(double value, int digits);
QStringList shortNumbers(const QStringList& texts);

}  // namespace murelta::ui
