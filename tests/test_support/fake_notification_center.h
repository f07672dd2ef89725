// A notification centre that keeps requests in memory and answers only when
// the test lets it, as the desktop's answers arrive later on the main thread.
#pragma once

#include "notify/notification_center.h"

#include <algorithm>
#include <deque>
#include <functional>

namespace brimlow {

class FakeCenter final : public NotificationCenter {
public:
    void requestAuthorization(std::function<void(bool)> answer) override {
        answers.push_back([this, answer] { answer(allowed); });
    }
    void authorizationStatus(std::function<void(std::optional<bool>)> answer) override {
        answers.push_back([this, answer] { answer(allowed); });
    }
    void pendingRequestIds(std::function<void(std::vector<std::string>)> answer) override {
        answers.push_back([this, answer] {
            std::vector<std::string> ids;
            for (const auto& request : pending)
                ids.push_back(request.id);
            answer(ids);
        });
        ++pendingQueries;
    }
    void add(const NotificationRequest& request) override {
        pending.push_back(request);
        ++adds;
    }
    void remove(const std::vector<std::string>& ids) override {
        removed.insert(removed.end(), ids.begin(), ids.end());
        std::erase_if(pending, [&](const auto& r) {
            return std::find(ids.begin(), ids.end(), r.id) != ids.end();
        });
    }
    void setOpenHandler(std::function<void()> handler) override { open = std::move(handler); }

    void answerAll() {
        while (!answers.empty()) {
            auto next = std::move(answers.front());
            answers.pop_front();
            next();
        }
    }
    std::vector<std::string> pendingIds() const {
        std::vector<std::string> ids;
        for (const auto& r : pending)
            ids.push_back(r.id);
        return ids;
    }

    bool allowed = true;
    std::deque<std::function<void()>> answers;
    std::vector<NotificationRequest> pending;
    std::vector<std::string> removed;
    int adds = 0;
    int pendingQueries = 0;
    std::function<void()> open;
};

} // namespace brimlow
