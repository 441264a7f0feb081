#pragma once

#include <cstring>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Root ignores permission bits. Capabilities are per thread, so the test
// thread gives up that privilege while it lives and takes it back after.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride()
    {
        if (::geteuid() != 0) {
            m_effective = true;
            return;
        }
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2];
        std::memcpy(lowered, m_saved, sizeof lowered);
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
        m_effective = m_lowered;
    }
    ~WithoutPermissionOverride()
    {
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    bool effective() const { return m_effective; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
    bool m_effective = false;
};
