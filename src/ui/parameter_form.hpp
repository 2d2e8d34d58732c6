// The parameter boxes of the main window, in three groups: the arena and the group, the runs,
// and communication and evolution. Built from the parameter table, so that the boxes, their
// labels and object names, the experiment files' keys and readParams' messages agree.
#pragma once

#include <QWidget>
#include <string_view>

#include "sim/params.hpp"

class QCheckBox;
class QLineEdit;

namespace murelta::ui {

class ParameterForm : public QWidget {
    Q_OBJECT

  public:
    // The boxes hold Params' defaults.
    explicit ParameterForm(QWidget* parent = nullptr);

    // The texts and ticks as they stand.
    Params params() const;
    void fill(const Params& p);

    // The box or check box of a parameter by its key (as in experiment files).
    QLineEdit* box(std::string_view key) const;
    QCheckBox* check(std::string_view key) const;
};

}  // namespace murelta::ui
