// Makes file permissions bind the calling thread even when the tests run as
// root: the capabilities that let root ignore them are taken out of the
// thread's effective set for the object's lifetime (they stay permitted, so
// they can be restored). Tests of read-only directories then mean the same
// for root as for a user.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace brimlow {

class WithoutFileOverride {
public:
    WithoutFileOverride() {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[cap / 32].effective &= ~(1u << (cap % 32));
        m_active = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutFileOverride() {
        if (m_active)
            syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutFileOverride(const WithoutFileOverride&) = delete;
    WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

} // namespace brimlow
