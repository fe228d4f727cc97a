#pragma once
// While it lives no thread can be made, as under a `ulimit -v` the player
// has reached: threads ask for 64 MiB of stack (more than the C library
// keeps cached) and the address space may grow by 16 MiB only.
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#include <fstream>

namespace vt::test {

class SansFil {
public:
    SansFil() {
        unsigned long long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        if (!pages || ::getrlimit(RLIMIT_AS, &avant_) || ::pthread_getattr_default_np(&defaut_)) return;
        garde_ = true;
        pthread_attr_t grand = defaut_;
        rlimit limite = avant_;
        limite.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(16) << 20);
        actif_ = !::pthread_attr_setstacksize(&grand, std::size_t(64) << 20) &&
                 !::pthread_setattr_default_np(&grand) && !::setrlimit(RLIMIT_AS, &limite);
    }
    ~SansFil() {
        if (garde_) ::setrlimit(RLIMIT_AS, &avant_), ::pthread_setattr_default_np(&defaut_);
    }
    bool actif() const { return actif_; }

private:
    pthread_attr_t defaut_{};
    rlimit avant_{};
    bool garde_ = false, actif_ = false;
};

}  // namespace vt::test
