// Waking from sleep as logind announces it: the Manager's PrepareForSleep
// signal on the system bus, whose argument is false once the machine has
// resumed.
#pragma once

#include "model/services.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brimlow {

class LogindWakeSource final : public WakeSource {
public:
    // Listens on the system bus at `systemBus` (see systemBusAddress() in
    // bus_address.h). Without an address, or when that bus cannot be
    // reached, it simply never fires: a machine without logind still runs.
    // The handler is called through the event loop of the thread that
    // constructs the source, so construct it on the main thread.
    explicit LogindWakeSource(const std::optional<std::string>& systemBus);
    ~LogindWakeSource() override;

    LogindWakeSource(const LogindWakeSource&) = delete;
    LogindWakeSource& operator=(const LogindWakeSource&) = delete;

    void setWakeHandler(std::function<void()> handler) override;

private:
    class Listener;

    void woke();

    std::function<void()> m_handler;
    std::unique_ptr<Listener> m_listener; // null where there is no system bus
};

} // namespace brimlow
