#pragma once
// While it lives, no new thread can be made: every thread asks for 64 MiB of
// stack (more than the stacks of ended threads the C library keeps for
// reuse) and the process's address space may grow by 16 MiB only, as under
// a `ulimit -v` that the player has reached. Other allocations still
// succeed. Everything is put back when it goes.
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

namespace vt::test {

class SansFil {
public:
    SansFil() {
        pthread_attr_t grand{};
        if (::pthread_getattr_default_np(&defaut_) != 0 || ::pthread_getattr_default_np(&grand) != 0) return;
        ::pthread_attr_setstacksize(&grand, std::size_t(64) << 20);
        std::ifstream statm("/proc/self/statm");
        unsigned long long pages = 0;
        statm >> pages;
        if (pages == 0 || ::getrlimit(RLIMIT_AS, &avant_) != 0) {
            ::pthread_attr_destroy(&grand);
            return;
        }
        rlimit limite = avant_;
        limite.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(16) << 20);
        actif_ = ::pthread_setattr_default_np(&grand) == 0 && ::setrlimit(RLIMIT_AS, &limite) == 0;
        ::pthread_attr_destroy(&grand);
    }
    ~SansFil() {
        ::setrlimit(RLIMIT_AS, &avant_);
        ::pthread_setattr_default_np(&defaut_);
        ::pthread_attr_destroy(&defaut_);
    }
    SansFil(const SansFil&) = delete;
    SansFil& operator=(const SansFil&) = delete;
    // False when the limits could not be set (the test cannot run).
    bool actif() const { return actif_; }

private:
    pthread_attr_t defaut_{};
    rlimit avant_{};
    bool actif_ = false;
};

}  // namespace vt::test
