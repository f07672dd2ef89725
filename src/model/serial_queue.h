// One worker thread that runs jobs one at a time, in the order posted.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace brimlow {

class SerialQueue {
public:
    SerialQueue();
    // Does not wait: a job still running (a Codex query can take 15 s) ends
    // on its own time, and jobs not yet started are dropped. A job must
    // therefore own, or share, whatever it uses.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void post(std::function<void()> job);

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wakeUp;
        std::deque<std::function<void()>> jobs;
        bool stopping = false;
    };
    static void run(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::thread m_thread;
};

} // namespace brimlow
