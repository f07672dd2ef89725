// A notification centre that keeps its schedule in memory and counts what
// it is asked.
#pragma once

#include "notify/notification_center.h"

#include <algorithm>
#include <functional>

namespace brimlow {

class FakeCenter final : public NotificationCenter {
public:
    std::vector<std::string> pendingIds() const override {
        ++pendingQueries;
        std::vector<std::string> ids;
        for (const auto& r : pending)
            ids.push_back(r.id);
        return ids;
    }
    void schedule(const NotificationRequest& request) override {
        pending.push_back(request);
        ++adds;
    }
    void cancel(const std::vector<std::string>& ids) override {
        removed.insert(removed.end(), ids.begin(), ids.end());
        std::erase_if(pending, [&](const auto& r) {
            return std::find(ids.begin(), ids.end(), r.id) != ids.end();
        });
    }
    void setOpenHandler(std::function<void()> handler) override { open = std::move(handler); }

    std::vector<NotificationRequest> pending;
    std::vector<std::string> removed;
    int adds = 0;
    mutable int pendingQueries = 0;
    std::function<void()> open;
};

} // namespace brimlow
