// A random user: thousands of seeded random actions on the main window, the group settings
// dialog and the network designer, with texts valid and invalid. Nothing may crash, and
// afterwards the program must still run a small simulation exactly as the core does.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <random>
#include <string_view>
#include <vector>

#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "run/simulation.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "support/test_host.hpp"
#include "support/test_seed.hpp"
#include "support/window_helpers.hpp"
#include "ui/arena_view.hpp"
#include "ui/designer_window.hpp"
#include "ui/group_dialog.hpp"
#include "ui/main_window.hpp"
#include "ui/message_box.hpp"
#include "ui/network_view.hpp"

namespace murelta::ui {

namespace {

struct Box {
    const char* name;
    QStringList texts;
};

// What each box of the main window may receive. The numbers a simulation runs on stay small
// (at most 50 agents, 50 cycles, 3 runs, 2 generations), so that any "Start" ends soon.
const std::vector<Box> kMainBoxes = {
    {"txtAgents", {"1", "2", "3", "10", "50", "0", "-1", "2.5", "40000"}},
    {"txtRetina", {"0", "1", "5", "90", "91", "-1", "3.5"}},
    {"txtW", {"1", "5", "20", "50", "0", "-1", "32768", "1,000"}},
    {"txtH", {"1", "5", "20", "50", "0", "-1", "32768"}},
    {"txtCicli", {"0", "1", "10", "50", "-1", "32767"}},
    {"txtFood", {"0", "1", "3", "-1", "1,000"}},
    {"txtFoodSize", {"0", "1", "5", "60", "-1", "-32768"}},
    {"txtP", {"0", "0.5", "1", "-1", "2", "1,000"}},
    {"txtNoRun", {"1", "2", "3", "0", "-1"}},
    {"txtGen", {"1", "1", "2", "0", "-1"}},
    {"txtComCost", {"0", "1", "5", "-1", "1e300"}},
    {"txtExpCost", {"0", "1", "5", "-1", "1e300"}},
    {"txtCommRad", {"0", "20", "100", "-5", "1e300"}},
    {"txtSeed", {"0", "7", "32766", "32767", "-32768", "32768", "1,000"}},
};
const std::vector<Box> kDialogBoxes = {
    {"runTxt", {"1", "2", "3", "0", "-1"}},
    {"cycleTxt", {"0", "1", "10", "50", "-1", "32767"}},
    {"networkLabel", {"untitle", "ring", "a/b", QString(300, QLatin1Char('x')), "", "\u00fc"}},
};
const std::vector<Box> kDesignerBoxes = {
    {"txtRetina", {"0", "3", "15", "90", "91", "-2", "2.5"}},
    {"txtRank", {"0", "1", "2", "-1", "2.5", "32768"}},
    {"txtSize", {"0", "2", "-3", "60", "32768"}},
};
// Texts that no box reads as a number larger than 5, whatever its own pool.
const QStringList kOddTexts = {"",    "abc",   " 5 ",    "-0",   "nan",
                               "inf", "1e400", "1e-400", "0x10", "\u00bd"};

const std::vector<const char*> kMainChecks = {"chkExit",    "checkStart",    "ChkLastOut",
                                              "chkExpCost", "chkCommCost",   "chkExpGene",
                                              "chkComGene", "graphicEnabled"};
// The File, View and Help menus; a file chosen is the test's one experiment file, or none.
const std::vector<const char*> kMenuActions = {"actionNew",    "actionOpen",  "actionSave",
                                               "actionSaveAs", "actionAbout", "actionShowCharts"};
const std::vector<const char*> kDesignerButtons = {
    "cmdNetAll",   "cmdNetCircle", "cmdNetStar",   "cmdNetClear",   "cmdMonoCOm",
    "cmdBiCom",    "cmdCutCom",    "cmdShiftLeft", "cmdShiftRight", "Command1",
    "checkLeader", "commOption_0", "commOption_1"};

// Writes the data file where the test says, with the window's decimal separator.
class FolderHost : public DataFileHost {
  public:
    FolderHost(std::filesystem::path directory, char separator)
        : directory_(std::move(directory)), separator_(separator) {}
    std::filesystem::path dataDirectory() override { return directory_; }
    char decimalSeparator() override { return separator_; }
    void dataFileWritten(const std::filesystem::path&, const std::string&, bool, bool) override {}
    std::optional<std::filesystem::path> otherDataDirectory(const std::string&) override {
        return std::nullopt;
    }

  private:
    std::filesystem::path directory_;
    char separator_;
};

}  // namespace

class MonkeyTest : public QObject {
    Q_OBJECT

    std::mt19937_64 rng_;
    MainWindow* window_ = nullptr;
    QTemporaryDir dir_;
    QString startDir_;
    MessageRecorder recorder_;
    bool quiet_ = false;  // the final check: messages are only recorded
    bool trace_ = qEnvironmentVariableIsSet("MURELTA_TEST_TRACE");

    int uniform(int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    template <typename T>
    const T& pick(const std::vector<T>& pool) {
        return pool[static_cast<std::size_t>(uniform(0, static_cast<int>(pool.size()) - 1))];
    }
    QString text(const Box& box) {
        const QStringList& pool = chance(0.15) ? kOddTexts : box.texts;
        return pool[uniform(0, static_cast<int>(pool.size()) - 1)];
    }
    void note(const char* what, const QString& detail = {}) {
        if (trace_) {
            qInfo("%s %s", what, qPrintable(detail));
        }
    }

    // The default runs and cycles (100 and 20000), in force at the start and after File New,
    // would make every Start long.
    void keepSimulationsShort() {
        type(*window_, "txtNoRun", QStringLiteral("2"));
        type(*window_, "txtCicli", QStringLiteral("20"));
        click(*window_, "Command2");
    }

    DesignerWindow* shownDesigner() const {
        DesignerWindow* designer = window_->designer();
        return designer != nullptr && designer->isVisible() ? designer : nullptr;
    }

    // One action in the designer: a button, a box, a preset or a press in the picture.
    void actInDesigner(DesignerWindow& designer) {
        const int kind = uniform(0, 9);
        if (kind < 4) {
            const char* name = pick(kDesignerButtons);
            note("designer click", QString::fromLatin1(name));
            click(designer, name);
        } else if (kind < 6) {
            const Box& box = pick(kDesignerBoxes);
            const QString typed = text(box);
            note("designer type", QString::fromLatin1(box.name) + " " + typed);
            type(designer, box.name, typed);
        } else if (kind < 7) {
            auto* presets = child<QComboBox>(designer, "cmb_preset");
            const QString item = presets->itemText(uniform(0, presets->count() - 1));
            note("designer preset", item);
            QVERIFY(pickComboItem(presets, item));
        } else if (kind < 9) {
            auto* picture = child<NetworkView>(designer, "pictAr");
            const auto& markers = picture->markers();
            // Half of the presses aim at an agent, so that selections and links happen.
            const QPointF point = !markers.empty() && chance(0.5)
                                      ? markers[static_cast<std::size_t>(uniform(
                                                    0, static_cast<int>(markers.size()) - 1))]
                                            .rect.center()
                                      : QPointF(uniform(-100, 5100), uniform(-100, 5100));
            note("designer press");
            QTest::mouseClick(picture, Qt::LeftButton, {}, picture->toPixel(point).toPoint());
        } else {
            note("designer ok");
            click(designer, "cmdok");
        }
    }

    // The modal designer, as "Settings" opens it: a few actions, then closed.
    void answerDesigner() {
        auto* designer = qobject_cast<DesignerWindow*>(QApplication::activeModalWidget());
        if (designer == nullptr) {
            return;
        }
        for (int i = uniform(0, 8); i > 0 && designer->isVisible(); --i) {
            actInDesigner(*designer);
        }
        if (designer->isVisible()) {
            designer->close();
        }
    }

    void answerGroupDialog() {
        GroupDialog* dialog = window_->groupDialog();
        QVERIFY(dialog != nullptr);
        // The dialog's own runs and cycles (100 and 20000) would make every later Start long.
        type(*dialog, "runTxt", text(kDialogBoxes[0]));
        type(*dialog, "cycleTxt", text(kDialogBoxes[1]));
        for (int i = uniform(0, 4); i > 0; --i) {
            if (chance(0.25)) {
                click(*dialog, chance(0.5) ? "Option1_0" : "Option1_1");
            } else {
                const Box& box = pick(kDialogBoxes);
                type(*dialog, box.name, text(box));
            }
        }
        if (chance(0.3)) {
            note("settings cancel");
            click(*dialog, "CancelButton");
            return;
        }
        note("settings ok");
        QTimer designerAnswer;
        designerAnswer.setSingleShot(true);
        connect(&designerAnswer, &QTimer::timeout, this, [this] { answerDesigner(); });
        designerAnswer.start(0);
        click(*dialog, "OKButton");
        designerAnswer.stop();
        if (dialog->isVisible()) {
            // A box was refused and the dialog stays open for a correction.
            click(*dialog, "CancelButton");
        }
    }

    // One action as a user makes it on the main window or the open designer. `running`: a
    // simulation is under way, so only what stays enabled then is tried.
    void act(bool running) {
        DesignerWindow* designer = shownDesigner();
        // Without a designer in view, its share goes to the main window's boxes.
        const int kind = uniform(0, designer != nullptr ? 99 : 64);
        if (kind < 28) {
            const Box& box = pick(kMainBoxes);
            const QString typed = text(box);
            note("type", QString::fromLatin1(box.name) + " " + typed);
            type(*window_, box.name, typed);
        } else if (kind < 38) {
            const char* name = pick(kMainChecks);
            note("tick", QString::fromLatin1(name));
            click(*window_, name);
        } else if (kind < 48) {
            note("set parameters");
            click(*window_, "Command2");
        } else if (kind < 53) {
            note("start");
            click(*window_, "Command1");
        } else if (kind < 54) {
            note("stop");
            click(*window_, "cmdStop");
        } else if (kind < 57) {
            const char* name = pick(kMenuActions);
            note("menu", QString::fromLatin1(name));
            child<QAction>(*window_, name)->trigger();
            if (name == std::string_view("actionNew")) {
                keepSimulationsShort();
            }
        } else if (kind < 61 && !running) {
            note("settings");
            QTimer dialogAnswer;
            dialogAnswer.setSingleShot(true);
            connect(&dialogAnswer, &QTimer::timeout, this, [this] { answerGroupDialog(); });
            dialogAnswer.start(0);
            click(*window_, "cmdSettings");
            dialogAnswer.stop();
        } else if (kind < 63) {
            note("view designer");
            click(*window_, "Command3");
        } else if (kind < 65) {
            ArenaView* arena = window_->arena();
            note("arena press");
            QTest::mouseClick(arena, Qt::LeftButton, {},
                              QPoint(uniform(0, arena->width()), uniform(0, arena->height())));
        } else {
            actInDesigner(*designer);
        }
    }

    void onMessage(const QString& text) {
        if (quiet_ || !text.startsWith(QStringLiteral("Run finished"))) {
            return;
        }
        // Between two runs: the user stops the simulation or clicks around before the next run.
        if (chance(0.3)) {
            note("stop after a run");
            click(*window_, "cmdStop");
        } else {
            for (int i = uniform(0, 3); i > 0; --i) {
                act(true);
            }
        }
    }

  private slots:
    void initTestCase() {
        rng_.seed(fixtures::testSeed("MonkeyTest"));
        QVERIFY(dir_.isValid());
        startDir_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        recorder_.onMessage = [this](const Shown& shown) { onMessage(shown.text); };
        // A data file that cannot be written is sometimes saved here, sometimes given up.
        setFolderChooser(
            [this](QWidget*, const QString&) { return chance(0.5) ? dir_.path() : QString(); });
        setFileChooser([this](QWidget*, FileChoice, const QString&, const QString&) {
            return chance(0.7) ? dir_.filePath(QStringLiteral("monkey.toml")) : QString();
        });
        setSaveQuestion([this](QWidget*, const QString&) {
            return pick(std::vector{SaveAnswer::Save, SaveAnswer::Discard, SaveAnswer::Cancel});
        });
    }
    void cleanupTestCase() {
        setFolderChooser({});
        setFileChooser({});
        setSaveQuestion({});
        QDir::setCurrent(startDir_);
    }

    void randomActionsLeaveAWorkingProgram() {
        SimState s;
        MainWindow window(s);
        window_ = &window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        keepSimulationsShort();
        for (int i = 0; i < 2000; ++i) {
            act(window.simulationRunning());
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        click(window, "cmdStop");
        QTRY_VERIFY_WITH_TIMEOUT(!window.simulationRunning(), 60000);
        QVERIFY(!s.running);

        // A small simulation with every rule taking part, from known boxes and check boxes.
        quiet_ = true;
        Params p;
        p.agents = "10";
        p.width = "30";
        p.height = "30";
        p.cycles = "40";
        p.runs = "3";
        p.pConnection = "1";  // every link, whatever the generator has drawn so far
        p.seed = "7";
        p.expCostOn = p.comCostOn = p.expGeneOn = p.comGeneOn = true;
        const std::vector<std::pair<const char*, const std::string*>> boxes = {
            {"txtAgents", &p.agents},      {"txtRetina", &p.retina},   {"txtW", &p.width},
            {"txtH", &p.height},           {"txtCicli", &p.cycles},    {"txtFood", &p.foods},
            {"txtFoodSize", &p.foodSize},  {"txtP", &p.pConnection},   {"txtNoRun", &p.runs},
            {"txtGen", &p.generations},    {"txtComCost", &p.comCost}, {"txtExpCost", &p.expCost},
            {"txtCommRad", &p.commRadius}, {"txtSeed", &p.seed}};
        for (const auto& [box, value] : boxes) {
            type(window, box, QString::fromStdString(*value));
        }
        const std::vector<std::pair<const char*, bool>> checks = {
            {"chkExit", p.firstOut},     {"checkStart", p.sameStart},  {"ChkLastOut", p.lastOut},
            {"chkExpCost", p.expCostOn}, {"chkCommCost", p.comCostOn}, {"chkExpGene", p.expGeneOn},
            {"chkComGene", p.comGeneOn}, {"graphicEnabled", false}};
        for (const auto& [box, ticked] : checks) {
            child<QCheckBox>(window, box)->setChecked(ticked);
        }
        for (const QString& name : QDir(dir_.path()).entryList(QDir::Files)) {
            QFile::remove(dir_.filePath(name));
        }
        const std::size_t before = recorder_.messages.size();
        click(window, "Command2");
        QCOMPARE(recorder_.messages.size(), before);  // accepted
        runToEnd(window);
        QCOMPARE(recorder_.messages.size(), before + 1);
        const QString& report = recorder_.messages.back().text;
        QVERIFY2(report.startsWith(QStringLiteral("Simulation finished")), qPrintable(report));

        SimState fresh;
        setParameters(fresh, p, kDefaultLabel);
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("core")));
        FolderHost host(dir_.filePath(QStringLiteral("core")).toStdString(),
                        window.decimalSeparator());
        runSimulation(fresh, SimulationSetup(host));
        const QString name = QString::fromStdString(fresh.dataFileName + ".xls");
        const QByteArray expected = readFile(dir_.filePath(QStringLiteral("core/") + name));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(readFile(dir_.filePath(name)), expected);
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::MonkeyTest)
#include "monkey_test.moc"
