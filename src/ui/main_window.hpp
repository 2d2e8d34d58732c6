// The main window: the parameters, "Start" and "Stop", the progress and results, the arena
// picture, and the way to the group settings dialog and the network designer. It runs the
// simulation as the run driver's host.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <string>

#include "run/data_file.hpp"
#include "run/display.hpp"
#include "sim/params.hpp"
#include "ui/designer_window.hpp"
#include "ui/group_dialog.hpp"

class QCheckBox;
class QEventLoop;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace murelta {
struct SimState;
}

namespace murelta::ui {

class ArenaView;

class MainWindow : public QWidget, public RunDisplay, public DataFileHost {
    Q_OBJECT

  public:
    explicit MainWindow(SimState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The group settings dialog while it is open (its label names the data file), or null.
    GroupDialog* groupDialog() const { return groupDialog_; }
    DesignerWindow* designer() const { return designer_; }

    SimState& state() { return s_; }
    ArenaView* arena() const { return arenaPic_; }

    // The pause after each drawn cycle for a given position of the speed control (0 slowest,
    // kFullSpeed none).
    static constexpr int kFullSpeed = 20;
    static int cycleDelayMs(int speed);

    // RunDisplay
    void showProgress(std::int16_t run, std::int16_t runCount, std::int16_t cycle,
                      std::int16_t cyclesPerRun) override;
    void showMessageCount(std::int16_t count) override;
    void showTotalFitness(double totalFitness) override;
    void setRunningControls(bool running) override;
    void initGraphic() override;
    void updateGraphic() override;
    bool graphicsEnabled() override;
    void yield() override;
    void runFinished() override;

    // DataFileHost
    std::filesystem::path dataDirectory() override;
    char decimalSeparator() override;
    void dataFileWritten(const std::filesystem::path& path, const std::string& message,
                         bool complete, bool interrupted) override;
    std::optional<std::filesystem::path> otherDataDirectory(const std::string& error) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private slots:
    bool Command2_Click();  // "Set parameters"; false when a box was refused
    void Command1_Click();  // "Start"
    void cmdStop_Click();   // "Stop"
    void cmdSettings_Click();
    void Command3_Click();  // "View param.window"
    // The group settings dialog's OK: the runs and cycles go into their boxes, the parameters
    // are set with the dialog's label, and the designer opens modally.
    void applyGroupSettings(const QString& runs, const QString& cycles);

  private:
    // Opens the designer modally, as the group settings dialog's OK does.
    void showDesignerModal();
    Params paramsFromBoxes() const;
    QLineEdit* addBox(const char* name, const std::string& text);
    QCheckBox* addCheck(const char* name, const QString& caption, bool checked = false);
    QPushButton* addButton(const char* name, const QString& caption);
    void buildLayout();
    void showCounters();
    void processEvents();
    DesignerWindow* openDesigner();

    SimState& s_;

    QLineEdit* txtAgents_;
    QLineEdit* txtRetina_;
    QLineEdit* txtW_;
    QLineEdit* txtH_;
    QLineEdit* txtCicli_;
    QLineEdit* txtFood_;
    QLineEdit* txtFoodSize_;
    QLineEdit* txtP_;
    QLineEdit* txtNoRun_;
    QLineEdit* txtGen_;
    QLineEdit* txtComCost_;
    QLineEdit* txtExpCost_;
    QLineEdit* txtCommRad_;
    QLineEdit* txtSeed_;
    QCheckBox* chkExit_;
    QCheckBox* checkStart_;
    QCheckBox* ChkLastOut_;
    QCheckBox* chkExpCost_;
    QCheckBox* chkCommCost_;
    QCheckBox* chkExpGene_;
    QCheckBox* chkComGene_;
    QCheckBox* graphicEnabled_;
    QSlider* sldSpeed_;
    QPushButton* Command1_;
    QPushButton* cmdStop_;
    QPushButton* cmdSettings_;
    QPushButton* Command2_;
    QPushButton* Command3_;
    QLineEdit* txtInfo_;
    QLabel* lblmsg_;
    QLabel* lblfit_;
    ArenaView* arenaPic_;

    QPointer<DesignerWindow> designer_;
    QPointer<GroupDialog> groupDialog_;

    // What the loop reported since the window last showed it.
    std::int16_t run_ = 0;
    std::int16_t runCount_ = 0;
    std::int16_t cycle_ = 0;
    std::int16_t cyclesPerRun_ = 0;
    std::int16_t messageCount_ = 0;
    QElapsedTimer sinceEvents_;
    QElapsedTimer sincePaint_;
    QEventLoop* waitLoop_ = nullptr;
};

}  // namespace murelta::ui
