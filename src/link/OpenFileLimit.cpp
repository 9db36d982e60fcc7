#include "OpenFileLimit.h"

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace tavo {

void raiseOpenFileLimit() {
#if defined(__unix__) || defined(__APPLE__)
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
#endif
}

}  // namespace tavo
