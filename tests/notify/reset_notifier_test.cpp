#include "notify/reset_notifier.h"
#include "test_support/fake_notification_center.h"
#include "test_support/fake_services.h"
#include "texts/texts.h"

#include <cmath>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

std::string hhmm(Time t) {
    return formatUtcSeconds(t).substr(11, 5);
}

class Notifier : public ::testing::Test {
protected:
    Notifier()
        : center(std::make_shared<FakeCenter>()), notifier(center, clock, alertWording(hhmm)) {}

    void sync(Alerts alerts, std::vector<ProviderQuotas> providers) {
        notifier.sync(alerts, std::move(providers));
    }
    Quota quota(double percent, std::int64_t minutes, std::optional<std::chrono::seconds> in) {
        return {percent, minutes, in ? std::optional(clock->t + *in) : std::nullopt};
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>("2025-10-01T09:00:00Z");
    std::shared_ptr<FakeCenter> center;
    ResetNotifier notifier;
};

TEST_F(Notifier, OnlyHeavilyUsedWindowsResettingMoreThanFiveSecondsAheadQualify) {
    sync(Alerts::On, {{"Codex",
                       {quota(70.0, 300, 1h), quota(69.9, 10080, 1h), quota(99, 60, std::nullopt),
                        quota(90, 61, 5s), quota(90, 62, 6s), quota(NAN, 63, 1h)}}});
    std::int64_t base = toUnixSecondsTruncated(clock->t);
    EXPECT_EQ(center->pendingIds(),
              (std::vector<std::string>{"reset.Codex.300." + std::to_string(base + 3600),
                                        "reset.Codex.62." + std::to_string(base + 6)}));
    EXPECT_EQ(center->pending[1].fireAt, clock->t + 6s);
}

TEST_F(Notifier, TitlesAndBodiesRoundHalvesAwayFromZero) {
    clock->t += 500ms; // the id keeps whole seconds only
    sync(Alerts::On, {{"Codex", {quota(85.4, 300, 2h)}}, {"Claude", {quota(99.5, 10080, 3h)}}});
    ASSERT_EQ(center->pending.size(), 2u);
    EXPECT_EQ(center->pending[0],
              (NotificationRequest{"reset.Codex.300.1759316400", "Codex 5시간 한도 초기화",
                                   "85%까지 썼던 한도가 11:00에 다시 채워졌어요.", clock->t + 2h}));
    EXPECT_EQ(center->pending[1].title, "Claude 주간 한도 초기화");
    EXPECT_EQ(center->pending[1].body, "100%까지 썼던 한도가 12:00에 다시 채워졌어요.");
    auto alert = resetAlerts({{"X", {quota(84.5, 300, 1h)}}}, clock->t).at(0);
    EXPECT_EQ(alertWording(hhmm).reset(alert).body.substr(0, 3), "85%");
}

TEST_F(Notifier, ReconcilesWithWhatIsPending) {
    center->pending = {{"test.1.5", "t", "b", clock->t + 1s},
                       {"reset.Claude.10080.1760000000", "c", "b", clock->t + 9h}};
    sync(Alerts::On, {{"Codex", {quota(80, 300, 1h)}}, {"Claude", {}}});
    // Claude has no quotas: its pending request stays untouched.
    EXPECT_EQ(center->pendingIds().size(), 3u);
    EXPECT_TRUE(center->removed.empty());

    // The same quotas again change nothing, not even a timer restart.
    int adds = center->adds;
    sync(Alerts::On, {{"Codex", {quota(80, 300, 1h)}}, {"Claude", {}}});
    EXPECT_EQ(center->adds, adds);
    EXPECT_TRUE(center->removed.empty());

    // A moved reset replaces its request; use dropping below 70 % removes it.
    sync(Alerts::On, {{"Codex", {quota(80, 300, 2h)}}, {"Claude", {}}});
    std::int64_t base = toUnixSecondsTruncated(clock->t);
    EXPECT_EQ(center->removed,
              std::vector<std::string>{"reset.Codex.300." + std::to_string(base + 3600)});
    EXPECT_EQ(center->pending.back().id, "reset.Codex.300." + std::to_string(base + 7200));
    sync(Alerts::On, {{"Codex", {quota(60, 300, 2h)}}});
    EXPECT_EQ(center->pendingIds(),
              (std::vector<std::string>{"test.1.5", "reset.Claude.10080.1760000000"}));

    // Switched off: every reset request goes, the test request stays.
    sync(Alerts::Off, {{"Codex", {quota(80, 300, 1h)}}});
    EXPECT_EQ(center->pendingIds(), std::vector<std::string>{"test.1.5"});
}

TEST_F(Notifier, OpeningAndTheTestGoThroughTheCentre) {
    EXPECT_TRUE(notifier.available());
    EXPECT_FALSE(ResetNotifier(nullptr, clock, {}).available());

    int opened = 0;
    center->open(); // no handler yet: nothing happens
    notifier.onOpen = [&] { ++opened; };
    center->open();
    EXPECT_EQ(opened, 1);

    notifier.test();
    ASSERT_EQ(center->pending.size(), 1u);
    EXPECT_EQ(center->pending[0].id, testNotificationId(clock->t));
    EXPECT_EQ(center->pending[0].title, "Brimlow 알림 시험");
    EXPECT_EQ(center->pending[0].fireAt, clock->t + 3s);
}

TEST(TestNotificationId, ShortestSecondsThatReadBack) {
    EXPECT_EQ(testNotificationId(*fromUnixSeconds(1760000000.123456)), "test.1760000000.123456");
    EXPECT_EQ(testNotificationId(*fromUnixSeconds(1760000000)), "test.1760000000.0");
}

} // namespace
} // namespace brimlow
