// The panel drawn against a fake model, state by state. Each state's picture
// is written to screenshots/ next to this test for a person to look at.
#include "fake_meter_model.h"
#include "qstring_printer.h"
#include "ui/appearance.h"
#include "ui/panel.h"

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

const QColor kOrange("#e2720c");
const QColor kGreen("#1e9a4b");
const QColor kGray("#a3a6ad");

QVariantMap quota(double percent, const QString& label, QVariant reset = {}) {
    return {{"percent", percent}, {"label", label}, {"reset", reset}};
}

QVariantMap usage(QVariantList quotas, QString status, QVariant plan = {}, QVariant checked = {}) {
    return {{"quotas", quotas}, {"quotaDate", checked}, {"status", status}, {"plan", plan}};
}

QVariantMap totals(qint64 input, qint64 output, qint64 cache) {
    return {
        {"input", input}, {"output", output}, {"cache", cache}, {"total", input + output + cache}};
}

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
        model.codex = usage({quota(42, "5시간", now.addSecs(2 * 3600 + 13 * 60)),
                             quota(17.5, "주간", now.addDays(4))},
                            "Codex 한도 갱신됨", "plus", now.addSecs(-30));
        model.claude = usage({quota(63, "5시간", now.addSecs(3 * 3600))}, "Claude 기록 214건",
                             "max", now.addSecs(-120));
        model.updated = now;
        for (qint64 period = 0, scale = 1; period < 3; ++period, scale *= 8) {
            model.codexTotals[period] = totals(1200000 * scale, 84000 * scale, 0);
            model.claudeTotals[period] = totals(41000 * scale, 96000 * scale, 2300000 * scale);
        }
    }

    void show() {
        view.setInitialProperties({{"model", QVariant::fromValue<QObject*>(&model)}});
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

    void click(QQuickItem* item) {
        QPointF centre = item->mapToScene({item->width() / 2, item->height() / 2});
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
    }

    // Lets the window take its new size and redraw, then saves it.
    void screenshot(const QString& state) {
        QTest::qWait(30);
        QDir().mkpath(BRIMLOW_SCREENSHOT_DIR);
        EXPECT_TRUE(view.grabWindow().save(BRIMLOW_SCREENSHOT_DIR "/" + state + ".png"));
    }

    QDateTime now = QDateTime::currentDateTime();
    FakeMeterModel model;
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
    model.codex = usage({quota(10, "5시간", now.addMSecs(61800))}, "");
    show();
    QQuickItem* countdown = one("countdownText", one("codexCard"));
    EXPECT_EQ(text(countdown), "2분 후");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text(countdown) == "1분 후"; }, 3000));
}

TEST_F(PanelTest, WithoutQuotasThereAreNoRowsButClaudeKeepsItsConnectRow) {
    model.codex = usage({}, "Codex 한도 조회 실패", {}, now);
    model.claude = usage({}, "기록 없음", {}, now);
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
    model.codex = usage({quota(91, "5시간", now.addSecs(-3600))}, "", "pro", now.addSecs(-4000));
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
    model.codex = usage({quota(80, "5시간"), quota(79.99, "주간")}, "", "plus");
    model.claude = usage({quota(12.5, "5시간"), quota(12.4, "주간")}, "");
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

TEST_F(PanelTest, EveryColourHasADarkVariantThatFollowsTheDesktop) {
    model.codex = usage({quota(85, "5시간", now.addSecs(3600)), quota(40, "주간")}, "", "plus");
    show();
    QQuickItem* codex = one("codexCard");
    auto rows = all("quotaRow", codex);
    ASSERT_EQ(rows.size(), 2);
    QList<QQuickItem*> parts{one("footerText"), one("percentText", rows[0]),
                             one("barFill", rows[1]), one("quotaLabel", rows[1]), codex};
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
    model.codexTotals[1] = totals(1250, 0, 0);
    show();
    QQuickItem* codex = one("codexCard");
    QQuickItem* claude = one("claudeCard");
    EXPECT_EQ(shownTexts("metricTitle", codex), (QStringList{"입력", "출력"}));
    EXPECT_EQ(shownTexts("metricValue", claude), (QStringList{"41.0K", "96.0K", "2.3M"}));
    EXPECT_EQ(shownTexts("metricTitle", claude), (QStringList{"입력", "출력", "캐시"}));
    EXPECT_EQ(text(one("tokenTotal", claude)), "2.4M");

    click(one("period1"));
    EXPECT_EQ(model.period, 1);
    EXPECT_EQ(text(one("tokenTotal", codex)), "1.2K");
    EXPECT_EQ(text(one("tokenTotal", claude)), "19.5M");
    // New totals from a refresh are shown.
    model.codexTotals[1] = totals(1350, 0, 0);
    emit model.totalsChanged();
    EXPECT_EQ(text(one("tokenTotal", codex)), "1.4K");
    screenshot("week");
}

TEST_F(PanelTest, WhileRefreshingTheButtonIsOffAndTheSpinnerShows) {
    model.refreshing = true;
    model.updated = {};
    show();
    EXPECT_FALSE(one("refreshButton")->isEnabled());
    EXPECT_TRUE(one("refreshSpinner")->isVisible());
    EXPECT_EQ(text(one("footerText")), "사용량 확인 중…");
    screenshot("first-refresh");

    model.setProperty("refreshing", false);
    model.setProperty("updated", now);
    EXPECT_FALSE(one("refreshSpinner")->isVisible());
    QString footer = text(one("footerText"));
    EXPECT_TRUE(footer.startsWith("갱신 ") && footer.endsWith(" · 60초 간격"))
        << footer.toStdString();
    click(one("refreshButton"));
    EXPECT_EQ(model.refreshCalls, 1);
}

TEST_F(PanelTest, AFailedConnectIsShownUnderTheLoginSwitch) {
    model.connectFailure = "Claude 설정 파일을 읽을 수 없습니다: settings.json";
    show();
    QQuickItem* claude = one("claudeCard");
    click(one("connectButton", claude));
    QQuickItem* error = one("loginError");
    ASSERT_TRUE(error->isVisible());
    EXPECT_EQ(text(error), model.connectFailure);
    EXPECT_EQ(color(error), kOrange);
    qreal y = error->mapToScene({}).y();
    EXPECT_GT(y, one("loginSwitch")->mapToScene({}).y());
    EXPECT_LT(y, one("notifySwitch")->mapToScene({}).y());
    screenshot("connect-failed");

    model.connectFailure.clear();
    click(one("connectButton", claude));
    EXPECT_EQ(text(one("connectText", claude)), "Claude 사용 시 한도 갱신");
    EXPECT_FALSE(one("connectButton", claude)->isVisible());
    EXPECT_EQ(model.connectCalls, 2);
}

TEST_F(PanelTest, SwitchesShowTheModelsAnswerNotTheClick) {
    model.refuseLogin = true;
    show();
    QQuickItem* login = one("loginSwitch");
    click(login);
    EXPECT_EQ(model.loginRequests, QList<bool>{true});
    EXPECT_FALSE(login->property("checked").toBool());

    model.refuseLogin = false;
    click(login);
    EXPECT_TRUE(login->property("checked").toBool());
    model.setProperty("loginEnabled", false);
    EXPECT_FALSE(login->property("checked").toBool()) << "still bound after a click";

    QQuickItem* notify = one("notifySwitch");
    EXPECT_EQ(text(notify), "한도 초기화 알림 (70% 이상 쓴 한도)");
    click(notify);
    EXPECT_EQ(model.notifyRequests, QList<bool>{false});
    model.setProperty("notifyReset", true);
    EXPECT_TRUE(notify->property("checked").toBool());
    model.setProperty("notifyError", "세션 버스에 알림 서비스가 없어 알림을 띄울 수 없습니다.");
    EXPECT_EQ(color(one("notifyError")), kOrange);
    click(one("testButton"));
    EXPECT_EQ(model.testNotifyCalls, 1);
    screenshot("settings-errors");
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
