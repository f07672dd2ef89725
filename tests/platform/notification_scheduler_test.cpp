#include "platform/notification_scheduler.h"
#include "test_support/fake_services.h"

#include <gtest/gtest.h>
#include <optional>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

// Remembers the deadline; the test decides when it rings.
class FakeAlarm final : public WallClockAlarm {
public:
    void armAt(Time deadline) override {
        armed = deadline;
        ++arms;
    }
    void disarm() override { armed.reset(); }

    std::optional<Time> armed;
    int arms = 0;
};

class Scheduler : public ::testing::Test {
protected:
    NotificationRequest request(const std::string& id, std::chrono::seconds in) {
        return {id, "title " + id, "body", clock->t + in};
    }
    std::vector<std::string> postedIds() const {
        std::vector<std::string> ids;
        for (const auto& r : posted)
            ids.push_back(r.id);
        return ids;
    }
    // What the real alarm does: ring once its deadline has come.
    void passTime(std::chrono::seconds by) {
        clock->t += by;
        if (alarm.armed && *alarm.armed <= clock->t)
            scheduler.wake();
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>("2025-10-01T09:00:00Z");
    FakeAlarm alarm;
    std::vector<NotificationRequest> posted;
    NotificationScheduler scheduler{clock, alarm,
                                    [this](const NotificationRequest& r) { posted.push_back(r); }};
};

TEST_F(Scheduler, PostsEachRequestAtItsTimeEarliestFirst) {
    scheduler.add(request("b", 20s));
    scheduler.add(request("a", 10s));
    scheduler.add(request("c", 30s));
    EXPECT_EQ(scheduler.pendingIds(), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(alarm.armed, clock->t + 10s);
    EXPECT_TRUE(posted.empty());

    passTime(10s);
    ASSERT_EQ(postedIds(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(posted[0], (NotificationRequest{"a", "title a", "body", clock->t}));
    EXPECT_EQ(scheduler.pendingIds(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(alarm.armed, clock->t + 10s);

    passTime(25s);
    EXPECT_EQ(postedIds(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(scheduler.pendingIds().empty());
    EXPECT_FALSE(alarm.armed);

    // Already due when added: posted at once.
    scheduler.add(request("late", -5s));
    scheduler.add(request("now", 0s));
    EXPECT_EQ(postedIds(), (std::vector<std::string>{"a", "b", "c", "late", "now"}));
}

TEST_F(Scheduler, RemovedAndReplacedRequestsAreNeverPosted) {
    scheduler.add(request("a", 10s));
    scheduler.add(request("b", 20s));
    scheduler.add(request("c", 30s));
    scheduler.remove({"a", "unknown"});
    EXPECT_EQ(scheduler.pendingIds(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(alarm.armed, clock->t + 20s);

    // The same id again replaces the waiting request and its time.
    auto moved = request("b", 40s);
    moved.title = "moved";
    scheduler.add(moved);
    EXPECT_EQ(scheduler.pendingIds(), (std::vector<std::string>{"c", "b"}));

    passTime(60s);
    ASSERT_EQ(postedIds(), (std::vector<std::string>{"c", "b"}));
    EXPECT_EQ(posted[1].title, "moved");

    scheduler.add(request("d", 10s));
    scheduler.remove({"d"});
    EXPECT_FALSE(alarm.armed);
    passTime(60s);
    EXPECT_EQ(posted.size(), 2u);
}

// After a sleep the alarm's timer stood still while the wall clock moved on;
// a clock set back or forward moves the wall-clock time of each request.
TEST_F(Scheduler, FollowsTheWallClockAcrossSleepAndClockChanges) {
    scheduler.add(request("slept-through", 10min));
    scheduler.add(request("after-wake", 2h));
    clock->t += 1h;
    scheduler.wake(); // the machine resumed
    EXPECT_EQ(postedIds(), (std::vector<std::string>{"slept-through"}));
    EXPECT_EQ(alarm.armed, clock->t + 1h);
    scheduler.wake(); // the alarm's own late ring, a second resume: nothing more
    scheduler.wake();
    EXPECT_EQ(posted.size(), 1u);

    // Set back a day: the ring that reports it posts nothing and re-arms for
    // the same wall-clock time, now further away.
    Time due = clock->t + 1h;
    clock->t -= 24h;
    int armsBefore = alarm.arms;
    scheduler.wake();
    EXPECT_EQ(posted.size(), 1u);
    EXPECT_EQ(alarm.arms, armsBefore + 1);
    EXPECT_EQ(alarm.armed, due);
    clock->t = due + 5min; // set forward past it: posted at once
    scheduler.wake();
    EXPECT_EQ(postedIds(), (std::vector<std::string>{"slept-through", "after-wake"}));
    EXPECT_FALSE(alarm.armed);
}

} // namespace
} // namespace brimlow
