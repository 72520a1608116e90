// Measurement from outside a program run under Wine, loaded into Wine's processes with
// LD_PRELOAD by tools/syncmeter.sh: every write to standard error is prefixed with "@NS ",
// the CLOCK_MONOTONIC time in ns at which the writing thread wrote it. Wine writes each line
// of its traces at once, from the thread that made the traced call, so the stamp dates the
// call itself; Wine's own +timestamp is whole ms, and stale while a thread spins.
#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int kStderr = 2;

using Write = ssize_t (*)(int, const void*, size_t);

Write realWrite()
{
    static const Write real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
    if (real == nullptr) std::abort();
    return real;
}

}  // namespace

extern "C" ssize_t write(int fd, const void* data, size_t count)
{
    if (fd != kStderr || count == 0) return realWrite()(fd, data, count);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char prefix[32];
    const int length = std::snprintf(prefix, sizeof prefix, "@%lld ",
                                     static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec);
    iovec parts[2] = {{prefix, static_cast<size_t>(length)}, {const_cast<void*>(data), count}};
    const ssize_t written = writev(fd, parts, 2);
    // The caller asked for its own bytes only.
    return written < 0 ? written : (written >= length ? written - length : 0);
}
