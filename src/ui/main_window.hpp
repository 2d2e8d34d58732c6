// The main window: the parameters, "Start" and "Stop", the progress and results, the arena
// picture, the way to the group settings dialog and the network designer, and the experiment
// file that holds what "Start" runs. It runs the simulation as the run driver's host.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "experiment/experiment.hpp"
#include "run/data_file.hpp"
#include "run/hosts.hpp"
#include "sim/params.hpp"
#include "ui/designer_window.hpp"
#include "ui/group_dialog.hpp"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QSettings;
class QSlider;
class QSpinBox;

namespace murelta {
class Record;
class Simulation;
struct SimState;
}  // namespace murelta

namespace murelta::ui {

class AgentPanel;
class RunController;
class ArenaView;
class ExperimentDocument;
class ParameterForm;
class ResultsPanel;
class ResultsWindow;

class MainWindow : public QWidget,
                   public SimulationDrawing,
                   public SimulationListener,
                   public DataFileHost {
    Q_OBJECT

  public:
    // `settings` keeps the recent files between sessions; without it they last this session
    // only.
    explicit MainWindow(SimState& state, QSettings* settings = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens an experiment file without asking about unsaved changes (the command line's file).
    // A file that cannot be read or run is named in a message and changes nothing; returns
    // false then.
    bool openFile(const QString& path);

    // The group settings dialog while it is open (its label names the data file), or null.
    GroupDialog* groupDialog() const { return groupDialog_; }
    DesignerWindow* designer() const { return designer_; }

    SimState& state() { return s_; }
    ArenaView* arena() const { return arenaPic_; }
    ResultsPanel* results() const { return results_; }
    AgentPanel* agentPanel() const { return agentPanel_; }

    // Opens a simulation's record, a sweep's folder or a calibration's in a results viewer; a
    // file that cannot be read is named in a message, and then there is no viewer (null).
    ResultsWindow* openResults(const QString& path);

    // The pause after each drawn cycle for a given position of the speed control (0 slowest,
    // kFullSpeed none).
    static constexpr int kFullSpeed = 20;
    // The most threads the window offers.
    static constexpr int kMostThreads = 256;
    static int cycleDelayMs(int speed);

    // SimulationListener
    void showProgress(std::int16_t run, std::int16_t runCount, std::int16_t cycle,
                      std::int16_t cyclesPerRun) override;
    void showRunsDone(int done, int runCount) override;
    void showMessageCount(std::int16_t count) override;
    void showGenerationDone(const GenerationSummary& generation) override;
    // SimulationDrawing
    void initGraphic() override;
    void updateGraphic() override;
    bool graphicsEnabled() override;

    // DataFileHost
    std::filesystem::path dataDirectory() override;
    char decimalSeparator() override;
    void dataFileWritten(const std::filesystem::path& path, const std::string& message,
                         bool complete, bool interrupted) override;
    std::optional<std::filesystem::path> otherDataDirectory(const std::string& error) override;

    bool paused() const;
    // Whether a simulation started with "Start" is under way.
    bool simulationRunning() const;

  public slots:
    // Ends the program as closing the window does, but with nobody there to answer: no
    // question about unsaved changes and no message box; a simulation under way stops and
    // leaves its data file and record, marked incomplete. For SIGTERM.
    void terminate();

  signals:
    // A cycle is on show while paused: after the pause began and after each step.
    void cycleShown();
    // A simulation has ended and its data file and record are written.
    void simulationEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void fileNew();
    void fileOpen();
    void fileOpenRecent(const QString& path);
    bool fileSave();  // false when cancelled or refused
    bool fileSaveAs();
    void helpAbout();
    void fileOpenResults();
    void fileExportChart();
    // Marks the window modified when what "Start" would run differs from the file.
    void updateModified();
    bool Command2_Click();  // "Set parameters"; false when a box was refused
    void Command1_Click();  // "Start"
    void cmdStop_Click();   // "Stop"
    void cmdPause_Click();  // "Pause" and "Resume"
    void cmdStep_Click();   // "Step": one cycle while paused
    void updateWatchControls();
    void cmdSettings_Click();
    void Command3_Click();  // "View param.window"
    // The group settings dialog's OK: the runs and cycles go into their boxes, the parameters
    // are set with the dialog's label, and the designer opens modally.
    void applyGroupSettings(const QString& runs, const QString& cycles);

  private:
    void createCommands();
    void createViews();
    void createActions();
    void createMenus();
    void connectCommands();
    void createRunController();
    // "Set parameters" with `label` naming the data file; on success the boxes and the label
    // are the experiment in force.
    bool setParametersWith(const std::string& label);
    // The experiment "Start" would run: the parameters and label in force and the network.
    Experiment experimentInForce() const;
    // Its experimentText; empty after a refused "Set parameters", when nothing would run.
    std::string textInForce() const;
    // Save, Discard or Cancel when there are unsaved changes; false when the command that asks
    // must not go on.
    bool maybeSave();
    bool saveTo(const QString& path);
    // After New, Open or Save: what is in force is what the file (or no file) holds.
    void setCurrentFile(const QString& path);
    void keepMatchAfterRun(const Experiment& ran);
    void updateRecentMenu();
    // Opens the designer modally, as the group settings dialog's OK does.
    void showDesignerModal();
    QCheckBox* addCheck(const char* name, const QString& caption, bool checked = false);
    QPushButton* addButton(const char* name, const QString& caption);
    void buildLayout();
    void showCounters();
    void refreshCharts();
    // Repaints the arena as of the cycle just made, with its messages when they are shown.
    void drawArena();
    // The state as the simulation left it: counters, picture, charts at their pace.
    void showFrame();
    // While paused: the cycle shown, also in the agent panel.
    void showPausedCycle();
    // The modal "Run finished, click ok to start next run." message, then the next run.
    void runFinished();
    // The simulation ended: its record written, the controls back.
    void simulationFinished(Simulation* simulation);
    void simulationFailed();
    // Start, Settings and the file commands while idle; Stop while running.
    void setRunningControls(bool running);
    DesignerWindow* openDesigner();

    SimState& s_;

    // What "Start" runs besides the network: the boxes and label of the last successful "Set
    // parameters".
    Params paramsInForce_;
    std::string labelInForce_;
    ExperimentDocument* document_;
    // Set once a simulation stopped by closing has saved its data: the window then closes
    // without asking, as it always has.
    bool closingAfterStop_ = false;
    bool unattended_ = false;  // terminate() was called: nobody answers a message

    QMenuBar* menuBar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* newAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveAsAction_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* openResultsAction_ = nullptr;
    QAction* exportChartAction_ = nullptr;
    QAction* showChartsAction_ = nullptr;
    QAction* pauseAction_ = nullptr;
    QAction* stepAction_ = nullptr;

    ParameterForm* form_;
    QCheckBox* graphicEnabled_;
    QSlider* sldSpeed_;
    QSpinBox* spnThreads_;  // threads for runs that are not drawn
    QPushButton* Command1_;
    QPushButton* cmdStop_;
    QPushButton* cmdSettings_;
    QPushButton* Command2_;
    QPushButton* Command3_;
    QPushButton* cmdPause_;
    QPushButton* cmdStep_;
    QCheckBox* chkMessages_;
    QCheckBox* chkTrails_;
    QSpinBox* spnTrail_;
    QLineEdit* txtInfo_;
    QLabel* lblmsg_;
    QLabel* lblfit_;
    ArenaView* arenaPic_;
    ResultsPanel* results_;
    AgentPanel* agentPanel_;

    QPointer<DesignerWindow> designer_;
    QPointer<GroupDialog> groupDialog_;

    // What the loop reported since the window last showed it.
    std::int16_t run_ = 0;
    std::int16_t runCount_ = 0;
    std::int16_t cycle_ = 0;
    std::int16_t cyclesPerRun_ = 0;
    // Runs of a generation done, while they go to other threads; -1 while runs are drawn.
    int runsDone_ = -1;
    std::int16_t messageCount_ = 0;
    // The generation whose runs are under way, numbered from 0.
    int generation_ = 0;
    QElapsedTimer sinceCharts_;
    // The simulation under way, what it runs and its record, begun at its start.
    RunController* controller_;
    std::optional<Experiment> ran_;
    std::unique_ptr<Record> record_;
    // The window was closed during the simulation: it closes once the data are saved.
    bool closeAfterRun_ = false;
};

}  // namespace murelta::ui
