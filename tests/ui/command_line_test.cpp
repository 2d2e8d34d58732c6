// Tests for the desktop program's command line: which lines need no display, and the
// experiment file a line names, opened in the main window as File, Open opens it.
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include "experiment/experiment.hpp"
#include "sim/state.hpp"
#include "support/window_helpers.hpp"
#include "ui/command_line.hpp"
#include "ui/main_window.hpp"

namespace murelta::ui {

class CommandLineTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    QString startDir_;
    MessageRecorder recorder_;

    // The line parsed as the program parses it, once Qt has taken out its own options.
    static bool parse(QCommandLineParser& parser, const QStringList& arguments) {
        describeCommandLine(parser);
        return parser.parse(QStringList{QStringLiteral("murelta")} + arguments);
    }
    // An experiment file in the test's folder with `agents` agents.
    void writeFile(const QString& name, const char* agents) {
        Experiment e;
        e.params.agents = agents;
        writeExperiment(dir_.filePath(name).toStdString(), e);
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        startDir_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void cleanupTestCase() { QDir::setCurrent(startDir_); }
    void init() { recorder_.messages.clear(); }

    void asksForTextOnly_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("textOnly");
        QTest::newRow("a file") << QStringList{QStringLiteral("a.toml")} << false;
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << true;
        QTest::newRow("--help-all") << QStringList{QStringLiteral("--help-all")} << true;
        QTest::newRow("-v and a file")
            << QStringList{QStringLiteral("-v"), QStringLiteral("a.toml")} << true;
        // Qt's own options are taken out by the application: until then the line is not ours
        // to answer.
        QTest::newRow("-platform first")
            << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"),
                           QStringLiteral("--help")}
            << false;
        QTest::newRow("a file named --help")
            << QStringList{QStringLiteral("--"), QStringLiteral("--help")} << false;
        QTest::newRow("an unknown option") << QStringList{QStringLiteral("--bogus")} << false;
    }
    void asksForTextOnly() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, textOnly);
        QCOMPARE(murelta::ui::asksForTextOnly(QStringList{QStringLiteral("murelta")} + arguments),
                 textOnly);
    }

    // `murelta FILE`, relative to the folder it was started in, as a desktop's file manager
    // or a shell gives it: the window shows the file's values, named in the title, unmodified,
    // and the file leads the recent files.
    void opensTheFileGiven_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("relative") << QStringList{QStringLiteral("given.toml")}
                                  << QStringLiteral("given.toml");
        QTest::newRow("absolute") << QStringList{dir_.filePath(QStringLiteral("given.toml"))}
                                  << QStringLiteral("given.toml");
        QTest::newRow("named like an option")
            << QStringList{QStringLiteral("--"), QStringLiteral("-given.toml")}
            << QStringLiteral("-given.toml");
    }
    void opensTheFileGiven() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        writeFile(file, "7");
        QCommandLineParser parser;
        QVERIFY(parse(parser, arguments));
        SimState s;
        MainWindow window(s);
        QVERIFY(openGivenExperiment(window, parser));
        QVERIFY(recorder_.messages.empty());
        QCOMPARE(child<QLineEdit>(window, "txtAgents")->text(), QStringLiteral("7"));
        QCOMPARE(s.groupSize, std::int16_t{7});
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("%1[*] - Murelta").arg(QFileInfo(file).completeBaseName()));
        QVERIFY(!window.isWindowModified());
        QCOMPARE(child<QMenu>(window, "menuRecent")->actions().first()->data().toString(),
                 dir_.filePath(file));
    }

    // A file that cannot be read is named in a message, and the window keeps the defaults.
    void saysWhyTheFileGivenDidNotOpen() {
        QCommandLineParser parser;
        QVERIFY(parse(parser, {QStringLiteral("missing.toml")}));
        SimState s;
        MainWindow window(s);
        QVERIFY(!openGivenExperiment(window, parser));
        QCOMPARE(recorder_.messages.size(), std::size_t{1});
        QVERIFY2(recorder_.messages[0].text.contains(QStringLiteral("missing.toml")),
                 qPrintable(recorder_.messages[0].text));
        QCOMPARE(child<QLineEdit>(window, "txtAgents")->text(), QStringLiteral("10"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - Murelta"));
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::CommandLineTest)
#include "command_line_test.moc"
