// Tests for the main window, the group settings dialog and the arena picture, driven through
// their controls on the offscreen platform.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "run/set_parameters.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "support/window_helpers.hpp"
#include "ui/arena_view.hpp"
#include "ui/designer_window.hpp"
#include "ui/group_dialog.hpp"
#include "ui/look.hpp"
#include "ui/main_window.hpp"
#include "ui/message_box.hpp"
#include "ui/network_view.hpp"
#include "ui/termination.hpp"

namespace murelta::ui {

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString startDir_;
    MessageRecorder recorder_;
    std::vector<Shown>& messages_ = recorder_.messages;
    std::function<void(const Shown&)>& onMessage_ = recorder_.onMessage;

    // Types the runs and cycles and presses "Set parameters".
    static void setRunsAndCycles(QWidget& window, const char* runs, const char* cycles) {
        type(window, "txtNoRun", QString::fromLatin1(runs));
        type(window, "txtCicli", QString::fromLatin1(cycles));
        click(window, "Command2");
    }
    int count(const QString& text) const {
        return static_cast<int>(std::count_if(messages_.begin(), messages_.end(),
                                              [&](const Shown& m) { return m.text == text; }));
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        startDir_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void cleanupTestCase() { QDir::setCurrent(startDir_); }
    void init() {
        messages_.clear();
        onMessage_ = nullptr;
        for (const QString& name : QDir(dir_.path()).entryList(QDir::Files)) {
            QFile::remove(dir_.filePath(name));
        }
    }

    void defaultsAreInForceAfterLoading() {
        SimState s;
        MainWindow window(s);
        QCOMPARE(child<QLineEdit>(window, "txtAgents")->text(), QStringLiteral("10"));
        QCOMPARE(child<QLineEdit>(window, "txtCicli")->text(), QStringLiteral("20000"));
        QCOMPARE(child<QLineEdit>(window, "txtCommRad")->text(), QStringLiteral("100"));
        QVERIFY(child<QCheckBox>(window, "graphicEnabled")->isChecked());
        QVERIFY(!child<QCheckBox>(window, "chkExit")->isChecked());
        QVERIFY(!child<QPushButton>(window, "cmdStop")->isEnabled());
        QVERIFY(child<QPushButton>(window, "Command1")->isEnabled());
        QCOMPARE(child<QPushButton>(window, "Command3")->text(),
                 QStringLiteral("View param.window"));
        QCOMPARE(child<QLabel>(window, "lblfit")->text(), QStringLiteral("Total Fitness:"));
        QCOMPARE(child<QLabel>(window, "lblmsg")->text(), QStringLiteral("0"));
        QCOMPARE(s.agents.size(), std::size_t{11});
        QCOMPARE(s.exitQuota, std::int16_t{10});
        QCOMPARE(s.arena.columns(), 51);
        QCOMPARE(s.dataFileName, std::string("murData_untitle_w50x50_c20000_r100_ag10_s0"));
        QVERIFY(messages_.empty());
    }

    void firstOutTakesEffectWithSetParameters() {
        SimState s;
        MainWindow window(s);
        click(window, "chkExit");
        QCOMPARE(s.exitQuota, std::int16_t{10});
        click(window, "Command2");
        QCOMPARE(s.exitQuota, std::int16_t{1});
        QCOMPARE(s.dataFileName, std::string("murData_untitle_w50x50_c20000_r100_ag10_fOut_s0"));
        click(window, "chkExit");
        click(window, "Command2");
        QCOMPARE(s.exitQuota, std::int16_t{10});
    }

    void aBadBoxIsNamedAndEarlierBoxesKeepTheirValues() {
        SimState s;
        MainWindow window(s);
        type(window, "txtAgents", QStringLiteral("20"));
        type(window, "txtW", QStringLiteral("abc"));
        type(window, "txtH", QStringLiteral("70"));
        click(window, "Command2");
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY2(messages_[0].text.contains(QStringLiteral("Width")),
                 qPrintable(messages_[0].text));
        QVERIFY(messages_[0].text.contains(QStringLiteral("abc")));
        QCOMPARE(s.groupSize, std::int16_t{20});
        QCOMPARE(s.arenaHeight, std::int16_t{50});
        QCOMPARE(s.agents.size(), std::size_t{11});  // the structures were not re-created
        // Start refuses a group the structures were not made for, instead of crashing.
        runToEnd(window);
        QCOMPARE(messages_.size(), std::size_t{2});
        QVERIFY(messages_[1].text.contains(QStringLiteral("Set parameters")));
        type(window, "txtW", QStringLiteral("32768"));
        click(window, "Command2");
        QVERIFY(messages_.back().text.contains(QStringLiteral("Width")));

        // The designer then has no agents to show or to link, and says why.
        click(window, "Command3");
        DesignerWindow* designer = window.designer();
        for (const char* command : {"cmdNetAll", "cmdNetCircle", "cmdNetStar", "cmdNetClear"}) {
            click(*designer, command);
            QVERIFY(messages_.back().text.contains(QStringLiteral("\"Set parameters\"")));
        }
        QVERIFY(designer->findChild<NetworkView*>(QStringLiteral("pictAr"))->markers().empty());
        // Texts are read alike by the window and murelta-batch: no group separators.
        type(window, "txtW", QStringLiteral("50"));
        type(window, "txtAgents", QStringLiteral("1,000"));
        click(window, "Command2");
        QVERIFY(messages_.back().text.contains(QStringLiteral("Group size")));
        type(window, "txtAgents", QStringLiteral("12"));
        click(window, "Command2");
        QCOMPARE(designer->findChild<NetworkView*>(QStringLiteral("pictAr"))->markers().size(),
                 std::size_t{12});
    }

    void startWritesTheDataFileAndReportsIt() {
        SimState s;
        MainWindow window(s);
        type(window, "txtNoRun", QStringLiteral("2"));
        type(window, "txtCicli", QStringLiteral("300"));
        click(window, "graphicEnabled");
        click(window, "Command2");
        runToEnd(window);
        const QString name = QStringLiteral("murData_untitle_w50x50_c300_r2_ag10_s0.xls");
        const QByteArray file = readFile(name);
        QCOMPARE(file.count("\r\n"), 3);
        QVERIFY(file.startsWith("No.Run\tFirst\tLast\tAg. on target %\r\n0\t"));
        QVERIFY(file.contains("\r\n1\t"));
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].text, "Simulation finished. Data file has bee saved!\n" + name);
        QCOMPARE(messages_[0].title, QStringLiteral("Mur info"));
        QVERIFY(messages_[0].icon == MessageIcon::Information);
        QVERIFY(
            child<QLabel>(window, "lblfit")->text().startsWith(QStringLiteral("Total Fitness: ")));
        QVERIFY(child<QPushButton>(window, "Command1")->isEnabled());
        QVERIFY(!child<QPushButton>(window, "cmdStop")->isEnabled());
        QVERIFY(child<QPushButton>(window, "Command2")->isEnabled());
        // Runs on other threads show the runs done; runs in place their last cycle.
        const QString info = child<QLineEdit>(window, "txtInfo")->text();
        QVERIFY2(info == QStringLiteral("Runs done: 2/2") ||
                     info.startsWith(QStringLiteral("Run no: 2/2 Cy")),
                 qPrintable(info));
    }

    void aDataFileThatCannotBeWrittenCanBeSavedElsewhere() {
        SimState s;
        MainWindow window(s);
        setRunsAndCycles(window, "1", "10");
        // The folder the program was started in disappears during the simulation.
        QDir(dir_.path()).mkdir(QStringLiteral("gone"));
        QDir::setCurrent(dir_.filePath(QStringLiteral("gone")));
        QDir(dir_.path()).rmdir(QStringLiteral("gone"));
        std::vector<QString> answers = {dir_.path(), QString()};
        int asked = 0;
        setFolderChooser(
            [&](QWidget*, const QString&) { return answers[static_cast<std::size_t>(asked++)]; });
        runToEnd(window);
        QDir::setCurrent(dir_.path());
        QCOMPARE(asked, 1);
        const QString name = QStringLiteral("murData_untitle_w50x50_c10_r1_ag10_s0.xls");
        QVERIFY(QFile::exists(dir_.filePath(name)));
        QCOMPARE(messages_.size(), std::size_t{2});
        QVERIFY2(messages_[0].text.contains(name), qPrintable(messages_[0].text));
        QVERIFY(messages_[0].text.contains(QStringLiteral("Choose another folder")));
        QCOMPARE(messages_[1].title, QStringLiteral("Mur info"));

        // Giving up leaves the error in view and the window ready.
        s.dataFileName = "murData_no/such";
        asked = 1;
        runToEnd(window);
        setFolderChooser({});
        QCOMPARE(messages_.size(), std::size_t{4});
        QVERIFY(messages_[3].text.contains(QStringLiteral("murData_no/such.xls")));
        QVERIFY(child<QPushButton>(window, "Command1")->isEnabled());
        QVERIFY(!s.running);
    }

    void runFinishedIsShownAfterEachRunWithGraphics() {
        SimState s;
        MainWindow window(s);
        setRunsAndCycles(window, "3", "100");
        onMessage_ = [&](const Shown&) {
            // The buttons while a simulation runs.
            if (s.running) {
                QVERIFY(!child<QPushButton>(window, "Command1")->isEnabled());
                QVERIFY(!child<QPushButton>(window, "cmdSettings")->isEnabled());
                QVERIFY(!child<QPushButton>(window, "Command2")->isEnabled());
                QVERIFY(child<QPushButton>(window, "cmdStop")->isEnabled());
            }
        };
        runToEnd(window);
        QCOMPARE(count(QStringLiteral("Run finished, click ok to start next run.")), 3);
        QCOMPARE(messages_.front().title, QStringLiteral("Murelta"));
        QCOMPARE(messages_.size(), std::size_t{4});  // and the data file's report
    }

    void stopDuringARunClosesItAndWritesTheFile() {
        SimState s;
        MainWindow window(s);
        type(window, "txtNoRun", QStringLiteral("400"));
        type(window, "txtFood", QStringLiteral("0"));  // nobody leaves: runs last 20001 cycles
        click(window, "graphicEnabled");
        click(window, "Command2");
        // Runs at the first moment the loop lets the window in: cycle 0 of run 1.
        QTimer::singleShot(0, &window, [&] { click(window, "cmdStop"); });
        runToEnd(window);
        QVERIFY(!s.running);
        // Which run the stop cut short depends on the threads' pace; the last is never run.
        const QByteArray file =
            readFile(QStringLiteral("murData_untitle_w50x50_c20000_r400_ag10_s0.xls"));
        QCOMPARE(file.count("\r\n"), 401);
        QVERIFY(file.endsWith("\r\n0\t0\t0\t0\r\n"));  // runs not run hold zeros
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].text.contains(QStringLiteral("saved data are not completed!")));
        QVERIFY(window.isEnabled());
    }

    void closingDuringASimulationSavesWarnsAndClosesEverything() {
        SimState s;
        MainWindow window(s);
        window.show();
        click(window, "Command3");
        QVERIFY(window.designer()->isVisible());
        type(window, "txtGen", QStringLiteral("1"));
        QTimer::singleShot(0, &window, [&] {
            window.close();
            QVERIFY(window.isVisible());  // the first request only stops the simulation
            QVERIFY(s.interrupted);
        });
        runToEnd(window);
        QVERIFY(QFile::exists(QStringLiteral("murData_untitle_w50x50_c20000_r100_ag10_s0.xls")));
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].icon == MessageIcon::Exclamation);
        QVERIFY(messages_[0].text.contains(QStringLiteral(
            "Since you have interrupted the simulation, saved data are not completed!")));
        QVERIFY(!window.isVisible());
        QVERIFY(!window.designer()->isVisible());
    }

    // SIGTERM, as a cluster's time limit sends it, ends the program as closing does, without
    // a box nobody would answer: the data file and the record are left, marked incomplete.
    void sigtermDuringASimulationLeavesAMarkedRecord() {
        SimState s;
        MainWindow window(s);
        TerminationWatcher watcher;
        connect(&watcher, &TerminationWatcher::terminationRequested, &window,
                &MainWindow::terminate);
        window.show();
        click(window, "graphicEnabled");
        type(window, "txtNoRun", QStringLiteral("3000"));
        click(window, "Command2");
        QTimer::singleShot(100, [] { std::raise(SIGTERM); });
        runToEnd(window);
        const QString name = QStringLiteral("murData_untitle_w50x50_c20000_r3000_ag10_s0");
        QVERIFY(QFile::exists(name + ".xls"));
        QVERIFY(readFile(name + ".toml").contains("completed = false"));
        QVERIFY(messages_.empty());
        QVERIFY(!window.isVisible());
    }

    // A second simulation of the same name keeps the first one's files.
    void startingAgainKeepsTheEarlierDataFile() {
        SimState s;
        MainWindow window(s);
        setRunsAndCycles(window, "2", "300");
        click(window, "graphicEnabled");
        runToEnd(window);
        const QByteArray first =
            readFile(QStringLiteral("murData_untitle_w50x50_c300_r2_ag10_s0.xls"));
        runToEnd(window);
        QCOMPARE(readFile(QStringLiteral("murData_untitle_w50x50_c300_r2_ag10_s0.xls")), first);
        QVERIFY(QFile::exists(QStringLiteral("murData_untitle_w50x50_c300_r2_ag10_s0_2.toml")));
        QCOMPARE(messages_.size(), std::size_t{2});
        QVERIFY(messages_[1].text.endsWith(
            QStringLiteral("murData_untitle_w50x50_c300_r2_ag10_s0_2.xls\n"
                           "(murData_untitle_w50x50_c300_r2_ag10_s0.xls was there already and is "
                           "kept.)")));
    }

    // On a laptop's screen every box can be read and the arena keeps its room: the parameters
    // scroll instead of squashing.
    void theWindowFitsCommonScreens_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1366 x 768") << QSize(1366, 768);
        QTest::newRow("1280 x 720") << QSize(1280, 720);
    }
    void theWindowFitsCommonScreens() {
        QFETCH(QSize, screen);
        SimState s;
        MainWindow window(s);
        window.resize(screen);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(window.width() <= screen.width() && window.height() <= screen.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(window.width()).arg(window.height())));
        const auto boxes = child<QWidget>(window, "scrollParameters")->findChildren<QLineEdit*>();
        QVERIFY(boxes.size() >= 14);
        for (const QLineEdit* box : boxes) {
            QVERIFY2(box->width() >= box->fontMetrics().horizontalAdvance(box->text()) + 8,
                     qPrintable(box->objectName()));
        }
        QVERIFY2(window.arena()->width() >= 400 && window.arena()->height() >= 400,
                 qPrintable(QStringLiteral("%1 x %2")
                                .arg(window.arena()->width())
                                .arg(window.arena()->height())));
    }

    void closingDuringSeveralGenerationsNeedsASecondRequest() {
        SimState s;
        MainWindow window(s);
        window.show();
        type(window, "txtGen", QStringLiteral("3"));
        type(window, "txtNoRun", QStringLiteral("2"));
        type(window, "txtCicli", QStringLiteral("500"));
        click(window, "graphicEnabled");
        click(window, "Command2");
        QTimer::singleShot(0, &window, [&] { window.close(); });
        runToEnd(window);
        QVERIFY(window.isVisible());
        QVERIFY(messages_.empty());
        // Several generations write no data file, but the stopped simulation leaves its record.
        QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral("*.xls")}, QDir::Files).size(), 0);
        QVERIFY(QFile::exists(QStringLiteral("murData_untitle_w50x50_c500_r2_ag10_s0.toml")));
        window.close();
        QVERIFY(!window.isVisible());
    }

    void theSpeedControlNeverChangesTheResults() {
        QByteArray reference;
        for (int speed : {MainWindow::kFullSpeed, 12, 0}) {
            SimState s;
            MainWindow window(s);
            type(window, "txtNoRun", QStringLiteral("2"));
            type(window, "txtCicli", QStringLiteral("3"));
            type(window, "txtP", QStringLiteral("0.5"));
            click(window, "chkExpGene");
            click(window, "Command2");
            child<QSlider>(window, "sldSpeed")->setValue(speed);
            runToEnd(window);
            const QByteArray file =
                readFile(QStringLiteral("murData_untitle_w50x50_c3_r2_ag10_s0.xls"));
            QVERIFY(!file.isEmpty());
            if (reference.isEmpty()) {
                reference = file;
            }
            QCOMPARE(file, reference);
        }
        QVERIFY(MainWindow::cycleDelayMs(0) > MainWindow::cycleDelayMs(10));
        QCOMPARE(MainWindow::cycleDelayMs(MainWindow::kFullSpeed), 0);
    }

    void settingsCancelKeepsTheGroupSizePicked() {
        SimState s;
        MainWindow window(s);
        QTimer::singleShot(0, &window, [&] {
            GroupDialog* dialog = window.groupDialog();
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Group Settings"));
            click(*dialog, "Option1_1");
            click(*dialog, "CancelButton");
        });
        click(window, "cmdSettings");
        QCOMPARE(child<QLineEdit>(window, "txtAgents")->text(), QStringLiteral("50"));
        QCOMPARE(s.groupSize, std::int16_t{10});  // nothing was set
        QVERIFY(window.groupDialog() == nullptr);
    }

    void settingsOkAppliesRunsCyclesAndLabelThenOpensTheDesigner() {
        SimState s;
        MainWindow window(s);
        type(window, "txtNoRun", QStringLiteral("9"));
        bool designerShown = false;
        QTimer::singleShot(0, &window, [&] {
            GroupDialog& dialog = *window.groupDialog();
            QCOMPARE(child<QLineEdit>(dialog, "runTxt")->text(), QStringLiteral("100"));
            type(dialog, "runTxt", QStringLiteral("7"));
            type(dialog, "networkLabel", QStringLiteral("ring"));
            QTimer::singleShot(0, &window, [&] {
                designerShown = window.designer() != nullptr && window.designer()->isVisible() &&
                                QApplication::activeModalWidget() == window.designer();
                window.designer()->close();
            });
            click(dialog, "OKButton");
        });
        click(window, "cmdSettings");
        QVERIFY(designerShown);
        QCOMPARE(child<QLineEdit>(window, "txtNoRun")->text(), QStringLiteral("7"));
        QCOMPARE(child<QLineEdit>(window, "txtCicli")->text(), QStringLiteral("20000"));
        QCOMPARE(s.runCount, std::int16_t{7});
        QCOMPARE(s.dataFileName, std::string("murData_ring_w50x50_c20000_r7_ag10_s0"));
        // A later "Set parameters" names the file with the default label again.
        click(window, "Command2");
        QCOMPARE(s.dataFileName, std::string("murData_untitle_w50x50_c20000_r7_ag10_s0"));
    }

    void settingsOkWithABadBoxKeepsTheDialogOpen() {
        SimState s;
        MainWindow window(s);
        bool stillOpen = false;
        QTimer::singleShot(0, &window, [&] {
            GroupDialog& dialog = *window.groupDialog();
            type(dialog, "cycleTxt", QStringLiteral("many"));
            click(dialog, "OKButton");
            stillOpen = dialog.isVisible();
            click(dialog, "CancelButton");
        });
        click(window, "cmdSettings");
        QVERIFY(stillOpen);
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].text.contains(QStringLiteral("Cycles")));
        QVERIFY(window.designer() == nullptr);
    }

    void arenaMarkersAreCentredOnTheirCellsAndSizedFromRetinaAndRank() {
        SimState s;
        Params p;
        p.agents = "3";
        setParameters(s, p, "untitle");
        s.agents[0].x = 10;
        s.agents[0].y = 20;
        s.agents[1].rank = 1;
        setRetina(s.agents[2], 15);
        s.targets[0] = {4, 6, 0};
        ArenaView view;
        view.initGraphic(s);
        const ArenaMarker& m = view.agentMarkers()[0];
        QCOMPARE(m.width, 100.0f);
        QCOMPARE(m.height, 5355.0f / 50.0f);
        QCOMPARE(m.left, 950.0f);
        QCOMPARE(m.top, 2089.0f);
        QCOMPARE(m.color, kAgentColor);
        QCOMPARE(view.agentMarkers()[1].color, kLeaderColor);
        QCOMPARE(view.agentMarkers()[2].width, 300.0f);
        QCOMPARE(view.targetMarkers()[0].width, 0.0f);  // a one-cell target shows no extent
        QCOMPARE(view.targetMarkers()[0].left, 400.0f);
        s.agents[0].x = 0;
        s.agents[0].y = 0;
        view.updateGraphic(s);
        QCOMPARE(view.agentMarkers()[0].left, -50.0f);
        QCOMPARE(view.agentMarkers()[0].top, -53.0f);
    }

    void aRunOfThreeAgentsAfterTenLeavesThreeMarkers() {
        SimState s;
        MainWindow window(s);
        setRunsAndCycles(window, "1", "10");
        runToEnd(window);
        QCOMPARE(window.arena()->agentMarkers().size(), std::size_t{10});
        type(window, "txtAgents", QStringLiteral("3"));
        type(window, "txtFood", QStringLiteral("2"));
        click(window, "Command2");
        runToEnd(window);
        QCOMPARE(window.arena()->agentMarkers().size(), std::size_t{3});
        QCOMPARE(window.arena()->targetMarkers().size(), std::size_t{2});
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::MainWindowTest)
#include "main_window_test.moc"
