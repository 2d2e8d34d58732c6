// The communication network designer, "Communication Network Settings": links, leader, rank,
// retina, target sizes, topologies, range option and the paper presets.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

namespace murelta {
struct SimState;
}

namespace murelta::ui {

class DesignerWindow : public QDialog {
    Q_OBJECT

  public:
    // agentCountText returns the main window's group size box as typed (the presets' middle
    // agent is chosen from it).
    DesignerWindow(SimState& state, std::function<QString()> agentCountText,
                   QWidget* parent = nullptr);

    // Lays out markers, marks and panels again for the current group, after "Set parameters"
    // has re-created the agents.
    void rebuild();

  private:
    SimState& s_;
    std::function<QString()> agentCountText_;
};

}  // namespace murelta::ui
