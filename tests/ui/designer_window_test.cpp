// Tests for the communication network designer window, driven through its controls.
#include <QtTest>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>

#include "network/links.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "ui/designer_window.hpp"
#include "ui/message_box.hpp"
#include "ui/network_view.hpp"
#include "ui/ui_test_helpers.hpp"

namespace murelta::ui {

namespace {

// A picture of 1000 pixels makes one pixel 5 design units, so marker edges (4750, 2375, ...)
// fall exactly on pixels.
constexpr int kPictureSide = 1000;

SimState stateWith(int agents, int targets = 1) {
    Params p;
    p.agents = std::to_string(agents);
    p.foods = std::to_string(targets);
    SimState s;
    setParameters(s, p, "untitle");  // P (connection) 0: no links
    return s;
}

Agent& agent(SimState& s, int i) {
    return s.agents[static_cast<std::size_t>(i)];
}

// An open designer on a state, with the helpers a user's actions need.
class Designer {
  public:
    explicit Designer(SimState& s)
        : window_(std::make_unique<DesignerWindow>(s, [] { return QStringLiteral("10"); })) {
        window_->show();
        QTEST_ASSERT(fitPicture(*window_, kPictureSide));
    }

    DesignerWindow& window() { return *window_; }
    NetworkView* picture() { return child<NetworkView>("pictAr"); }
    template <typename T>
    T* child(const char* name) {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    QString text(const char* name) { return child<QObject>(name)->property("text").toString(); }

    QPointF centre(int agent) {
        return picture()->markers()[static_cast<std::size_t>(agent)].rect.center();
    }
    QColor fill(int agent) { return picture()->markers()[static_cast<std::size_t>(agent)].fill; }
    void press(QPointF design) {
        QTest::mouseClick(picture(), Qt::LeftButton, {}, picture()->toPixel(design).toPoint());
    }
    void pressAgent(int agent) { press(centre(agent)); }
    void pressEmpty() { press({2500, 2500}); }
    void click(const char* name) {
        auto* button = child<QAbstractButton>(name);
        // A check box or option reacts on its indicator and caption, not on the empty space a
        // layout may give it.
        const bool indicator =
            qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
        QTest::mouseClick(button, Qt::LeftButton, {},
                          indicator ? QPoint(6, button->height() / 2) : button->rect().center());
    }
    void clickLeader() { click("checkLeader"); }
    void type(const char* name, const QString& text) {
        auto* box = child<QLineEdit>(name);
        box->selectAll();
        QTest::keyClicks(box, text);
    }

  private:
    std::unique_ptr<DesignerWindow> window_;
};

}  // namespace

class DesignerWindowTest : public QObject {
    Q_OBJECT

    QStringList messages_;

  private slots:
    void init() {
        messages_.clear();
        setMessageHandler(
            [this](QWidget*, const QString& text, const QString& title, MessageIcon icon) {
                QCOMPARE(title, QStringLiteral("Murelta"));
                QCOMPARE(icon, MessageIcon::Exclamation);
                messages_ << text;
            });
    }
    void cleanup() { setMessageHandler({}); }

    void opensWithDesignValues() {
        SimState s = stateWith(10);
        s.commRadius = kSpaceDependentRadius;
        s.targets[0].size = 3;
        Designer d(s);
        QCOMPARE(d.window().windowTitle(), QStringLiteral("Communication Network Settings"));
        QCOMPARE(d.window().objectName(), QStringLiteral("frmCom"));
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("----"));
        QCOMPARE(d.text("txtRetina"), QStringLiteral("----"));
        QCOMPARE(d.text("txtRank"), QStringLiteral("---"));
        QVERIFY(!d.child<QWidget>("txtRank")->isEnabled());
        QCOMPARE(d.text("noFood"), QStringLiteral("0"));
        QCOMPARE(d.text("txtSize"), QStringLiteral("3"));
        // The option shows "Space independent" but the radius in force stays.
        QVERIFY(d.child<QRadioButton>("commOption_0")->isChecked());
        QCOMPARE(s.commRadius, kSpaceDependentRadius);
        auto* presets = d.child<QComboBox>("cmb_preset");
        QCOMPARE(presets->currentIndex(), -1);
        QCOMPARE(presets->placeholderText(), QStringLiteral("Paper Presets"));
        QCOMPARE(presets->count(), 18);
    }

    void controlsCarryTheirCaptions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        const char* rows[][2] = {
            {"cmdNetAll", "All2All"},
            {"cmdNetCircle", "Circle"},
            {"cmdNetStar", "Star"},
            {"cmdNetClear", "None"},
            {"cmdMonoCOm", ">>"},
            {"cmdBiCom", "<< >>"},
            {"cmdCutCom", "!"},
            {"cmdShiftLeft", "<"},
            {"cmdShiftRight", ">"},
            {"cmdok", "ok"},
            {"Command1", "Command1"},
            {"commOption_0", "Space independent"},
            {"commOption_1", "Space dependent"},
            {"checkLeader", "Leader"},
            {"lblAgent", "Selected Agent: "},
        };
        for (const auto& row : rows) {
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
        }
    }
    void controlsCarryTheirCaptions() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        SimState s = stateWith(10);
        Designer d(s);
        QCOMPARE(d.text(name.toLatin1().constData()), caption);
    }

    void tenAgentsLieOnARing() {
        SimState s = stateWith(10);
        Designer d(s);
        const auto& markers = d.picture()->markers();
        QCOMPARE(markers.size(), std::size_t{10});
        QCOMPARE(markers[0].rect, QRectF(4750, 2375, 100, 100));
        // Angle 3.14, not pi: agent 5 sits just below the leftmost point.
        QVERIFY(qAbs(markers[5].rect.left() - 0.0030) < 1e-3);
        QVERIFY(qAbs(markers[5].rect.top() - 2378.78) < 1e-2);
        for (const auto& marker : markers) {
            const QPointF offset = marker.rect.topLeft() - QPointF(2375, 2375);
            QVERIFY(qAbs(std::hypot(offset.x(), offset.y()) - 2375.0) < 1e-9);
            QCOMPARE(marker.rect.size(), QSizeF(100, 100));
            QCOMPARE(marker.fill, QColor(kAgentColor));
        }
        QVERIFY(markers[1].rect.top() > 2375);  // clockwise on screen
    }

    void pressSelectsTheAgentUnderIt_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("selected");
        QTest::newRow("centre of agent 3") << QPointF(1692, 4684) << "3";
        QTest::newRow("empty middle") << QPointF(2500, 2500) << "----";
        QTest::newRow("left edge of agent 0") << QPointF(4750, 2420) << "----";
        QTest::newRow("right edge of agent 0") << QPointF(4850, 2420) << "----";
        QTest::newRow("top edge of agent 0") << QPointF(4800, 2375) << "----";
        QTest::newRow("bottom edge of agent 0") << QPointF(4800, 2475) << "----";
        QTest::newRow("just inside agent 0") << QPointF(4755, 2380) << "0";
    }
    void pressSelectsTheAgentUnderIt() {
        QFETCH(QPointF, point);
        QFETCH(QString, selected);
        SimState s = stateWith(10);
        setRetina(agent(s, 3), 12.0);
        agent(s, 3).rank = 1;
        agent(s, 7).view(0, 0) = 1;  // as sensing leaves it
        Designer d(s);
        d.pressAgent(7);
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("7"));
        QCOMPARE(d.fill(7), QColor(kMarkColor));

        d.press(point);
        QCOMPARE(d.text("lblNoAgent"), selected);
        QCOMPARE(d.fill(7), QColor(kAgentColor));
        if (selected == QStringLiteral("----")) {
            QCOMPARE(d.text("txtRetina"), QStringLiteral("----"));
            QCOMPARE(d.text("txtRank"), QStringLiteral("----"));
            QVERIFY(!d.child<QCheckBox>("checkLeader")->isChecked());
            QVERIFY(!d.child<QWidget>("txtRank")->isEnabled());
            QCOMPARE(d.fill(3), QColor(kLeaderColor));
        } else {
            const int k = selected.toInt();
            QCOMPARE(d.text("txtRetina"), k == 3 ? QStringLiteral("12") : QStringLiteral("5"));
            QCOMPARE(d.text("txtRank"), k == 3 ? QStringLiteral("1") : QStringLiteral("0"));
            QCOMPARE(d.child<QCheckBox>("checkLeader")->isChecked(), k == 3);
            QVERIFY(d.child<QWidget>("txtRank")->isEnabled());
            QCOMPARE(d.fill(k), QColor(kMarkColor));  // a selected leader shows red too
        }
        // Filling the panel stores nothing back, which would empty the view.
        QCOMPARE(agent(s, 7).view(0, 0), std::int16_t{1});
    }

    void linkCommandsTakeTwoPicks_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<bool>("ab");  // link a -> b before
        QTest::addColumn<bool>("ba");
        QTest::addColumn<int>("abAfter");
        QTest::addColumn<int>("baAfter");
        QTest::newRow("mono 2 -> 7") << "cmdMonoCOm" << 2 << 7 << false << false << 1 << 0;
        QTest::newRow("mono reverses 7 -> 2") << "cmdMonoCOm" << 2 << 7 << false << true << 1 << 0;
        QTest::newRow("mono on a pair") << "cmdMonoCOm" << 2 << 7 << true << true << 1 << 0;
        QTest::newRow("bi 2 <-> 7") << "cmdBiCom" << 2 << 7 << false << true << 1 << 1;
        QTest::newRow("cut 2 <-> 7") << "cmdCutCom" << 2 << 7 << true << true << 0 << 0;
        QTest::newRow("bi on one agent") << "cmdBiCom" << 4 << 4 << false << false << 1 << 1;
        QTest::newRow("mono on one agent") << "cmdMonoCOm" << 4 << 4 << true << true << 0 << 0;
        QTest::newRow("cut on one agent") << "cmdCutCom" << 4 << 4 << true << true << 0 << 0;
    }
    void linkCommandsTakeTwoPicks() {
        QFETCH(QString, command);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(bool, ab);
        QFETCH(bool, ba);
        QFETCH(int, abAfter);
        QFETCH(int, baAfter);
        SimState s = stateWith(10);
        const auto links = [&](int i) -> std::vector<std::uint8_t>& { return agent(s, i).links; };
        links(a)[static_cast<std::size_t>(b)] = ab ? 1 : 0;
        links(b)[static_cast<std::size_t>(a)] = ba ? 1 : 0;
        Designer d(s);
        d.pressAgent(5);
        d.click(command.toLatin1().constData());
        QCOMPARE(d.fill(5), QColor(kAgentColor));  // arming clears the selection

        d.pressAgent(a);
        QCOMPARE(d.fill(a), QColor(kEndColor));
        d.pressEmpty();  // a miss counts for nothing
        QCOMPARE(d.fill(a), QColor(kEndColor));
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("5"));  // the panel stays as it was
        d.pressAgent(b);
        QCOMPARE(int(links(a)[static_cast<std::size_t>(b)]), abAfter);
        QCOMPARE(int(links(b)[static_cast<std::size_t>(a)]), baAfter);
        QCOMPARE(d.fill(a), QColor(kAgentColor));
        QCOMPARE(d.fill(b), QColor(kAgentColor));

        // Back in selection mode: the next press selects and changes no link.
        const auto before = s.agents;
        d.pressAgent(1);
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("1"));
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(agent(s, i).links, before[static_cast<std::size_t>(i)].links);
        }
    }

    void armingAgainRestartsTheCommand() {
        SimState s = stateWith(10);
        Designer d(s);
        d.click("cmdMonoCOm");
        d.pressAgent(2);
        d.click("cmdBiCom");
        QCOMPARE(d.fill(2), QColor(kAgentColor));
        d.pressAgent(3);
        d.pressAgent(4);
        QCOMPARE(int(agent(s, 3).links[4]), 1);
        QCOMPARE(int(agent(s, 4).links[3]), 1);
        QCOMPARE(agent(s, 2).links[3] + agent(s, 3).links[2], 0);
    }

    void oneLeaderPerGroup() {
        SimState s = stateWith(10);
        Designer d(s);
        auto* box = d.child<QCheckBox>("checkLeader");
        d.pressAgent(3);
        d.clickLeader();
        QCOMPARE(agent(s, 3).rank, 1);
        QCOMPARE(d.text("txtRank"), QStringLiteral("1"));
        QVERIFY(messages_.isEmpty());

        d.pressAgent(4);
        QVERIFY(!box->isChecked());
        d.clickLeader();
        QVERIFY(!box->isChecked());
        QCOMPARE(messages_, QStringList{"Only 1 leader is allowed within a group"});
        QCOMPARE(agent(s, 4).rank, 0);
        QCOMPARE(agent(s, 3).rank, 1);

        d.pressAgent(3);
        QVERIFY(box->isChecked());
        d.clickLeader();  // the leader steps down
        QCOMPARE(agent(s, 3).rank, 0);
        d.pressAgent(4);
        d.clickLeader();
        QCOMPARE(agent(s, 4).rank, 1);
        QCOMPARE(messages_.size(), 1);
        d.pressEmpty();
        QCOMPARE(d.fill(4), QColor(kLeaderColor));
    }

    void rankTwoBlocksTheLeaderBox() {
        SimState s = stateWith(10);
        agent(s, 6).rank = 2;
        Designer d(s);
        auto* box = d.child<QCheckBox>("checkLeader");
        d.pressAgent(6);
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        d.clickLeader();
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        QCOMPARE(agent(s, 6).rank, 2);
        d.pressAgent(1);
        QCOMPARE(box->checkState(), Qt::Unchecked);
        d.clickLeader();
        QCOMPARE(box->checkState(), Qt::Unchecked);
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(agent(s, 1).rank, 0);
        d.type("txtRank", QStringLiteral("1"));  // the rank box is not bound by the rule
        QCOMPARE(agent(s, 1).rank, 1);
    }

    void boxesStoreWhatTheyRead_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected");  // rank, retina or size afterwards
        QTest::newRow("rank 7") << "txtRank"
                                << "7" << 7;
        QTest::newRow("rank 2.5 halves to even") << "txtRank"
                                                 << "2.5" << 2;
        QTest::newRow("rank negative") << "txtRank"
                                       << "-3" << 0;
        QTest::newRow("rank word") << "txtRank"
                                   << "abc" << 0;
        QTest::newRow("rank beyond 16 bits") << "txtRank"
                                             << "40000" << 4000;
        QTest::newRow("retina 12") << "txtRetina"
                                   << "12" << 12;
        QTest::newRow("retina 7.5") << "txtRetina"
                                    << "7.5" << 8;
        QTest::newRow("retina 6.5") << "txtRetina"
                                    << "6.5" << 6;
        QTest::newRow("retina negative") << "txtRetina"
                                         << "-3" << 5;
        QTest::newRow("retina word") << "txtRetina"
                                     << "wide" << 5;
        // "9" is taken on the way; 91 would overflow the sensing's count and is refused.
        QTest::newRow("retina 91") << "txtRetina"
                                   << "91" << 9;
        QTest::newRow("size 4") << "txtSize"
                                << "4" << 4;
        QTest::newRow("size negative") << "txtSize"
                                       << "-2" << -2;
        QTest::newRow("size word") << "txtSize"
                                   << "x" << 0;
    }
    void boxesStoreWhatTheyRead() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(int, expected);
        SimState s = stateWith(10);
        Designer d(s);
        d.pressAgent(2);
        d.type(box.toLatin1().constData(), typed);
        if (box == QStringLiteral("txtRank")) {
            QCOMPARE(int(agent(s, 2).rank), expected);
        } else if (box == QStringLiteral("txtRetina")) {
            QCOMPARE(agent(s, 2).retina, double(expected));
            QCOMPARE(agent(s, 2).view.columns(), 2 * expected + 1);
            QCOMPARE(agent(s, 2).view.rows(), 2 * expected + 1);
        } else {
            QCOMPARE(int(s.targets[0].size), expected);
        }
        QCOMPARE(agent(s, 3).rank, 0);
        QCOMPARE(agent(s, 3).retina, 5.0);
        QVERIFY(messages_.isEmpty());
    }

    void boxesWriteOnlyToSelectedAgents() {
        SimState s = stateWith(10);
        Designer d(s);
        d.pressAgent(2);
        d.click("cmdBiCom");  // clears the marks, keeps the panel
        d.type("txtRank", QStringLiteral("3"));
        d.type("txtRetina", QStringLiteral("8"));
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(agent(s, i).rank, 0);
            QCOMPARE(agent(s, i).retina, 5.0);
        }
    }

    void targetsStepWithinTheirRange() {
        SimState s = stateWith(10, 3);
        s.targets[0].size = 4;
        s.targets[1].size = 5;
        s.targets[2].size = 6;
        Designer d(s);
        const auto shown = [&] { return d.text("noFood") + ":" + d.text("txtSize"); };
        d.click("cmdShiftLeft");
        QCOMPARE(shown(), QStringLiteral("0:4"));
        d.click("cmdShiftRight");
        QCOMPARE(shown(), QStringLiteral("1:5"));
        d.click("cmdShiftRight");
        d.click("cmdShiftRight");
        QCOMPARE(shown(), QStringLiteral("2:6"));
        d.type("txtSize", QStringLiteral("9"));
        QCOMPARE(s.targets[2].size, 9);
        QCOMPARE(s.targets[1].size, 5);
        d.click("cmdShiftLeft");
        QCOMPARE(shown(), QStringLiteral("1:5"));
    }

    void rangeOptionsSetTheRadius() {
        SimState s = stateWith(10);
        Designer d(s);
        d.click("commOption_1");
        QCOMPARE(s.commRadius, kSpaceDependentRadius);
        s.commRadius = 42.0;
        d.click("commOption_1");  // picking the option shown sets the radius again
        QCOMPARE(s.commRadius, kSpaceDependentRadius);
        d.click("commOption_0");
        QCOMPARE(s.commRadius, kSpaceIndependentRadius);
    }

    void presetsThroughTheList_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("segments");
        QTest::addColumn<int>("leader");  // -1: none
        QTest::addColumn<int>("wideRetina");
        QTest::newRow("Tab 10b") << "Tab 10b"
                                 << "commOption_0" << 90 << 0 << 5;
        QTest::newRow("Tab 7") << "Tab 7"
                               << "commOption_1" << 0 << -1 << -1;
        QTest::newRow("Tab 6b") << "Tab 6b"
                                << "commOption_0" << 18 << -1 << -1;
        QTest::newRow("Tab 11b") << "Tab 11b"
                                 << "commOption_1" << 90 << 0 << 0;
        QTest::newRow("None") << "None"
                              << "commOption_0" << 0 << -1 << -1;
    }
    void presetsThroughTheList() {
        QFETCH(QString, item);
        QFETCH(QString, option);
        QFETCH(int, segments);
        QFETCH(int, leader);
        QFETCH(int, wideRetina);
        SimState s = stateWith(10);
        Designer d(s);
        d.click(option == QStringLiteral("commOption_0") ? "commOption_1" : "commOption_0");
        d.click("cmdNetCircle");
        QVERIFY(pickComboItem(d.child<QComboBox>("cmb_preset"), item));
        QCOMPARE(d.child<QComboBox>("cmb_preset")->currentText(), item);
        QVERIFY(d.child<QRadioButton>(option.toLatin1().constData())->isChecked());
        QCOMPARE(s.commRadius, option == QStringLiteral("commOption_1") ? kSpaceDependentRadius
                                                                        : kSpaceIndependentRadius);
        QCOMPARE(int(d.picture()->segments().size()), segments);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(agent(s, i).rank, i == leader ? 1 : 0);
            QCOMPARE(agent(s, i).retina, i == wideRetina ? 15.0 : 5.0);
            QCOMPARE(d.fill(i), QColor(i == leader ? kLeaderColor : kAgentColor));
        }
    }

    void starOfFiveIsDrawnFromTheHub() {
        SimState s = stateWith(5);
        Designer d(s);
        d.click("cmdNetStar");
        const auto& segments = d.picture()->segments();
        QCOMPARE(segments.size(), std::size_t{8});
        std::map<int, int> drawn;  // spoke -> times drawn
        for (const auto& segment : segments) {
            QCOMPARE(segment.colour, QColor(kBiLinkColor));
            const bool outward = segment.start == d.centre(0);
            QVERIFY(outward || segment.end == d.centre(0));
            const QPointF rim = outward ? segment.end : segment.start;
            for (int k = 1; k < 5; ++k) {
                drawn[k] += rim == d.centre(k) ? 1 : 0;
            }
        }
        QCOMPARE(drawn, (std::map<int, int>{{1, 2}, {2, 2}, {3, 2}, {4, 2}}));
        d.click("cmdNetClear");
        QVERIFY(d.picture()->segments().empty());
    }

    void monoLinkIsGreenThenRed() {
        SimState s = stateWith(10);
        Designer d(s);
        d.click("cmdMonoCOm");
        d.pressAgent(2);
        d.pressAgent(7);
        const auto& segments = d.picture()->segments();
        QCOMPARE(segments.size(), std::size_t{2});
        const QPointF middle = (d.centre(2) + d.centre(7)) / 2.0;
        QCOMPARE(segments[0].start, d.centre(2));
        QVERIFY(QLineF(segments[0].end, middle).length() < 1e-9);
        QCOMPARE(segments[0].colour, QColor(kSendColor));
        QCOMPARE(segments[1].start, segments[0].end);
        QCOMPARE(segments[1].end, d.centre(7));
        QCOMPARE(segments[1].colour, QColor(kReceiveColor));

        // Command1 redraws from the data.
        agent(s, 7).links[2] = 1;
        d.click("Command1");
        QCOMPARE(d.picture()->segments().size(), std::size_t{2});
        QCOMPARE(d.picture()->segments()[0].colour, QColor(kBiLinkColor));
    }

    void reopeningShowsTheEdits() {
        SimState s = stateWith(10);
        QPointer<DesignerWindow> first;
        {
            Designer d(s);
            first = &d.window();
            d.pressAgent(3);
            d.clickLeader();
            d.click("cmdBiCom");
            d.pressAgent(1);
            d.pressAgent(8);
            d.click("cmdok");
            QVERIFY(!d.window().isVisible());
            QVERIFY(first);  // closing leaves deleting to whoever opened it
        }
        Designer again(s);
        QCOMPARE(again.fill(3), QColor(kLeaderColor));
        QCOMPARE(again.picture()->segments().size(), std::size_t{2});
        QCOMPARE(again.text("lblNoAgent"), QStringLiteral("----"));
    }

    void rebuildFollowsANewGroup() {
        SimState s = stateWith(10, 3);
        Designer d(s);
        QVERIFY(pickComboItem(d.child<QComboBox>("cmb_preset"), QStringLiteral("Tab 8")));
        d.click("cmdShiftRight");
        d.pressAgent(9);
        const QPointF whereNineWas = d.centre(9);
        d.click("cmdMonoCOm");
        d.pressAgent(8);

        Params p;
        p.agents = "5";
        setParameters(s, p, "untitle");
        d.window().rebuild();
        QCOMPARE(d.picture()->markers().size(), std::size_t{5});
        QVERIFY(d.picture()->segments().empty());
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("----"));
        QCOMPARE(d.text("noFood"), QStringLiteral("0"));
        QCOMPARE(d.child<QComboBox>("cmb_preset")->currentIndex(), -1);
        d.press(whereNineWas);
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("----"));
        d.pressAgent(4);  // selection mode again, not the second pick of the old command
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("4"));
        QCOMPARE(d.fill(4), QColor(kMarkColor));
        for (const Agent& a : s.agents) {
            QCOMPARE(std::count(a.links.begin(), a.links.end(), 1), std::ptrdiff_t{0});
        }
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::DesignerWindowTest)
#include "designer_window_test.moc"
