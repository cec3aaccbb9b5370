#include "app/worker_thread.h"

namespace ostrel {

namespace {

void ClearUpperVectorState()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx"))
        __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

} // namespace

std::thread StartWorker(std::function<void()> work)
{
    return std::thread([work = std::move(work)] {
        ClearUpperVectorState();
        work();
    });
}

} // namespace ostrel
