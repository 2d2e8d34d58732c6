#include "ui/main_window.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

#include "experiment/record.hpp"
#include "experiment/results.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/run_stats.hpp"
#include "run/set_parameters.hpp"
#include "run/simulation.hpp"
#include "sim/numbers.hpp"
#include "sim/parameter_table.hpp"
#include "sim/state.hpp"
#include "ui/agent_panel.hpp"
#include "ui/arena_view.hpp"
#include "ui/box_numbers.hpp"
#include "ui/designer_window.hpp"
#include "ui/experiment_document.hpp"
#include "ui/group_dialog.hpp"
#include "ui/look.hpp"
#include "ui/message_box.hpp"
#include "ui/parameter_form.hpp"
#include "ui/results_panel.hpp"
#include "ui/results_window.hpp"
#include "ui/run_controller.hpp"

namespace murelta::ui {

namespace {

const QString kInfoTitle = QStringLiteral("Murelta: evolving, communicating agents");

// How often a simulation at full speed lets the window system in: often enough that "Stop"
// and closing act at once and the picture moves smoothly, rarely enough that a cycle of about
// a microsecond pays almost nothing for it.
constexpr qint64 kChartIntervalMs = 250;
constexpr int kDefaultTrailLength = 20;

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

}  // namespace

MainWindow::MainWindow(SimState& state, QSettings* settings, QWidget* parent)
    : QWidget(parent),
      s_(state),
      labelInForce_(kDefaultLabel),
      document_(new ExperimentDocument(settings, this)) {
    setObjectName(QStringLiteral("frmAmb"));
    form_ = new ParameterForm(this);
    createCommands();
    createViews();
    createActions();
    createMenus();
    buildLayout();
    connectCommands();
    createRunController();
    updateWatchControls();
    // The parameters of the boxes are in force from the start, as a new experiment.
    Command2_Click();
    setCurrentFile(QString());
}

// The buttons and the controls of the display: graphics, pace, threads, messages and trails.
void MainWindow::createCommands() {
    graphicEnabled_ = addCheck("graphicEnabled", QStringLiteral("Graphics enabled"), true);

    Command1_ = addButton("Command1", QStringLiteral("Start"));
    cmdStop_ = addButton("cmdStop", QStringLiteral("Stop"));
    cmdStop_->setEnabled(false);
    cmdSettings_ = addButton("cmdSettings", QStringLiteral("Settings"));
    Command2_ = addButton("Command2", QStringLiteral("Set parameters"));
    Command3_ = addButton("Command3", QStringLiteral("View param.window"));
    cmdPause_ = addButton("cmdPause", QStringLiteral("Pause"));
    cmdStep_ = addButton("cmdStep", QStringLiteral("Step"));
    chkMessages_ = addCheck("chkMessages", QStringLiteral("Show messages"));
    chkTrails_ = addCheck("chkTrails", QStringLiteral("Show trails"));
    spnTrail_ = new QSpinBox(this);
    spnTrail_->setObjectName(QStringLiteral("spnTrail"));
    spnTrail_->setRange(1, 1000);
    spnTrail_->setValue(kDefaultTrailLength);
    spnTrail_->setSuffix(QStringLiteral(" cells"));
    spnTrail_->setToolTip(QStringLiteral("How many of its last cells each agent's trail shows"));

    sldSpeed_ = new QSlider(Qt::Horizontal, this);
    sldSpeed_->setObjectName(QStringLiteral("sldSpeed"));
    sldSpeed_->setRange(0, kFullSpeed);
    sldSpeed_->setValue(kFullSpeed);
    sldSpeed_->setToolTip(
        QStringLiteral("Pace of the simulation: right for full speed, left to watch every cycle. "
                       "It never changes the results."));

    spnThreads_ = new QSpinBox(this);
    spnThreads_->setObjectName(QStringLiteral("spnThreads"));
    spnThreads_->setRange(1, kMostThreads);
    spnThreads_->setValue(
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMostThreads));
    spnThreads_->setToolTip(
        QStringLiteral("Threads the runs of a generation go to while graphics are off. It never "
                       "changes the results."));
}

// The counters, the arena, the agent panel and the charts.
void MainWindow::createViews() {
    txtInfo_ = new QLineEdit(kInfoTitle, this);
    txtInfo_->setObjectName(QStringLiteral("txtInfo"));
    txtInfo_->setReadOnly(true);
    lblmsg_ = new QLabel(QStringLiteral("0"), this);
    lblmsg_->setObjectName(QStringLiteral("lblmsg"));
    lblfit_ = new QLabel(QStringLiteral("Total Fitness:"), this);
    lblfit_->setObjectName(QStringLiteral("lblfit"));
    arenaPic_ = new ArenaView(this);
    agentPanel_ = new AgentPanel(this);
    results_ = new ResultsPanel(this);
    results_->setObjectName(QStringLiteral("results"));
}

void MainWindow::connectCommands() {
    connect(Command1_, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(cmdStop_, &QPushButton::clicked, this, &MainWindow::cmdStop_Click);
    connect(cmdSettings_, &QPushButton::clicked, this, &MainWindow::cmdSettings_Click);
    connect(Command2_, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3_, &QPushButton::clicked, this, &MainWindow::Command3_Click);
    connect(cmdPause_, &QPushButton::clicked, this, &MainWindow::cmdPause_Click);
    connect(cmdStep_, &QPushButton::clicked, this, &MainWindow::cmdStep_Click);
    connect(graphicEnabled_, &QCheckBox::toggled, this, &MainWindow::updateWatchControls);
    connect(chkMessages_, &QCheckBox::toggled, this, [this](bool shown) {
        if (shown) {
            arenaPic_->showMessages(s_);
        } else {
            arenaPic_->clearMessages();
        }
        arenaPic_->update();
    });
    const auto setTrails = [this] {
        arenaPic_->setTrailLength(chkTrails_->isChecked() ? spnTrail_->value() : 0);
        arenaPic_->update();
    };
    connect(chkTrails_, &QCheckBox::toggled, this, setTrails);
    connect(spnTrail_, &QSpinBox::valueChanged, this, setTrails);
}

// The run controller, which advances a simulation from the event loop, and what the window
// shows of it.
void MainWindow::createRunController() {
    controller_ = new RunController(this);
    connect(controller_, &RunController::frame, this, &MainWindow::showFrame);
    connect(controller_, &RunController::cycleShown, this, &MainWindow::showPausedCycle);
    connect(controller_, &RunController::runEndReached, this, &MainWindow::runFinished);
    connect(controller_, &RunController::failed, this, &MainWindow::simulationFailed);
    connect(controller_, &RunController::finished, this, &MainWindow::simulationFinished);
    connect(sldSpeed_, &QSlider::valueChanged, this,
            [this](int speed) { controller_->setCycleDelay(cycleDelayMs(speed)); });
    connect(arenaPic_, &ArenaView::agentClicked, this, [this](int agent) {
        // A running simulation moves on before anybody could read the panel.
        if (!controller_->running() || controller_->paused()) {
            agentPanel_->inspect(s_, agent, cycle_);
        }
    });
}

MainWindow::~MainWindow() = default;

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

void MainWindow::createActions() {
    const auto action = [this](const char* name, const QString& text, const QKeySequence& keys) {
        auto* a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        return a;
    };
    newAction_ = action("actionNew", QStringLiteral("&New"), QKeySequence::New);
    openAction_ = action("actionOpen", QStringLiteral("&Open..."), QKeySequence::Open);
    saveAction_ = action("actionSave", QStringLiteral("&Save"), QKeySequence::Save);
    saveAsAction_ = action("actionSaveAs", QStringLiteral("Save &As..."),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    quitAction_ = action("actionQuit", QStringLiteral("&Quit"), QKeySequence::Quit);
    // Desktops without a standard key for quitting (a bare X server, say) get the usual one.
    if (quitAction_->shortcut().isEmpty()) {
        quitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    }
    aboutAction_ = action("actionAbout", QStringLiteral("&About"), QKeySequence());
    openResultsAction_ =
        action("actionOpenResults", QStringLiteral("Open &Results..."), QKeySequence());
    exportChartAction_ =
        action("actionExportChart", QStringLiteral("&Export Chart..."), QKeySequence());
    showChartsAction_ = action("actionShowCharts", QStringLiteral("Show &Charts"),
                               QKeySequence(Qt::CTRL | Qt::Key_R));
    showChartsAction_->setCheckable(true);
    showChartsAction_->setChecked(true);
    // Function keys: they work wherever the focus is and never type into a box.
    pauseAction_ = action("actionPause", QStringLiteral("&Pause"), QKeySequence(Qt::Key_F8));
    stepAction_ = action("actionStep", QStringLiteral("S&tep"), QKeySequence(Qt::Key_F10));
    for (QAction* a : {pauseAction_, stepAction_}) {
        a->setShortcutContext(Qt::ApplicationShortcut);
    }
    connect(newAction_, &QAction::triggered, this, &MainWindow::fileNew);
    connect(openAction_, &QAction::triggered, this, &MainWindow::fileOpen);
    connect(saveAction_, &QAction::triggered, this, [this] { fileSave(); });
    connect(saveAsAction_, &QAction::triggered, this, [this] { fileSaveAs(); });
    // Quitting is closing the window, which asks about unsaved changes and stops a simulation.
    connect(quitAction_, &QAction::triggered, this, &QWidget::close);
    connect(aboutAction_, &QAction::triggered, this, &MainWindow::helpAbout);
    connect(pauseAction_, &QAction::triggered, this, &MainWindow::cmdPause_Click);
    connect(stepAction_, &QAction::triggered, this, &MainWindow::cmdStep_Click);
    connect(openResultsAction_, &QAction::triggered, this, &MainWindow::fileOpenResults);
    connect(exportChartAction_, &QAction::triggered, this, &MainWindow::fileExportChart);
    connect(showChartsAction_, &QAction::toggled, this, [this](bool shown) {
        results_->setVisible(shown);
        if (shown) {
            results_->refresh();
        }
    });
}

void MainWindow::createMenus() {
    menuBar_ = new QMenuBar(this);
    QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    file->addAction(newAction_);
    file->addAction(openAction_);
    recentMenu_ = file->addMenu(QStringLiteral("Recent files"));
    recentMenu_->setObjectName(QStringLiteral("menuRecent"));
    // A fixed set of entries, shown or hidden: an entry must outlive the command it triggers,
    // which puts its file first in the list.
    for (int i = 0; i < ExperimentDocument::kMaxRecentFiles; ++i) {
        QAction* entry = recentMenu_->addAction(QString());
        connect(entry, &QAction::triggered, this,
                [this, entry] { fileOpenRecent(entry->data().toString()); });
    }
    file->addSeparator();
    file->addAction(saveAction_);
    file->addAction(saveAsAction_);
    file->addSeparator();
    file->addAction(openResultsAction_);
    file->addAction(exportChartAction_);
    file->addSeparator();
    file->addAction(quitAction_);
    QMenu* view = menuBar_->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    view->addAction(showChartsAction_);
    QMenu* simulation = menuBar_->addMenu(QStringLiteral("&Simulation"));
    simulation->setObjectName(QStringLiteral("menuSimulation"));
    simulation->addAction(pauseAction_);
    simulation->addAction(stepAction_);
    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    help->addAction(aboutAction_);

    connect(document_, &ExperimentDocument::recentFilesChanged, this,
            &MainWindow::updateRecentMenu);
    updateRecentMenu();
}

void MainWindow::buildLayout() {
    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };

    auto* commands = new QGridLayout;
    commands->addWidget(Command1_, 0, 0);
    commands->addWidget(cmdStop_, 0, 1);
    commands->addWidget(Command2_, 1, 0);
    commands->addWidget(cmdSettings_, 1, 1);
    commands->addWidget(Command3_, 2, 0, 1, 2);
    commands->addWidget(cmdPause_, 3, 0);
    commands->addWidget(cmdStep_, 3, 1);

    auto* display = new QFormLayout;
    display->addRow(graphicEnabled_);
    display->addRow(label("lblSpeed", QStringLiteral("Speed")), sldSpeed_);
    display->addRow(label("lblThreads", QStringLiteral("Threads")), spnThreads_);
    display->addRow(chkMessages_);
    display->addRow(chkTrails_, spnTrail_);
    display->addRow(label("ms", QStringLiteral("Msg in cue")), lblmsg_);
    display->addRow(lblfit_);

    // The parameters scroll when the screen is lower than they are, so that the arena keeps
    // its room on a laptop's screen.
    auto* form = new QWidget(this);
    auto* left = new QVBoxLayout(form);
    left->addWidget(form_);
    left->addLayout(commands);
    left->addLayout(display);
    left->addWidget(agentPanel_);
    left->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrollParameters"));
    scroll->setWidget(form);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(form->sizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());

    // The charts beside the arena; the splitter lets the user share the room between them.
    auto* pictures = new QSplitter(Qt::Horizontal, this);
    pictures->setObjectName(QStringLiteral("splitPictures"));
    pictures->addWidget(arenaPic_);
    pictures->addWidget(results_);
    pictures->setStretchFactor(0, 1);
    pictures->setStretchFactor(1, 1);
    pictures->setChildrenCollapsible(false);

    auto* right = new QVBoxLayout;
    right->addWidget(txtInfo_);
    right->addWidget(pictures, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setMenuBar(menuBar_);
    layout->addWidget(scroll);
    layout->addLayout(right, 1);
}

bool MainWindow::Command2_Click() {
    return setParametersWith(groupDialog_ ? groupDialog_->label().toStdString()
                                          : std::string(kDefaultLabel));
}

bool MainWindow::setParametersWith(const std::string& label) {
    const Params p = form_->params();
    const bool ok = runCommand(this, [&] { setParameters(s_, p, label, readBoxNumber); });
    if (ok) {
        // What is saved must open in any locale and in murelta-batch, which read a point.
        paramsInForce_ = p;
        for (const TextParameter& box : kTextParameters) {
            paramsInForce_.*box.member = portableNumberText(p.*box.member);
        }
        labelInForce_ = label;
    }
    // Also after a refusal: the designer then shows no agents rather than the old ones, whose
    // arrays no longer match the parameters in force.
    if (designer_) {
        designer_->rebuild();
    }
    updateModified();
    return ok;
}

Experiment MainWindow::experimentInForce() const {
    return captureExperiment(s_, paramsInForce_, labelInForce_);
}

std::string MainWindow::textInForce() const {
    // After a refused "Set parameters" there is nothing that "Start" would run.
    return hasStructures(s_) ? experimentText(experimentInForce()) : std::string();
}

void MainWindow::updateModified() {
    setWindowModified(document_->modified(textInForce()));
}

void MainWindow::setCurrentFile(const QString& path) {
    document_->setCurrent(path, textInForce());
    setWindowTitle(QStringLiteral("%1[*] - %2").arg(document_->shortName(), kAppTitle));
    updateModified();
}

void MainWindow::updateRecentMenu() {
    const QStringList& recentFiles = document_->recentFiles();
    const QList<QAction*> entries = recentMenu_->actions();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const bool used = i < recentFiles.size();
        entries[i]->setVisible(used);
        if (used) {
            const QString& path = recentFiles[i];
            entries[i]->setText(
                QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
            entries[i]->setData(path);
            entries[i]->setStatusTip(path);
        }
    }
    recentMenu_->setEnabled(!recentFiles.isEmpty() && !s_.running);
}

bool MainWindow::maybeSave() {
    updateModified();
    if (!isWindowModified()) {
        return true;
    }
    switch (askToSave(this, QStringLiteral("The experiment \"%1\" has changes that are not "
                                           "saved.\nDo you want to save them?")
                                .arg(document_->name()))) {
        case SaveAnswer::Save:
            return fileSave();
        case SaveAnswer::Discard:
            return true;
        case SaveAnswer::Cancel:
            break;
    }
    return false;
}

void MainWindow::fileNew() {
    if (!maybeSave()) {
        return;
    }
    form_->fill(Params{});
    setParametersWith(std::string(kDefaultLabel));
    setCurrentFile(QString());
}

void MainWindow::fileOpen() {
    if (!maybeSave()) {
        return;
    }
    const QString path = chooseExperimentFile(
        this, FileChoice::Open, QStringLiteral("Open experiment"), document_->folder());
    if (!path.isEmpty()) {
        openFile(path);
    }
}

void MainWindow::fileOpenRecent(const QString& path) {
    if (maybeSave()) {
        openFile(path);
    }
}

bool MainWindow::openFile(const QString& path) {
    // The experiment is made on a state of its own and takes the place of the one in force
    // only when all of it worked, so that a file that cannot be read or does not fit leaves
    // the boxes, the network and the title as they were.
    Experiment e;
    SimState opened;
    if (!runCommand(this, [&] {
            e = readExperiment(toPath(path));
            setParameters(opened, e.params, e.label, readBoxNumber);
            applyNetwork(opened, e);
        })) {
        return false;
    }
    s_ = std::move(opened);
    form_->fill(e.params);
    paramsInForce_ = e.params;
    labelInForce_ = e.label;
    if (designer_) {
        designer_->rebuild();
    }
    setCurrentFile(path);
    return true;
}

bool MainWindow::fileSave() {
    return document_->fileName().isEmpty() ? fileSaveAs() : saveTo(document_->fileName());
}

bool MainWindow::fileSaveAs() {
    const QString start =
        document_->fileName().isEmpty() ? QDir::currentPath() : document_->fileName();
    const QString path =
        chooseExperimentFile(this, FileChoice::Save, QStringLiteral("Save experiment as"), start);
    return !path.isEmpty() && saveTo(path);
}

bool MainWindow::saveTo(const QString& path) {
    if (!runCommand(this, [&] { document_->save(path, experimentInForce()); })) {
        return false;
    }
    setCurrentFile(path);
    return true;
}

void MainWindow::helpAbout() {
    showMessage(this,
                QStringLiteral("%1 %2\n\nA laboratory for experiments with evolving, "
                               "communicating agents.")
                    .arg(kAppTitle, QString::fromStdString(programVersion())),
                QStringLiteral("About %1").arg(kAppTitle), MessageIcon::Information);
}

void MainWindow::Command1_Click() {
    if (controller_->running()) {
        return;
    }
    runCommand(this, [&] {
        Experiment ran = experimentInForce();
        results_->clear();
        agentPanel_->clear();
        results_->setGenesShown(ran.params.expGeneOn || ran.params.comGeneOn);
        results_->expectGenerations(s_.generationCount);
        generation_ = 0;
        auto record = std::make_unique<Record>(s_, ran);
        // Edits made while runs go to other threads take effect at the next generation, also
        // on one thread, so that the same clicks give the same results on every machine.
        SimulationSetup setup(*this);
        setup.drawing = this;
        setup.listener = this;
        setup.threads = record->threadsFor(s_, spnThreads_->value());
        setup.editsWaitForTheNextGeneration = true;
        auto simulation = std::make_unique<Simulation>(s_, std::move(setup));
        record_ = std::move(record);
        ran_ = std::move(ran);
        controller_->setCycleDelay(cycleDelayMs(sldSpeed_->value()));
        controller_->start(std::move(simulation));
        setRunningControls(true);
    });
}

void MainWindow::simulationFailed() {
    runCommand(this, [this] { std::rethrow_exception(controller_->failure()); });
}

void MainWindow::simulationFinished(Simulation* simulation) {
    if (!controller_->failure()) {
        runCommand(this, [&] { record_->write(s_, *simulation); });
    }
    record_.reset();
    setRunningControls(false);
    if (ran_) {
        keepMatchAfterRun(*ran_);
        ran_.reset();
    }
    showCounters();
    drawArena();
    emit simulationEnded();
    if (closeAfterRun_) {
        // Closed during the simulation: the windows close once its data are saved.
        closeAfterRun_ = false;
        closingAfterStop_ = true;
        close();
    }
}

// An experiment that matched its file still matches it after the run, unless the network was
// edited during the run.
void MainWindow::keepMatchAfterRun(const Experiment& ran) {
    if (hasStructures(s_) && experimentText(ran) == document_->savedText()) {
        const Experiment now = experimentInForce();
        if (now == ran) {
            document_->keepSaved(textInForce());
        }
    }
    updateModified();
}

void MainWindow::cmdStop_Click() {
    controller_->stop();
    cmdStop_->setEnabled(false);
    Command1_->setEnabled(true);
}

void MainWindow::cmdSettings_Click() {
    GroupDialog dialog(this);
    groupDialog_ = &dialog;
    connect(&dialog, &GroupDialog::groupSizeClicked, form_->box("agents"), &QLineEdit::setText);
    connect(&dialog, &GroupDialog::okClicked, this, &MainWindow::applyGroupSettings);
    dialog.exec();
    groupDialog_ = nullptr;
}

void MainWindow::applyGroupSettings(const QString& runs, const QString& cycles) {
    form_->box("runs")->setText(runs);
    form_->box("cycles")->setText(cycles);
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
            s_, [this] { return form_->box("agents")->text(); }, this);
        connect(designer_, &DesignerWindow::edited, this, &MainWindow::updateModified);
        connect(designer_, &DesignerWindow::edited, this, [this] {
            if (controller_->running()) {
                controller_->simulation()->networkChanged();
            }
        });
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
    runsDone_ = -1;
    run_ = run;
    runCount_ = runCount;
    cycle_ = cycle;
    cyclesPerRun_ = cyclesPerRun;
}

void MainWindow::showRunsDone(int done, int runCount) {
    const RunStatsRow& row = s_.runStats[static_cast<std::size_t>(done - 1)];
    const auto run = static_cast<int>(row[kRunIndex]);
    if (done == 1) {
        results_->expectRuns(runCount);
    }
    results_->addRun(
        {generation_, run, runSeed(s_, run), row[kFirstExit], row[kLastExit], row[kPercentOut]});
    // Runs made on other threads report only their end; drawn runs show their cycles instead.
    if (controller_->running() && !controller_->simulation()->inPlace()) {
        runsDone_ = done;
        runCount_ = static_cast<std::int16_t>(runCount);
    }
}

void MainWindow::showMessageCount(std::int16_t count) {
    messageCount_ = count;
}

void MainWindow::showCounters() {
    if (runsDone_ >= 0) {
        txtInfo_->setText(QStringLiteral("Runs done: %1/%2").arg(runsDone_).arg(runCount_));
    } else if (runCount_ > 0) {
        txtInfo_->setText(QStringLiteral("Run no: %1/%2 Cycle: %3/%4")
                              .arg(run_)
                              .arg(runCount_)
                              .arg(cycle_)
                              .arg(cyclesPerRun_));
    }
    lblmsg_->setText(QString::number(messageCount_));
}

void MainWindow::showGenerationDone(const GenerationSummary& generation) {
    lblfit_->setText(
        QStringLiteral("Total Fitness: ") +
        QString::fromStdString(formatNumber(generation.totalFitness, decimalSeparator())));
    results_->addGeneration(generation);
    generation_ = generation.generation + 1;
}

void MainWindow::setRunningControls(bool running) {
    Command1_->setEnabled(!running);
    cmdSettings_->setEnabled(!running);
    cmdStop_->setEnabled(running);
    // Re-creating the structures under a running loop would pull them from under it; saving
    // waits for the end too, so that a file holds what ran.
    Command2_->setEnabled(!running);
    updateWatchControls();
    for (QAction* action :
         {newAction_, openAction_, saveAction_, saveAsAction_, openResultsAction_}) {
        action->setEnabled(!running);
    }
    recentMenu_->setEnabled(!running && !document_->recentFiles().isEmpty());
    if (!running) {
        showCounters();
        refreshCharts();
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

void MainWindow::showFrame() {
    // Painting costs far more than advancing, so the picture and the counters are refreshed at
    // a pace the eye can follow; the charts, whose layout costs more still, less often.
    showCounters();
    // Without graphics the picture keeps the run start, drawn by initGraphic.
    if (graphicsEnabled()) {
        drawArena();
    }
    if (!sinceCharts_.isValid() || sinceCharts_.elapsed() >= kChartIntervalMs) {
        refreshCharts();
    }
}

void MainWindow::cmdPause_Click() {
    if (!controller_->running()) {
        return;
    }
    if (controller_->paused()) {
        controller_->resume();
    } else {
        controller_->pause();
    }
    updateWatchControls();
}

void MainWindow::cmdStep_Click() {
    controller_->step();
}

void MainWindow::updateWatchControls() {
    const bool running = controller_->running();
    const bool paused = controller_->paused();
    // A pause holds the simulation that draws; runs on other threads would go on without it.
    cmdPause_->setEnabled(running && (paused || graphicsEnabled()));
    pauseAction_->setEnabled(cmdPause_->isEnabled());
    cmdPause_->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    pauseAction_->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    cmdPause_->setToolTip(paused ? QStringLiteral("Go on from this cycle (F8)")
                                 : QStringLiteral("Hold the simulation between two cycles (F8)"));
    cmdStep_->setEnabled(running && paused);
    stepAction_->setEnabled(cmdStep_->isEnabled());
    cmdStep_->setToolTip(QStringLiteral("Advance exactly one cycle while paused (F10)"));
}

void MainWindow::drawArena() {
    if (chkMessages_->isChecked()) {
        arenaPic_->showMessages(s_);
    }
    arenaPic_->update();
}

bool MainWindow::paused() const {
    return controller_->paused();
}

bool MainWindow::simulationRunning() const {
    return controller_->running();
}

void MainWindow::showPausedCycle() {
    showCounters();
    if (graphicsEnabled()) {
        drawArena();
    }
    refreshCharts();
    if (agentPanel_->agent() >= 0) {
        agentPanel_->inspect(s_, agentPanel_->agent(), cycle_);
    }
    emit cycleShown();
}

void MainWindow::refreshCharts() {
    // Hidden charts wait: they catch up once shown. A chart's layout costs far more than the
    // arena's markers, so the charts follow at a slower pace, and catch up when it ends.
    if (results_->isVisible()) {
        results_->refresh();
        sinceCharts_.restart();
    }
}

void MainWindow::fileOpenResults() {
    const QString path = chooseFile(this, FileChoice::Open, QStringLiteral("Open results"),
                                    QDir::currentPath(), kResultsFilter);
    if (!path.isEmpty()) {
        openResults(path);
    }
}

ResultsWindow* MainWindow::openResults(const QString& path) {
    auto* viewer = new ResultsWindow(this);
    if (!viewer->open(path)) {
        delete viewer;
        return nullptr;
    }
    viewer->show();
    return viewer;
}

void MainWindow::fileExportChart() {
    if (!results_->isVisible()) {
        showChartsAction_->setChecked(true);
    }
    askAndExportChart(this, *results_->currentChart());
}

void MainWindow::runFinished() {
    showCounters();
    drawArena();
    showMessage(this, QStringLiteral("Run finished, click ok to start next run."), kAppTitle,
                MessageIcon::Information);
    controller_->acknowledge();
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
    if (unattended_) {
        std::fprintf(stderr, "murelta: %s\n", text.toLocal8Bit().constData());
    } else {
        showMessage(this, text, QStringLiteral("Mur info"),
                    complete && !interrupted ? MessageIcon::Information : MessageIcon::Exclamation);
    }
    closeAfterRun_ = interrupted;
}

std::optional<std::filesystem::path> MainWindow::otherDataDirectory(const std::string& error) {
    if (unattended_) {
        std::fprintf(stderr, "murelta: %s\n", error.c_str());
        return std::nullopt;
    }
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

void MainWindow::terminate() {
    unattended_ = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (controller_->running()) {
        // The simulation winds down first; it closes the windows once its data are saved.
        cmdStop_Click();
        s_.interrupted = true;
        event->ignore();
        return;
    }
    if (!closingAfterStop_ && !unattended_ && !maybeSave()) {
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
