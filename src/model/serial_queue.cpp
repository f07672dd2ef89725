#include "model/serial_queue.h"

namespace brimlow {

SerialQueue::SerialQueue() : m_thread(run, m_state) {}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        m_state->jobs.clear();
    }
    m_state->wakeUp.notify_one();
    m_thread.detach();
}

void SerialQueue::post(std::function<void()> job) {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->jobs.push_back(std::move(job));
    }
    m_state->wakeUp.notify_one();
}

void SerialQueue::run(std::shared_ptr<State> state) {
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock lock(state->mutex);
            state->wakeUp.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
            if (state->stopping)
                return;
            job = std::move(state->jobs.front());
            state->jobs.pop_front();
        }
        job();
    }
}

} // namespace brimlow
