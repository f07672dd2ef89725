#include "app/app_delegate.h"
#include "test_support/meter_world.h"

#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

namespace brimlow {
namespace {

class FakeTray final : public TrayItem {
public:
    void show(const TrayFigures& figures) override { shown.push_back(figures); }
    bool inTray() const override { return present; }
    QRect iconGeometry() const override { return geometry; }
    QString takeActivationToken() override { return std::exchange(token, QString()); }

    std::vector<TrayFigures> shown;
    QString token;
    bool present = true;
    QRect geometry{1200, 2, 22, 22};
};

class FakePanel final : public PanelWindow {
public:
    bool isOpen() const override { return open_; }
    bool justDismissed() const override { return dismissed; }
    void open(PanelStyle style, QRect anchor, const QString& token) override {
        open_ = true;
        opens.push_back({style, anchor, token});
    }
    void close() override { open_ = false; }
    void endActivation(const QString& token) override { ended.push_back(token); }

    bool open_ = false, dismissed = false;
    using Open = std::tuple<PanelStyle, QRect, QString>;
    std::vector<Open> opens;
    std::vector<QString> ended;
};

class Delegate : public ::testing::Test {
protected:
    // The tray is present or not from the start, as on the desktop.
    std::unique_ptr<AppDelegate> makeDelegate(bool trayPresent = true) {
        // A window whose reset has passed, then a current one.
        m_world.codex->set(CodexLimits{
            {{99, 300, *fromUnixSeconds(1759300000)}, {42, 10080, *fromUnixSeconds(1759334400)}},
            {}});
        m_tray->present = trayPresent;
        auto makeTray = [this](TrayActions actions) {
            m_actions = std::move(actions);
            return std::move(m_ownTray);
        };
        auto makePanel = [this](MeterModel&) { return std::move(m_ownPanel); };
        return std::make_unique<AppDelegate>(m_world.services(),
                                             ShellFactories{.tray = makeTray, .panel = makePanel});
    }

    // The tray comes or goes (a panel starting or restarting).
    void trayPresent(bool present) {
        m_tray->present = present;
        m_actions.trayAvailabilityChanged();
    }

    MeterWorld m_world;
    std::unique_ptr<FakeTray> m_ownTray = std::make_unique<FakeTray>();
    std::unique_ptr<FakePanel> m_ownPanel = std::make_unique<FakePanel>();
    FakeTray* m_tray = m_ownTray.get();
    FakePanel* m_panel = m_ownPanel.get();
    TrayActions m_actions;
};

TEST_F(Delegate, TheTrayShowsTheCurrentWindowsAndTheTitleOfEachPublication) {
    auto delegate = makeDelegate();
    ASSERT_FALSE(m_tray->shown.empty()) << "shown before the first refresh ends";
    EXPECT_EQ(m_tray->shown.front(), (TrayFigures{std::nullopt, std::nullopt, "C —  A 0"}));

    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->model().updated().isValid(); }));
    // The 5-hour window's reset has passed: the weekly one is current.
    EXPECT_EQ(m_tray->shown.back(), (TrayFigures{42.0, std::nullopt, "C 42%  A 0"}));
    EXPECT_FALSE(m_panel->isOpen()) << "with a tray, nothing opens by itself";
}

TEST_F(Delegate, AClickTogglesThePanelAtThePointerOrTheIconWhileReopeningLeavesItOpen) {
    auto delegate = makeDelegate();
    // Trays that report where the click was, and those that don't.
    const QRect pointer(1210, 0, 1, 24);
    for (const auto& [click, anchor] : {std::pair{TrayClick{pointer, "token-1"}, pointer},
                                        std::pair{TrayClick{}, m_tray->geometry}}) {
        m_actions.toggle(click);
        ASSERT_TRUE(m_panel->isOpen());
        EXPECT_EQ(m_panel->opens.back(),
                  (FakePanel::Open{PanelStyle::Popup, anchor, click.activationToken}));
        m_actions.toggle(click);
        EXPECT_FALSE(m_panel->isOpen());
    }
    // The click on the icon whose press just closed the panel.
    m_panel->dismissed = true;
    m_actions.toggle({});
    EXPECT_FALSE(m_panel->isOpen());
    m_panel->dismissed = false;
    // Clicks that close it end the host's launch: the click's token or an earlier one.
    m_actions.toggle({});
    m_tray->token = "before-the-click";
    m_actions.toggle({});
    EXPECT_EQ(m_panel->ended, (std::vector<QString>{"token-1", "before-the-click"}));

    // Another start, an opened notification, the menu's entry; the host's
    // token, given before its menu entry ran, goes with the panel, which
    // opens where the host's last click was when the tray has no geometry.
    m_tray->geometry = QRect();
    for (const auto& reopen : std::vector<std::function<void()>>{
             [&] { delegate->reopen(); }, m_world.center->open, m_actions.openPanel}) {
        m_tray->token = "from-host";
        reopen();
        EXPECT_TRUE(m_panel->isOpen());
        EXPECT_EQ(m_panel->opens.back(),
                  (FakePanel::Open{PanelStyle::Popup, pointer, "from-host"}));
        reopen();
        EXPECT_TRUE(m_panel->isOpen());
        m_panel->close();
    }
}

TEST_F(Delegate, WithoutATrayThePanelOpensAsAWindowAndATrayThatAppearsTakesOver) {
    auto delegate = makeDelegate(false);
    ASSERT_TRUE(m_panel->isOpen()) << "otherwise nothing of the application would show";
    EXPECT_EQ(std::get<PanelStyle>(m_panel->opens.back()), PanelStyle::Window);

    trayPresent(true);
    EXPECT_FALSE(m_panel->isOpen()) << "the window gives way to the tray";
    m_actions.toggle({});
    EXPECT_EQ(std::get<PanelStyle>(m_panel->opens.back()), PanelStyle::Popup);

    // The tray goes and comes back: the open popup stays, and the next open
    // without a tray is a window again.
    trayPresent(false);
    trayPresent(true);
    EXPECT_TRUE(m_panel->isOpen());
    m_tray->present = false;
    m_actions.toggle({});
    delegate->reopen();
    EXPECT_EQ(std::get<PanelStyle>(m_panel->opens.back()), PanelStyle::Window);
}

TEST_F(Delegate, CallbacksThatOutliveTheDelegateDoNothing) {
    auto delegate = makeDelegate();
    TrayActions actions = m_actions;
    delegate.reset();
    actions.toggle({});
    actions.openPanel();
    actions.refresh();
    actions.trayAvailabilityChanged();
    EXPECT_FALSE(m_world.center->open) << "the notifier let go of its open handler";
}

} // namespace
} // namespace brimlow
