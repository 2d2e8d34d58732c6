#include "ui/parameter_form.hpp"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <initializer_list>

#include "sim/error.hpp"
#include "sim/parameter_table.hpp"

namespace murelta::ui {

namespace {

// Wide enough for any number a box takes, narrow enough for three groups on a laptop's screen.
constexpr int kBoxWidth = 90;

template <typename Parameter, std::size_t N>
const Parameter& parameter(const std::array<Parameter, N>& table, std::string_view key) {
    const Parameter* found = findParameter(table, key);
    if (found == nullptr) {
        throw Error("no parameter " + std::string(key));
    }
    return *found;
}

}  // namespace

ParameterForm::ParameterForm(QWidget* parent) : QWidget(parent) {
    // The boxes are made in the order they are shown, so that Tab goes down each group.
    const Params defaults;
    const auto makeBox = [&](const char* key) {
        const TextParameter& p = parameter(kTextParameters, key);
        auto* box = new QLineEdit(QString::fromStdString(defaults.*p.member), this);
        box->setObjectName(QString::fromLatin1(p.box));
        box->setMaximumWidth(kBoxWidth);
        return box;
    };
    const auto makeCheck = [&](const char* key) {
        const FlagParameter& p = parameter(kFlagParameters, key);
        auto* box = new QCheckBox(QString::fromLatin1(p.label), this);
        box->setObjectName(QString::fromLatin1(p.box));
        box->setChecked(defaults.*p.member);
        return box;
    };
    // A labelled box, or a check box on a row of its own, as a group lists them.
    const auto addRows = [&](QFormLayout* layout, std::initializer_list<const char*> keys) {
        for (const char* key : keys) {
            if (const TextParameter* p = findTextParameter(key)) {
                auto* label = new QLabel(QString::fromLatin1(p->label), this);
                label->setObjectName(QString::fromLatin1(p->labelName));
                layout->addRow(label, makeBox(key));
            } else {
                layout->addRow(makeCheck(key));
            }
        }
    };

    auto* world = new QGroupBox(QStringLiteral("Arena and group"), this);
    auto* worldLayout = new QFormLayout(world);
    addRows(worldLayout,
            {"agents", "retina", "width", "height", "foods", "food-size", "same-start"});

    auto* runs = new QGroupBox(QStringLiteral("Runs"), this);
    auto* runsLayout = new QFormLayout(runs);
    addRows(runsLayout, {"cycles", "runs", "generations", "seed", "first-out", "last-out"});

    auto* communication = new QGroupBox(QStringLiteral("Communication and evolution"), this);
    auto* comLayout = new QFormLayout(communication);
    auto* heading = new QLabel(QStringLiteral("Communication"), this);
    heading->setObjectName(QStringLiteral("lblDist"));
    comLayout->addRow(heading);
    addRows(comLayout, {"p", "com-radius"});
    // A cost's check box labels its box.
    comLayout->addRow(makeCheck("com-cost-on"), makeBox("com-cost"));
    comLayout->addRow(makeCheck("exp-cost-on"), makeBox("exp-cost"));
    addRows(comLayout, {"exp-gene", "com-gene"});

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(world, 0, 0);
    layout->addWidget(runs, 0, 1);
    layout->addWidget(communication, 1, 0, 1, 2);
}

QLineEdit* ParameterForm::box(std::string_view key) const {
    return findChild<QLineEdit*>(QString::fromLatin1(parameter(kTextParameters, key).box));
}

QCheckBox* ParameterForm::check(std::string_view key) const {
    return findChild<QCheckBox*>(QString::fromLatin1(parameter(kFlagParameters, key).box));
}

Params ParameterForm::params() const {
    Params p;
    for (const TextParameter& t : kTextParameters) {
        p.*t.member = box(t.key)->text().toStdString();
    }
    for (const FlagParameter& f : kFlagParameters) {
        p.*f.member = check(f.key)->checkState() == Qt::Checked;
    }
    return p;
}

void ParameterForm::fill(const Params& p) {
    for (const TextParameter& t : kTextParameters) {
        box(t.key)->setText(QString::fromStdString(p.*t.member));
    }
    for (const FlagParameter& f : kFlagParameters) {
        check(f.key)->setChecked(p.*f.member);
    }
}

}  // namespace murelta::ui
