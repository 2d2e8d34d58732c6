#include "ui/main_window.hpp"

#include <QCoreApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"
#include "ui/arena_view.hpp"
#include "ui/box_numbers.hpp"
#include "ui/designer_window.hpp"
#include "ui/group_dialog.hpp"
#include "ui/look.hpp"
#include "ui/message_box.hpp"

namespace murelta::ui {

namespace {

const QString kInfoTitle = QStringLiteral("Murelta: evolving, communicating agents");

// How often a simulation at full speed lets the window system in: often enough that "Stop"
// and closing act at once and the picture moves smoothly, rarely enough that a cycle of about
// a microsecond pays almost nothing for it.
constexpr qint64 kEventIntervalMs = 15;
constexpr qint64 kPaintIntervalMs = 40;

}  // namespace

MainWindow::MainWindow(SimState& state, QWidget* parent) : QWidget(parent), s_(state) {
    setObjectName(QStringLiteral("frmAmb"));
    setWindowTitle(kAppTitle);

    const Params defaults;
    txtAgents_ = addBox("txtAgents", defaults.agents);
    txtRetina_ = addBox("txtRetina", defaults.retina);
    txtW_ = addBox("txtW", defaults.width);
    txtH_ = addBox("txtH", defaults.height);
    txtCicli_ = addBox("txtCicli", defaults.cycles);
    txtFood_ = addBox("txtFood", defaults.foods);
    txtFoodSize_ = addBox("txtFoodSize", defaults.foodSize);
    txtP_ = addBox("txtP", defaults.pConnection);
    txtNoRun_ = addBox("txtNoRun", defaults.runs);
    txtGen_ = addBox("txtGen", defaults.generations);
    txtComCost_ = addBox("txtComCost", defaults.comCost);
    txtExpCost_ = addBox("txtExpCost", defaults.expCost);
    txtCommRad_ = addBox("txtCommRad", defaults.commRadius);
    txtSeed_ = addBox("txtSeed", defaults.seed);
    chkExit_ = addCheck("chkExit", QStringLiteral("First out"), defaults.firstOut);
    checkStart_ = addCheck("checkStart", QStringLiteral("Same Start pos"), defaults.sameStart);
    ChkLastOut_ = addCheck("ChkLastOut", QStringLiteral("Last Out"), defaults.lastOut);
    chkExpCost_ = addCheck("chkExpCost", QStringLiteral("Exploration Cost"), defaults.expCostOn);
    chkCommCost_ =
        addCheck("chkCommCost", QStringLiteral("Communication Cost"), defaults.comCostOn);
    chkExpGene_ = addCheck("chkExpGene", QStringLiteral("Exp gene"), defaults.expGeneOn);
    chkComGene_ = addCheck("chkComGene", QStringLiteral("Com gene"), defaults.comGeneOn);
    graphicEnabled_ = addCheck("graphicEnabled", QStringLiteral("Graphics enabled"), true);

    Command1_ = addButton("Command1", QStringLiteral("Start"));
    cmdStop_ = addButton("cmdStop", QStringLiteral("Stop"));
    cmdStop_->setEnabled(false);
    cmdSettings_ = addButton("cmdSettings", QStringLiteral("Settings"));
    Command2_ = addButton("Command2", QStringLiteral("Set parameters"));
    Command3_ = addButton("Command3", QStringLiteral("View param.window"));

    sldSpeed_ = new QSlider(Qt::Horizontal, this);
    sldSpeed_->setObjectName(QStringLiteral("sldSpeed"));
    sldSpeed_->setRange(0, kFullSpeed);
    sldSpeed_->setValue(kFullSpeed);
    sldSpeed_->setToolTip(
        QStringLiteral("Pace of the simulation: right for full speed, left to watch every cycle. "
                       "It never changes the results."));

    txtInfo_ = new QLineEdit(kInfoTitle, this);
    txtInfo_->setObjectName(QStringLiteral("txtInfo"));
    txtInfo_->setReadOnly(true);
    lblmsg_ = new QLabel(QStringLiteral("0"), this);
    lblmsg_->setObjectName(QStringLiteral("lblmsg"));
    lblfit_ = new QLabel(QStringLiteral("Total Fitness:"), this);
    lblfit_->setObjectName(QStringLiteral("lblfit"));
    arenaPic_ = new ArenaView(this);

    buildLayout();

    connect(Command1_, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(cmdStop_, &QPushButton::clicked, this, &MainWindow::cmdStop_Click);
    connect(cmdSettings_, &QPushButton::clicked, this, &MainWindow::cmdSettings_Click);
    connect(Command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3_, &QPushButton::clicked, this, &MainWindow::Command3_Click);

    // The parameters of the boxes are in force from the start.
    Command2_Click();
}

MainWindow::~MainWindow() = default;

QLineEdit* MainWindow::addBox(const char* name, const std::string& text) {
    auto* box = new QLineEdit(QString::fromStdString(text), this);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaximumWidth(90);
    return box;
}

QCheckBox* MainWindow::addCheck(const char* name, const QString& caption, bool checked) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    return box;
}

QPushButton* MainWindow::addButton(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

void MainWindow::buildLayout() {
    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };

    auto* world = new QGroupBox(QStringLiteral("Arena and group"), this);
    auto* worldLayout = new QFormLayout(world);
    worldLayout->addRow(label("lblAgents", QStringLiteral("Group size")), txtAgents_);
    worldLayout->addRow(label("lblRetina", QStringLiteral("Retina radius")), txtRetina_);
    worldLayout->addRow(label("lblW", QStringLiteral("Width")), txtW_);
    worldLayout->addRow(label("lblH", QStringLiteral("Height")), txtH_);
    worldLayout->addRow(label("lblFood", QStringLiteral("Foods")), txtFood_);
    worldLayout->addRow(label("lblFoodSize", QStringLiteral("Foods size")), txtFoodSize_);
    worldLayout->addRow(checkStart_);

    auto* runs = new QGroupBox(QStringLiteral("Runs"), this);
    auto* runsLayout = new QFormLayout(runs);
    runsLayout->addRow(label("lblCicli", QStringLiteral("Cycles")), txtCicli_);
    runsLayout->addRow(label("lblNoRun", QStringLiteral("Runs")), txtNoRun_);
    runsLayout->addRow(label("lblGen", QStringLiteral("Generations")), txtGen_);
    runsLayout->addRow(label("lblSeed", QStringLiteral("Initial Seed")), txtSeed_);
    runsLayout->addRow(chkExit_);
    runsLayout->addRow(ChkLastOut_);

    auto* communication = new QGroupBox(QStringLiteral("Communication and evolution"), this);
    auto* comLayout = new QFormLayout(communication);
    comLayout->addRow(label("lblDist", QStringLiteral("Communication")));
    comLayout->addRow(label("lblP", QStringLiteral("P (connection)")), txtP_);
    comLayout->addRow(label("lblCommRad", QStringLiteral("Com. Radius")), txtCommRad_);
    comLayout->addRow(chkCommCost_, txtComCost_);
    comLayout->addRow(chkExpCost_, txtExpCost_);
    comLayout->addRow(chkExpGene_);
    comLayout->addRow(chkComGene_);

    auto* parameters = new QGridLayout;
    parameters->addWidget(world, 0, 0);
    parameters->addWidget(runs, 0, 1);
    parameters->addWidget(communication, 1, 0, 1, 2);

    auto* commands = new QGridLayout;
    commands->addWidget(Command1_, 0, 0);
    commands->addWidget(cmdStop_, 0, 1);
    commands->addWidget(Command2_, 1, 0);
    commands->addWidget(cmdSettings_, 1, 1);
    commands->addWidget(Command3_, 2, 0, 1, 2);

    auto* display = new QFormLayout;
    display->addRow(graphicEnabled_);
    display->addRow(label("lblSpeed", QStringLiteral("Speed")), sldSpeed_);
    display->addRow(label("ms", QStringLiteral("Msg in cue")), lblmsg_);
    display->addRow(lblfit_);

    auto* left = new QVBoxLayout;
    left->addLayout(parameters);
    left->addLayout(commands);
    left->addLayout(display);
    left->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(txtInfo_);
    right->addWidget(arenaPic_, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);
}

Params MainWindow::paramsFromBoxes() const {
    const auto text = [](const QLineEdit* box) { return box->text().toStdString(); };
    const auto ticked = [](const QCheckBox* box) { return box->checkState() == Qt::Checked; };
    Params p;
    p.agents = text(txtAgents_);
    p.retina = text(txtRetina_);
    p.width = text(txtW_);
    p.height = text(txtH_);
    p.cycles = text(txtCicli_);
    p.foods = text(txtFood_);
    p.foodSize = text(txtFoodSize_);
    p.pConnection = text(txtP_);
    p.runs = text(txtNoRun_);
    p.generations = text(txtGen_);
    p.comCost = text(txtComCost_);
    p.expCost = text(txtExpCost_);
    p.commRadius = text(txtCommRad_);
    p.seed = text(txtSeed_);
    p.firstOut = ticked(chkExit_);
    p.sameStart = ticked(checkStart_);
    p.lastOut = ticked(ChkLastOut_);
    p.expCostOn = ticked(chkExpCost_);
    p.comCostOn = ticked(chkCommCost_);
    p.expGeneOn = ticked(chkExpGene_);
    p.comGeneOn = ticked(chkComGene_);
    return p;
}

bool MainWindow::Command2_Click() {
    const bool ok = runCommand(this, [this] {
        const std::string label =
            groupDialog_ ? groupDialog_->label().toStdString() : std::string(kDefaultLabel);
        setParameters(s_, paramsFromBoxes(), label, readBoxNumber);
    });
    // Also after a refusal: the designer then shows no agents rather than the old ones, whose
    // arrays no longer match the parameters in force.
    if (designer_) {
        designer_->rebuild();
    }
    return ok;
}

void MainWindow::Command1_Click() {
    runCommand(this, [this] { runSimulation(s_, *this, *this); });
    showCounters();
}

void MainWindow::cmdStop_Click() {
    s_.running = false;
    if (waitLoop_ != nullptr) {
        waitLoop_->quit();
    }
    cmdStop_->setEnabled(false);
    Command1_->setEnabled(true);
}

void MainWindow::cmdSettings_Click() {
    GroupDialog dialog(this);
    groupDialog_ = &dialog;
    connect(&dialog, &GroupDialog::groupSizeClicked, txtAgents_, &QLineEdit::setText);
    connect(&dialog, &GroupDialog::okClicked, this, &MainWindow::applyGroupSettings);
    dialog.exec();
    groupDialog_ = nullptr;
}

void MainWindow::applyGroupSettings(const QString& runs, const QString& cycles) {
    txtNoRun_->setText(runs);
    txtCicli_->setText(cycles);
    // The parameters are set while the dialog is open, so its label names the data file; a
    // refused box leaves the dialog open for a correction.
    if (!Command2_Click()) {
        return;
    }
    groupDialog_->accept();
    groupDialog_ = nullptr;
    showDesignerModal();
}

DesignerWindow* MainWindow::openDesigner() {
    if (!designer_) {
        designer_ = new DesignerWindow(
            s_, [this] { return txtAgents_->text(); }, this);
    } else if (!designer_->isVisible()) {
        // Every opening starts from the current data, as a newly loaded window would.
        designer_->rebuild();
    }
    return designer_;
}

void MainWindow::Command3_Click() {
    DesignerWindow* designer = openDesigner();
    designer->show();
    designer->raise();
    designer->activateWindow();
}

void MainWindow::showDesignerModal() {
    DesignerWindow* designer = openDesigner();
    designer->hide();
    designer->exec();
}

int MainWindow::cycleDelayMs(int speed) {
    const double slowness =
        1.0 - std::clamp(speed, 0, kFullSpeed) / static_cast<double>(kFullSpeed);
    return static_cast<int>(std::lround(250.0 * slowness * slowness));
}

void MainWindow::showProgress(std::int16_t run, std::int16_t runCount, std::int16_t cycle,
                              std::int16_t cyclesPerRun) {
    run_ = run;
    runCount_ = runCount;
    cycle_ = cycle;
    cyclesPerRun_ = cyclesPerRun;
}

void MainWindow::showMessageCount(std::int16_t count) {
    messageCount_ = count;
}

void MainWindow::showCounters() {
    if (runCount_ > 0) {
        txtInfo_->setText(QStringLiteral("Run no: %1/%2 Cycle: %3/%4")
                              .arg(run_)
                              .arg(runCount_)
                              .arg(cycle_)
                              .arg(cyclesPerRun_));
    }
    lblmsg_->setText(QString::number(messageCount_));
}

void MainWindow::showTotalFitness(double totalFitness) {
    lblfit_->setText(QStringLiteral("Total Fitness: ") +
                     QString::fromStdString(formatNumber(totalFitness, decimalSeparator())));
}

void MainWindow::setRunningControls(bool running) {
    Command1_->setEnabled(!running);
    cmdSettings_->setEnabled(!running);
    cmdStop_->setEnabled(running);
    // Re-creating the structures under a running loop would pull them from under it.
    Command2_->setEnabled(!running);
    if (!running) {
        showCounters();
    }
}

void MainWindow::initGraphic() {
    arenaPic_->initGraphic(s_);
}

void MainWindow::updateGraphic() {
    arenaPic_->updateGraphic(s_);
}

bool MainWindow::graphicsEnabled() {
    return graphicEnabled_->isChecked();
}

void MainWindow::processEvents() {
    // Painting costs far more than handling input, so the picture and the counters are
    // refreshed at a pace the eye can follow, less often than the window answers clicks.
    if (!sincePaint_.isValid() || sincePaint_.elapsed() >= kPaintIntervalMs) {
        showCounters();
        // Without graphics the picture keeps the run start, drawn by initGraphic.
        if (graphicsEnabled()) {
            arenaPic_->update();
        }
        sincePaint_.restart();
    }
    QCoreApplication::processEvents();
    sinceEvents_.restart();
}

void MainWindow::yield() {
    const int delay = cycleDelayMs(sldSpeed_->value());
    if (delay == 0) {
        if (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= kEventIntervalMs) {
            processEvents();
        }
        return;
    }
    // Slow pace: every cycle is shown, then the window waits, answering the user meanwhile.
    showCounters();
    arenaPic_->repaint();
    QEventLoop wait;
    waitLoop_ = &wait;
    QTimer::singleShot(delay, &wait, &QEventLoop::quit);
    wait.exec();
    waitLoop_ = nullptr;
    sinceEvents_.restart();
}

void MainWindow::runFinished() {
    showCounters();
    arenaPic_->repaint();
    showMessage(this, QStringLiteral("Run finished, click ok to start next run."), kAppTitle,
                MessageIcon::Information);
}

std::filesystem::path MainWindow::dataDirectory() {
    return std::filesystem::path(QDir::currentPath().toStdString());
}

char MainWindow::decimalSeparator() {
    return ui::decimalSeparator();
}

void MainWindow::dataFileWritten(const std::filesystem::path&, const std::string& message,
                                 bool complete, bool interrupted) {
    QString text = QString::fromStdString(message);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    showMessage(this, text, QStringLiteral("Mur info"),
                complete && !interrupted ? MessageIcon::Information : MessageIcon::Exclamation);
    if (interrupted) {
        close();
    }
}

std::optional<std::filesystem::path> MainWindow::otherDataDirectory(const std::string& error) {
    showMessage(this,
                QString::fromStdString(error) +
                    QStringLiteral("\n\nChoose another folder for the data file, or cancel to "
                                   "leave the results unsaved."),
                kAppTitle, MessageIcon::Exclamation);
    const QString folder = chooseFolder(this, QStringLiteral("Folder for the data file"));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(folder.toStdString());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (s_.running) {
        // The simulation winds down first; it closes the windows once its data are saved.
        cmdStop_Click();
        s_.interrupted = true;
        event->ignore();
        return;
    }
    if (designer_) {
        designer_->close();
    }
    if (groupDialog_) {
        groupDialog_->reject();
    }
    event->accept();
}

}  // namespace murelta::ui
