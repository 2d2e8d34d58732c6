// Tests for the main window's experiment files: the File menu, the modified mark, the question
// about unsaved changes, and a design that runs after saving and opening as it did before.
#include <QtTest>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cstdint>
#include <tuple>
#include <vector>

#include "experiment/record.hpp"
#include "network/links.hpp"
#include "sim/state.hpp"
#include "support/window_helpers.hpp"
#include "ui/designer_window.hpp"
#include "ui/main_window.hpp"
#include "ui/network_view.hpp"

namespace murelta::ui {

namespace {

// Every agent's links, rank and retina, read from the state as a run reads them.
using Network = std::vector<std::tuple<std::vector<std::uint8_t>, std::int16_t, double>>;

Network network(const SimState& s) {
    Network n;
    for (int i = 0; i < s.groupSize; ++i) {
        n.emplace_back(s.agent(i).links, s.agent(i).rank, s.agent(i).retina);
    }
    return n;
}

// A main window working in a temporary folder of its own (where "Start" writes, and its
// settings), with a file chooser that answers `chosenFile` and counts how often it is asked.
struct Session {
    Session() : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat) {
        QTEST_ASSERT(dir.isValid());
        QDir::setCurrent(dir.path());
        setFileChooser([this](QWidget*, FileChoice, const QString&, const QString&) {
            ++fileQuestions;
            return chosenFile;
        });
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        setFileChooser({});
        QDir::setCurrent(startDir);
    }
    // Chooses a command of the menus.
    void choose(const char* action) { child<QAction>(window, action)->trigger(); }
    QString box(const char* name) { return child<QLineEdit>(window, name)->text(); }

    QString startDir = QDir::currentPath();
    QTemporaryDir dir;
    QSettings settings;
    SimState s;
    MainWindow window{s, &settings};
    QString chosenFile;
    int fileQuestions = 0;
};

void pressAgent(DesignerWindow& designer, int agent) {
    auto* picture = child<NetworkView>(designer, "pictAr");
    const QPointF centre = picture->markers()[static_cast<std::size_t>(agent)].rect.center();
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->toPixel(centre).toPoint());
}

void link(DesignerWindow& designer, const char* command, int from, int to) {
    click(designer, command);
    pressAgent(designer, from);
    pressAgent(designer, to);
}

}  // namespace

class ExperimentWindowTest : public QObject {
    Q_OBJECT

    MessageRecorder recorder_;

  private slots:
    void init() {
        recorder_.messages.clear();
        recorder_.questions.clear();
        recorder_.saveAnswer = SaveAnswer::Discard;
    }

    void aSavedDesignOpensAndRunsAsDesigned() {
        Session session;
        MainWindow& window = session.window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Murelta"));
        QVERIFY(!window.isWindowModified());
        type(window, "txtNoRun", QStringLiteral("3"));
        type(window, "txtCicli", QStringLiteral("60"));
        click(window, "graphicEnabled");
        click(window, "Command2");
        QVERIFY(window.isWindowModified());

        click(window, "Command3");
        DesignerWindow& designer = *window.designer();
        QVERIFY(fitPicture(designer, 1000));
        link(designer, "cmdBiCom", 0, 4);
        link(designer, "cmdMonoCOm", 2, 7);
        pressAgent(designer, 5);
        click(designer, "checkLeader");
        type(designer, "txtRetina", QStringLiteral("3"));
        click(designer, "commOption_1");
        const Network designed = network(session.s);

        const QString file = session.dir.filePath(QStringLiteral("ring.toml"));
        session.chosenFile = file;
        session.choose("actionSave");
        QVERIFY(QFile::exists(file));
        QCOMPARE(window.windowTitle(), QStringLiteral("ring[*] - Murelta"));
        QVERIFY(!window.isWindowModified());
        QCOMPARE(child<QMenu>(window, "menuRecent")->actions().first()->data().toString(), file);

        runToEnd(window);
        const QString dataFile = QString::fromStdString(session.s.dataFileName) + ".xls";
        const QByteArray ranBefore = readFile(dataFile);
        QVERIFY(!ranBefore.isEmpty());
        QVERIFY(QFile::exists(QString::fromStdString(session.s.dataFileName) + ".toml"));
        QVERIFY(!window.isWindowModified());  // a run changes nothing that is saved

        session.choose("actionNew");
        QCOMPARE(session.box("txtNoRun"), QStringLiteral("100"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Murelta"));
        QVERIFY(network(session.s) != designed);

        session.choose("actionOpen");
        QCOMPARE(session.fileQuestions, 2);
        QVERIFY(network(session.s) == designed);
        QCOMPARE(session.s.commRadius, kSpaceDependentRadius);
        QCOMPARE(session.box("txtNoRun"), QStringLiteral("3"));
        QCOMPARE(window.windowTitle(), QStringLiteral("ring[*] - Murelta"));
        QVERIFY(!window.isWindowModified());
        QVERIFY(recorder_.questions.empty());

        // Without the earlier files, which a new simulation of the same name would keep.
        for (const char* suffix : {".xls", ".toml", ".csv"}) {
            QFile::remove(QString::fromStdString(session.s.dataFileName) + suffix);
        }
        runToEnd(window);
        QCOMPARE(readFile(dataFile), ranBefore);
        QCOMPARE(recorder_.messages.size(), std::size_t{2});  // the two data-file reports

        // The mark follows the network's content, not the number of edits.
        link(designer, "cmdBiCom", 0, 4);
        QVERIFY(!window.isWindowModified());
        link(designer, "cmdCutCom", 0, 4);
        QVERIFY(window.isWindowModified());
    }

    void cancellingTheQuestionKeepsTheWindowAsItWas() {
        Session session;
        MainWindow& window = session.window;
        window.show();
        type(window, "txtNoRun", QStringLiteral("7"));
        click(window, "Command2");
        recorder_.saveAnswer = SaveAnswer::Cancel;
        session.chosenFile = session.dir.filePath(QStringLiteral("other.toml"));

        session.choose("actionQuit");
        session.choose("actionNew");
        session.choose("actionOpen");
        QCOMPARE(recorder_.questions.size(), std::size_t{3});
        QVERIFY(recorder_.questions[0].contains(QStringLiteral("Untitled")));
        QCOMPARE(session.fileQuestions, 0);
        QVERIFY(window.isVisible());
        QVERIFY(window.isWindowModified());
        QCOMPARE(session.box("txtNoRun"), QStringLiteral("7"));
        QCOMPARE(session.s.runCount, std::int16_t{7});

        // A save whose name is not given cancels the closing too.
        recorder_.saveAnswer = SaveAnswer::Save;
        session.chosenFile.clear();
        window.close();
        QCOMPARE(session.fileQuestions, 1);
        QVERIFY(window.isVisible());

        recorder_.saveAnswer = SaveAnswer::Discard;
        window.close();
        QVERIFY(!window.isVisible());
        QVERIFY(recorder_.messages.empty());
    }

    // The designer stays live during a run; the record says what an edit changed and from
    // which point, and murelta-batch makes the same simulation of it, drawn (the edit takes
    // effect at the next cycle) or on two threads (at the next generation).
    void aNetworkEditedDuringARunIsRecordedAndReplayed_data() {
        QTest::addColumn<bool>("graphics");
        QTest::addColumn<QString>("generations");
        QTest::addColumn<int>("editAfterMs");
        QTest::newRow("drawn") << true << QStringLiteral("1") << 0;
        QTest::newRow("two threads") << false << QStringLiteral("2") << 20;
    }
    void aNetworkEditedDuringARunIsRecordedAndReplayed() {
        QFETCH(bool, graphics);
        QFETCH(QString, generations);
        QFETCH(int, editAfterMs);
        Session session;
        MainWindow& window = session.window;
        type(window, "txtNoRun", graphics ? QStringLiteral("3") : QStringLiteral("300"));
        type(window, "txtCicli", QStringLiteral("2000"));
        type(window, "txtGen", generations);
        if (!graphics) {
            click(window, "graphicEnabled");
            child<QSpinBox>(window, "spnThreads")->setValue(2);
        }
        click(window, "Command2");
        click(window, "Command3");
        DesignerWindow& designer = *window.designer();
        QTimer::singleShot(editAfterMs, &window, [&] {
            QVERIFY(session.s.running);
            click(designer, "cmdNetAll");
        });
        runToEnd(window);
        const QString name = QString::fromStdString(session.s.dataFileName);
        const QByteArray record = readFile(name + ".toml");
        QVERIFY(record.contains("[[changes]]"));
        QVERIFY(record.contains(graphics ? "generation = 0" : "generation = 1"));

        QVERIFY(QDir(session.dir.path()).mkdir(QStringLiteral("again")));
        QCOMPARE(QProcess::execute(QStringLiteral(MURELTA_BATCH),
                                   {QStringLiteral("--experiment"), name + ".toml",
                                    QStringLiteral("--out"), QStringLiteral("again")}),
                 0);
        QCOMPARE(readFile(QStringLiteral("again/") + name + ".csv"), readFile(name + ".csv"));
        if (generations == QStringLiteral("1")) {
            QCOMPARE(readFile(QStringLiteral("again/") + name + ".xls"), readFile(name + ".xls"));
        }
    }

    void aFileThatCannotBeOpenedChangesNothing() {
        Session session;
        MainWindow& window = session.window;
        type(window, "txtAgents", QStringLiteral("6"));
        click(window, "Command2");
        const Network before = network(session.s);
        const std::string dataFileName = session.s.dataFileName;

        QFile broken(session.dir.filePath(QStringLiteral("broken.toml")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("[parameters\nagents = \"10\"\n");
        broken.close();
        session.chosenFile = broken.fileName();
        session.choose("actionOpen");
        QCOMPARE(recorder_.questions.size(), std::size_t{1});  // answered Discard
        QCOMPARE(recorder_.messages.size(), std::size_t{1});
        QVERIFY2(recorder_.messages[0].text.contains(QStringLiteral("broken.toml")),
                 qPrintable(recorder_.messages[0].text));
        QCOMPARE(session.box("txtAgents"), QStringLiteral("6"));
        QVERIFY(network(session.s) == before);
        QCOMPARE(session.s.dataFileName, dataFileName);
        QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Murelta"));
        QVERIFY(window.isWindowModified());

        // A folder, as `murelta results` names one, is no experiment.
        recorder_.messages.clear();
        QVERIFY(!window.openFile(session.dir.path()));
        QCOMPARE(recorder_.messages.size(), std::size_t{1});
        QVERIFY2(recorder_.messages[0].text.contains(QStringLiteral("is a folder")),
                 qPrintable(recorder_.messages[0].text));
        QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Murelta"));

        recorder_.messages.clear();
        session.choose("actionAbout");
        QVERIFY(recorder_.messages.at(0).text.contains(QString::fromStdString(programVersion())));
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::ExperimentWindowTest)
#include "experiment_window_test.moc"
