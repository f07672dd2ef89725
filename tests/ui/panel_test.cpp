// The panel drawn against the real meter model on fake services, state by
// state. Each state's picture is written to screenshots/ next to this test
// for a person to look at.
#include "qstring_printer.h"
#include "test_support/meter_world.h"
#include "ui/appearance.h"
#include "ui/panel.h"
#include "ui/panel_format.h"
#include "usage/log_fixture.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace brimlow {
namespace {

using namespace std::chrono_literals;
using testing::claudeLine;
using testing::codexLine;

const QColor kOrange("#e2720c");
const QColor kGreen("#1e9a4b");
const QColor kGray("#a3a6ad");

QString text(QQuickItem* item) {
    return item->property("text").toString();
}
QColor color(QQuickItem* item) {
    return item->property("color").value<QColor>();
}

// One for the process: the panel's types are registered once.
Appearance& appearance() {
    static Appearance shared;
    return shared;
}

class PanelTest : public ::testing::Test {
protected:
    PanelTest() {
        world.clock->t = now;
        codex({{42, kFiveHourWindow, now + 2h + 13min}, {17.5, kWeekWindow, now + 96h}}, "plus");
        claude(R"("five_hour":{"used_percentage":63,"resets_at":)" + seconds(now + 3h) + "}");
        // Each period holds eight times the tokens of the one before.
        Time today = startOfLocalDay(now) + 1s;
        const Time days[] = {today, today - 48h, today - 30 * 24h};
        for (int i = 0; i < 3; ++i) {
            std::int64_t scale = i == 0 ? 1 : i == 1 ? 7 : 56;
            std::string n = std::to_string(i);
            world.dir.write("codex/sessions/" + n + ".jsonl",
                            codexLine(stamp(days[i]), 1200000 * scale, 84000 * scale) + "\n");
            world.dir.write(
                "claude/projects/p/" + n + ".jsonl",
                claudeLine(stamp(days[i]), "m" + n, 41000 * scale, 96000 * scale, 2300000 * scale) +
                    "\n");
        }
    }
    ~PanelTest() override { world.codex->hold(false); }

    static std::string seconds(Time t) { return std::to_string(toUnixSecondsTruncated(t)); }
    // RFC 3339, as the logs write their stamps.
    static std::string stamp(Time t) {
        std::string text = formatUtcSeconds(t).substr(0, 19);
        text[10] = 'T';
        return text + "Z";
    }
    void codex(std::vector<Quota> quotas, std::optional<std::string> plan = {}) {
        world.codex->set(CodexLimits{std::move(quotas), std::move(plan)});
    }
    // Claude's windows as the status line recorded them two minutes ago.
    void claude(const std::string& windows) {
        world.dir.write("data/Brimlow/claude-quota.json", R"({"rate_limits":{)" + windows +
                                                              R"(},"updatedAt":)" +
                                                              seconds(now - 2min) + "}");
    }

    void show() {
        if (!model)
            model = world.refreshedModel();
        view.setInitialProperties({{"model", QVariant::fromValue<QObject*>(model.get())}});
        view.setResizeMode(QQuickView::SizeViewToRootObject);
        view.setSource(meterPanelUrl(appearance()));
        ASSERT_EQ(view.status(), QQuickView::Ready);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    // Items by objectName, in drawing order, under `in` (default: everywhere).
    QList<QQuickItem*> all(const QString& name, QQuickItem* in = nullptr) const {
        QList<QQuickItem*> found;
        for (QQuickItem* child : (in ? in : view.rootObject())->childItems()) {
            if (child->objectName() == name)
                found.append(child);
            found += all(name, child);
        }
        return found;
    }
    QQuickItem* one(const QString& name, QQuickItem* in = nullptr) const {
        auto found = all(name, in);
        EXPECT_EQ(found.size(), 1) << name.toStdString();
        return found.value(0);
    }
    QStringList shownTexts(const QString& name, QQuickItem* in) const {
        QStringList texts;
        for (QQuickItem* item : all(name, in))
            if (item->isVisible())
                texts.append(text(item));
        return texts;
    }

    // With the layout settled before and after: a click aimed at a moved item
    // misses, and positions read before the layout follows are stale.
    void click(QQuickItem* item) {
        QTest::qWait(20);
        QPointF centre = item->mapToScene({item->width() / 2, item->height() / 2});
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
        QTest::qWait(20);
    }

    // Lets the window take its new size and redraw, then saves it.
    void screenshot(const QString& state) {
        QTest::qWait(30);
        QDir().mkpath(BRIMLOW_SCREENSHOT_DIR);
        EXPECT_TRUE(view.grabWindow().save(BRIMLOW_SCREENSHOT_DIR "/" + state + ".png"));
    }

    Time now = systemNow();
    MeterWorld world;
    std::unique_ptr<MeterModel> model;
    QQuickView view;
};

TEST_F(PanelTest, IsFixedWidthAndAsTallAsItsContentOrScrollsPastTheScreen) {
    show();
    screenshot("typical");
    EXPECT_EQ(view.width(), 370);
    EXPECT_EQ(view.height(), qRound(view.rootObject()->implicitHeight()));
    QQuickItem* countdown = all("countdownText", one("codexCard")).value(0);
    EXPECT_EQ(text(countdown), "2시간 13분 후");

    // On a screen too small for it, the panel stops at the height its window
    // allows and scrolls, so that the last control can still be reached.
    view.rootObject()->setProperty("maximumHeight", 500);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.height() == 500; }));
    QQuickItem* scroller = one("scroller");
    QQuickItem* quit = one("quitButton");
    EXPECT_GT(quit->mapToScene({0, quit->height()}).y(), 500);
    scroller->setProperty("contentY",
                          scroller->property("contentHeight").toReal() - scroller->height());
    EXPECT_LT(quit->mapToScene({0, quit->height()}).y(), 500);
    screenshot("small-screen");
}

TEST_F(PanelTest, TheCountdownRunsWhileShown) {
    codex({{10, kFiveHourWindow, now + 64s}});
    show();
    QQuickItem* countdown = one("countdownText", one("codexCard"));
    EXPECT_EQ(text(countdown), "2분 후");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text(countdown) == "1분 후"; }, 6000));
}

TEST_F(PanelTest, WithoutQuotasThereAreNoRowsButClaudeKeepsItsConnectRow) {
    world.codex->set(Error{ErrorKind::Rejected, "refused"});
    claude("");
    show();
    EXPECT_TRUE(all("quotaRow").isEmpty());
    EXPECT_TRUE(shownTexts("quotaDateText", nullptr).isEmpty());
    EXPECT_TRUE(shownTexts("connectText", one("codexCard")).isEmpty());
    EXPECT_EQ(shownTexts("connectText", one("claudeCard")), QStringList{"한도 연결 필요"});
    EXPECT_TRUE(one("connectButton", one("claudeCard"))->isVisible());
    EXPECT_TRUE(one("usagePageLink", one("claudeCard"))->isVisible());
    screenshot("no-quotas");
}

TEST_F(PanelTest, AWindowPastItsResetAsksForARefreshInGrayWithoutCountdown) {
    codex({{91, kFiveHourWindow, now - 1h}}, "pro");
    world.clock->t = now - 4000s; // when it was read
    show();
    QQuickItem* row = one("quotaRow", one("codexCard"));
    EXPECT_EQ(text(one("percentText", row)), "갱신 필요");
    EXPECT_LT(color(one("percentText", row)).alphaF(), 1.0) << "the muted colour";
    EXPECT_EQ(color(one("barFill", row)), kGray);
    EXPECT_TRUE(text(one("resetText", row)).startsWith("초기화 "));
    EXPECT_FALSE(one("countdownText", row)->isVisible());
    EXPECT_TRUE(one("quotaDateText", one("codexCard"))->isVisible());
    screenshot("stale");
}

TEST_F(PanelTest, EightyPercentIsOrangeAndPercentsRoundHalfAway) {
    codex({{80, kFiveHourWindow, {}}, {79.99, kWeekWindow, {}}}, "plus");
    claude(R"("five_hour":{"used_percentage":12.5},"seven_day":{"used_percentage":12.4})");
    show();
    auto codex = all("quotaRow", one("codexCard"));
    ASSERT_EQ(codex.size(), 2);
    EXPECT_EQ(color(one("percentText", codex[0])), kOrange);
    EXPECT_EQ(color(one("barFill", codex[0])), kOrange);
    EXPECT_EQ(text(one("percentText", codex[1])), "80% 사용");
    EXPECT_EQ(color(one("percentText", codex[1])), color(one("quotaLabel", codex[1])));
    EXPECT_EQ(color(one("barFill", codex[1])), kGreen);
    EXPECT_FALSE(one("resetText", codex[0])->isVisible()) << "no reset time";

    auto claude = all("quotaRow", one("claudeCard"));
    ASSERT_EQ(claude.size(), 2);
    EXPECT_EQ(text(one("percentText", claude[0])), "13% 사용");
    EXPECT_EQ(text(one("percentText", claude[1])), "12% 사용");
    EXPECT_EQ(shownTexts("planText", nullptr), QStringList{"PLUS"});
    screenshot("thresholds");
}

// The five-hour window went from 40 % to 85 % in the last half hour: at
// that pace it runs out ten minutes from now, before its reset in an hour.
TEST_F(PanelTest, EveryColourHasADarkVariantThatFollowsTheDesktop) {
    codex({{85, kFiveHourWindow, now + 1h}, {40, kWeekWindow, {}}}, "plus");
    world.dir.write("codex/sessions/limits.jsonl",
                    testing::codexLimitsLine(
                        stamp(now - 30min), R"({"primary":{"used_percent":40,"window_minutes":300,)"
                                            R"("resets_at":)" +
                                                seconds(now + 1h) + "}}") +
                        "\n");
    show();
    QQuickItem* codex = one("codexCard");
    auto rows = all("quotaRow", codex);
    ASSERT_EQ(rows.size(), 2);
    QQuickItem* pace = one("paceText", rows[0]);
    ASSERT_TRUE(pace->isVisible());
    // The log's stamp has whole seconds: the end may come a second later.
    auto runsOut = [&](Time t) {
        auto ms = [](Time at) {
            return QDateTime::fromMSecsSinceEpoch(
                std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch())
                    .count());
        };
        return "이 속도면 " + PanelFormat().moment(ms(t), ms(now)) + "에 소진";
    };
    EXPECT_TRUE(QStringList({runsOut(now + 10min), runsOut(now + 10min + 1s)}).contains(text(pace)))
        << text(pace).toStdString();
    EXPECT_EQ(color(pace), kOrange);
    EXPECT_FALSE(one("paceText", rows[1])->isVisible()) << "a window that keeps its pace";
    screenshot("runs-out");
    QList<QQuickItem*> parts{one("footerText"),
                             one("percentText", rows[0]),
                             one("barFill", rows[1]),
                             one("quotaLabel", rows[1]),
                             pace,
                             codex};
    auto colours = [&] {
        QList<QColor> shown;
        for (QQuickItem* part : parts)
            shown.append(color(part));
        shown.append(color(view.rootObject()->property("background").value<QQuickItem*>()));
        return shown;
    };
    QList<QColor> light = colours();
    EXPECT_GT(light.last().lightness(), 128);

    appearance().setPreference(ColorScheme::Dark);
    QList<QColor> dark = colours();
    screenshot("dark");
    EXPECT_LT(dark.last().lightness(), 128);
    for (int i = 0; i < light.size(); ++i)
        EXPECT_NE(dark[i], light[i]) << i;
    appearance().setPreference(ColorScheme::Light);
    EXPECT_EQ(colours(), light);
    appearance().setPreference(ColorScheme::NoPreference);
}

TEST_F(PanelTest, TokensFollowThePeriodAndOnlyClaudeShowsCache) {
    show();
    QQuickItem* codex = one("codexCard");
    QQuickItem* claude = one("claudeCard");
    EXPECT_EQ(shownTexts("metricTitle", codex), (QStringList{"입력", "출력"}));
    EXPECT_EQ(shownTexts("metricValue", claude), (QStringList{"41.0K", "96.0K", "2.3M"}));
    EXPECT_EQ(shownTexts("metricTitle", claude), (QStringList{"입력", "출력", "캐시"}));
    EXPECT_EQ(text(one("tokenTotal", claude)), "2.4M");

    EXPECT_EQ(text(one("tokenTotal", codex)), "1.3M");

    click(one("period1"));
    EXPECT_EQ(model->period(), MeterModel::Period::LastSevenDays);
    EXPECT_EQ(text(one("tokenTotal", codex)), "10.3M");
    EXPECT_EQ(text(one("tokenTotal", claude)), "19.5M");
    click(one("period2"));
    EXPECT_EQ(text(one("tokenTotal", claude)), "156.0M");
    // New figures from a refresh are summed again.
    world.dir.write("claude/projects/p/3.jsonl", claudeLine(stamp(now), "m3", 4000000, 0) + "\n");
    model->refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->refreshing(); }));
    EXPECT_EQ(text(one("tokenTotal", claude)), "160.0M");
    screenshot("all");
}

TEST_F(PanelTest, WhileRefreshingTheButtonIsOffAndTheSpinnerShows) {
    world.codex->hold(true);
    model = std::make_unique<MeterModel>(world.services());
    model->refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->codex().recordCount() > 0; }));
    show();
    EXPECT_FALSE(one("refreshButton")->isEnabled());
    EXPECT_TRUE(one("refreshSpinner")->isVisible());
    EXPECT_EQ(text(one("footerText")), "사용량 확인 중…");
    screenshot("first-refresh");

    world.codex->hold(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->refreshing(); }));
    EXPECT_FALSE(one("refreshSpinner")->isVisible());
    QString footer = text(one("footerText"));
    EXPECT_TRUE(footer.startsWith("갱신 ") && footer.endsWith(" · 60초 간격"))
        << footer.toStdString();
    click(one("refreshButton"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return world.codex->calls() == 2; }));
}

TEST_F(PanelTest, AFailedConnectIsShownUnderTheLoginSwitch) {
    world.connectFailure = Error{ErrorKind::Malformed, "settings.json: 읽을 수 없습니다"};
    show();
    QQuickItem* claude = one("claudeCard");
    click(one("connectButton", claude));
    QQuickItem* error = one("loginError");
    ASSERT_TRUE(error->isVisible());
    EXPECT_EQ(text(error), "settings.json: 읽을 수 없습니다");
    EXPECT_EQ(color(error), kOrange);
    qreal y = error->mapToScene({}).y();
    EXPECT_GT(y, one("loginSwitch")->mapToScene({}).y());
    EXPECT_LT(y, one("notifySwitch")->mapToScene({}).y());
    screenshot("connect-failed");

    world.connectFailure.reset();
    click(one("connectButton", claude));
    EXPECT_EQ(text(one("connectText", claude)), "Claude 사용 시 한도 갱신");
    EXPECT_FALSE(one("connectButton", claude)->isVisible());
}

TEST_F(PanelTest, SwitchesShowTheModelsAnswerNotTheClick) {
    world.login->failWith = "autostart: Permission denied";
    world.center = nullptr;
    show();
    QQuickItem* login = one("loginSwitch");
    click(login);
    EXPECT_FALSE(login->property("checked").toBool());
    EXPECT_EQ(text(one("loginError")), "로그인 실행 설정 실패: autostart: Permission denied");

    world.login->failWith.reset();
    click(login);
    EXPECT_TRUE(login->property("checked").toBool());
    model->setLogin(false);
    EXPECT_FALSE(login->property("checked").toBool()) << "still bound after a click";

    // Without a notification service, the test button says so.
    QQuickItem* notify = one("notifySwitch");
    EXPECT_EQ(text(notify), "한도 초기화 알림 (70% 이상 쓴 한도)");
    click(one("testButton"));
    EXPECT_EQ(text(one("notifyError")), "세션 버스에 알림 서비스가 없어 알림을 띄울 수 없습니다.");
    EXPECT_EQ(color(one("notifyError")), kOrange);
    screenshot("settings-errors");
    click(notify);
    EXPECT_FALSE(notify->property("checked").toBool());
    EXPECT_EQ(world.settings->values["notifyReset"], false);
    model->setNotify(true);
    EXPECT_TRUE(notify->property("checked").toBool());
}

TEST_F(PanelTest, EscapeAsksTheHostToCloseAndQuitEndsTheApplication) {
    show();
    QSignalSpy close(view.rootObject(), SIGNAL(closeRequested()));
    QSignalSpy quit(view.engine(), &QQmlEngine::quit);
    click(one("period2"));
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(close.size(), 1);
    click(one("quitButton"));
    EXPECT_EQ(quit.size(), 1);
}

} // namespace
} // namespace brimlow
