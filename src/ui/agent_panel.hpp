// A small panel that shows one agent as the state holds it: where it is, what it is, what it
// knows and decided in its last turn, whom it tells, what is on its way to it, and its genes.
// It only reads the state.
#pragma once

#include <QGroupBox>

class QLabel;
class QListWidget;

namespace murelta {
struct SimState;
}

namespace murelta::ui {

class AgentPanel : public QGroupBox {
    Q_OBJECT

  public:
    explicit AgentPanel(QWidget* parent = nullptr);

    // Shows agent `agent` of `s` as of cycle `cycle` of the run (the messages' delivery cycles
    // count from it); an index outside the group clears the panel.
    void inspect(const SimState& s, int agent, int cycle);
    void clear();
    // The agent shown, or -1.
    int agent() const { return agent_; }

  private:
    QLabel* addField(const char* name, const QString& caption);

    int agent_ = -1;
    QLabel* index_;
    QLabel* cell_;
    QLabel* retina_;
    QLabel* leader_;
    QLabel* out_;
    QLabel* heading_;
    QLabel* knows_;
    QLabel* links_;
    QLabel* genes_;
    QListWidget* messages_;
};

}  // namespace murelta::ui
