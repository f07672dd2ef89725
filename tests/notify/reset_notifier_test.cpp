#include "notify/reset_notifier.h"
#include "test_support/fake_notification_center.h"
#include "test_support/fake_services.h"
#include "test_support/time_zone.h"
#include "texts/texts.h"

#include <cmath>
#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;
using Ids = std::vector<std::string>;

class Notifier : public ::testing::Test {
protected:
    void sync(Alerts alerts, std::vector<ProviderQuotas> providers) {
        notifier.sync(alerts, std::move(providers));
    }
    Quota quota(double percent, std::int64_t minutes, std::optional<std::chrono::seconds> in) {
        return {percent, minutes, in ? std::optional(clock->t + *in) : std::nullopt};
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>("2025-10-01T09:00:00Z");
    std::shared_ptr<FakeCenter> center = std::make_shared<FakeCenter>();
    ResetNotifier notifier{center, clock,
                           alertWording([](Time t) { return formatUtcSeconds(t).substr(11, 5); })};
};

TEST_F(Notifier, OnlyHeavilyUsedWindowsResettingMoreThanFiveSecondsAheadQualify) {
    clock->t += 500ms; // the id keeps whole seconds only
    sync(Alerts::On, {{"Codex",
                       {quota(70.0, 300, 2h), quota(69.9, 10080, 1h), quota(99, 60, std::nullopt),
                        quota(90, 61, 5s), quota(90, 62, 6s), quota(NAN, 63, 1h)}},
                      {"Claude", {quota(99.5, 10080, 3h)}}});
    ASSERT_EQ(center->pendingIds(), (Ids{"reset.Codex.300.1759316400", "reset.Codex.62.1759309206",
                                         "reset.Claude.10080.1759320000"}));
    EXPECT_EQ(center->pending[0],
              (NotificationRequest{"reset.Codex.300.1759316400", "Codex 5시간 한도 초기화",
                                   "70%까지 썼던 한도가 11:00에 다시 채워졌어요.", clock->t + 2h}));
    EXPECT_EQ(center->pending[1].fireAt, clock->t + 6s);
    EXPECT_EQ(center->pending[2].title, "Claude 주간 한도 초기화");
    EXPECT_EQ(center->pending[2].body, "100%까지 썼던 한도가 12:00에 다시 채워졌어요.");
}

TEST_F(Notifier, ReconcilesWithWhatIsPending) {
    center->pending = {{"test.1.5", "t", "b", clock->t + 1s},
                       {"reset.Claude.10080.1760000000", "c", "b", clock->t + 9h}};
    // Claude has no quotas: its pending request stays untouched. The same
    // quotas again change nothing, not even a timer restart.
    for (int round = 0; round < 2; ++round)
        sync(Alerts::On, {{"Codex", {quota(80, 300, 1h)}}, {"Claude", {}}});
    EXPECT_EQ(center->pendingIds().size(), 3u);
    EXPECT_EQ(center->adds, 1);
    EXPECT_TRUE(center->removed.empty());

    // A moved reset replaces its request; use dropping below 70 % removes it.
    sync(Alerts::On, {{"Codex", {quota(80, 300, 2h)}}, {"Claude", {}}});
    EXPECT_EQ(center->removed, Ids{"reset.Codex.300.1759312800"});
    EXPECT_EQ(center->pending.back().id, "reset.Codex.300.1759316400");
    sync(Alerts::On, {{"Codex", {quota(60, 300, 2h)}}});
    EXPECT_EQ(center->pendingIds(), (Ids{"test.1.5", "reset.Claude.10080.1760000000"}));

    // Switched off: every reset request goes, the test request stays.
    sync(Alerts::Off, {{"Codex", {quota(80, 300, 1h)}}});
    EXPECT_EQ(center->pendingIds(), Ids{"test.1.5"});
}

// At the last hour's pace: 30 % in 30 minutes. Posted at once, and once.
TEST_F(Notifier, APaceAlertGoesOutOnceWhenTheEndIsHalfAnHourAwayAndBeforeTheReset) {
    InTimeZone zone("UTC");
    auto provider = [&](double percent, std::chrono::seconds reset) {
        Quota now = quota(percent, 300, reset);
        Quota before = now;
        before.percent -= 30;
        return ProviderQuotas{"Codex", {now}, {{clock->t - 30min, before}, {clock->t, now}}};
    };
    auto paceIds = [&] {
        Ids ids;
        for (const auto& id : center->pendingIds())
            if (id.starts_with("pace."))
                ids.push_back(id);
        return ids;
    };
    sync(Alerts::On, {provider(60, 2h)}); // full in 40 minutes
    sync(Alerts::Off, {provider(90, 2h)});
    sync(Alerts::On, {provider(90, 10min)}); // the reset comes first
    EXPECT_TRUE(paceIds().empty());

    sync(Alerts::On, {provider(90, 2h)}); // full in 10 minutes
    ASSERT_EQ(paceIds(), Ids{"pace.Codex.300.1759316400"});
    const NotificationRequest& alert = center->pending.back();
    EXPECT_EQ(alert.title, "Codex 5시간 한도 소진 예상");
    EXPECT_EQ(alert.body, "이 속도면 09:10에 다 씁니다. 초기화는 11:00.");
    EXPECT_EQ(alert.fireAt, clock->t);
    center->pending.clear(); // posted
    sync(Alerts::On, {provider(95, 2h)});
    EXPECT_TRUE(paceIds().empty()) << "never twice for one window";
}

TEST_F(Notifier, OpeningAndTheTestGoThroughTheCentre) {
    EXPECT_TRUE(notifier.available());
    EXPECT_FALSE(ResetNotifier(nullptr, clock, {}).available());
    int opened = 0;
    center->open(); // no handler yet: nothing happens
    notifier.onOpen = [&] { ++opened; };
    center->open();
    EXPECT_EQ(opened, 1);

    clock->t += 123456us; // ids of test requests keep the shortest fraction that reads back
    notifier.test();
    ASSERT_EQ(center->pending.size(), 1u);
    EXPECT_EQ(center->pending[0].id, "test.1759309200.123456");
    EXPECT_EQ(center->pending[0].title, "Brimlow 알림 시험");
    EXPECT_EQ(center->pending[0].fireAt, clock->t + 3s);
}

} // namespace
} // namespace brimlow
