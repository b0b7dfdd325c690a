#include "platform/realtime_thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <algorithm>

namespace tamboro {

bool makeThisThreadRealtime(int priority) {
    // Without CAP_SYS_NICE a thread may go as high as RLIMIT_RTPRIO (the
    // audio group's limit on most systems). A limit of 0 leaves the priority
    // as asked: root is not bound by it, and anyone else is refused anyway.
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(priority) > limit.rlim_cur && limit.rlim_cur > 0)
        priority = static_cast<int>(limit.rlim_cur);
    priority = std::clamp(priority, sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO));
    sched_param param{};
    param.sched_priority = priority;
#ifdef SCHED_RESET_ON_FORK
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0)
        return true;
#endif
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace tamboro
