// The communication network designer, "Communication Network Settings": links, leader, rank,
// retina, target sizes, topologies, range option and the paper presets. Every edit goes straight
// into the simulation state; "ok" only closes the window.
#pragma once

#include <QDialog>
#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace murelta {
struct SimState;
}

namespace murelta::ui {

class NetworkView;

// Side of an agent marker in the picture's design units.
inline constexpr double kMarkerSize = 100.0;

// Controls, by object name: the picture "pictAr"; the range options "commOption_0" ("Space
// independent") and "commOption_1" ("Space dependent") in the button group "commOption"; the
// link commands "cmdMonoCOm", "cmdBiCom", "cmdCutCom"; the topologies "cmdNetAll",
// "cmdNetCircle", "cmdNetStar", "cmdNetClear"; the preset list "cmb_preset"; the agent panel
// "fraAgent" with "txtRetina", "checkLeader", "txtRank", and beside it "lblAgent", "lblNoAgent";
// the target panel "fraTargets" with "cmdShiftLeft", "cmdShiftRight", "noFood", "txtSize"; the
// buttons "cmdok" and "Command1" (redraws the links).
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

  signals:
    // After each command that may have changed the network, the range or a target size, so
    // that the main window can tell whether the experiment still matches its file.
    void edited();

  private slots:
    void pictAr_MouseDown(QPointF point);
    void commOption_Click(int option);
    void cmdMonoCOm_Click();
    void cmdBiCom_Click();
    void cmdCutCom_Click();
    void cmdNetAll_Click();
    void cmdNetCircle_Click();
    void cmdNetStar_Click();
    void cmdNetClear_Click();
    void cmb_preset_Click(int item);
    void checkLeader_Click();
    void txtRank_Change();
    void txtRetina_Change();
    void txtSize_Change();
    void cmdShiftLeft_Click();
    void cmdShiftRight_Click();
    void cmdok_Click();
    void Command1_Click();

  private:
    // How an agent is marked in the picture: the agent panel writes to the selected one.
    enum class Mark { None, Selected, LinkEnd };
    // What the next two picks in the picture do: select, or make or cut a link.
    enum class LinkMode { Select, Mono, Bi, Delete };

    QGroupBox* buildRangeFrame();
    QGroupBox* buildDesignerFrame();
    QGroupBox* buildTopologyFrame();
    QGroupBox* buildTargetFrame();
    QGroupBox* buildAgentFrame();

    // What opening the window does: markers on the ring, no marks, selection mode, target 0,
    // the agent panel with its design values, the links drawn.
    void loadNetwork();
    std::int16_t agentCount() const;
    void drawLink();
    void updateSelected();
    void unselectAll();
    std::int16_t findAgentAt(QPointF point) const;
    void selectAgentAt(QPointF point);
    void pickLinkEndAt(QPointF point);
    void armLinkCommand(LinkMode mode);
    void showAgent(std::int16_t agent);
    void showNoAgent(const QString& rankText);
    void showLeaderBox(std::int16_t rank);
    void showTarget();
    void showRangeOption();

    murelta::SimState& s_;
    std::function<QString()> agentCountText_;

    NetworkView* pictAr_ = nullptr;
    QButtonGroup* commOption_ = nullptr;
    QRadioButton* commOption0_ = nullptr;
    QRadioButton* commOption1_ = nullptr;
    QComboBox* cmb_preset_ = nullptr;
    QGroupBox* fraAgent_ = nullptr;
    QLineEdit* txtRetina_ = nullptr;
    QCheckBox* checkLeader_ = nullptr;
    QLineEdit* txtRank_ = nullptr;
    QLabel* lblNoAgent_ = nullptr;
    QLabel* noFood_ = nullptr;
    QLineEdit* txtSize_ = nullptr;

    // The agents marked Selected, to which the agent panel's boxes write.
    std::vector<std::int16_t> selectedAgents() const;

    std::vector<Mark> agentMark_;  // groupSize + 1 entries
    LinkMode linkMode_ = LinkMode::Select;
    int clickCount_ = 0;
    std::array<std::int16_t, 2> linkEnds_{};
    std::int16_t currentTarget_ = 0;
    // The agent the agent panel shows; it stays after a link command clears the marks.
    std::optional<std::int16_t> panelAgent_;
};

}  // namespace murelta::ui
