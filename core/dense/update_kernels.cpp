// The choice of the deferred-update kernels: the widest that the processor offers,
// unless a test or a measurement has asked for a narrower one.
#include "core/dense/update_kernels.h"

#include <atomic>

namespace {

bool processor_has(update_width width) {
    switch (width) {
    case update_width::avx512:
        return __builtin_cpu_supports("avx512f");
    case update_width::avx2:
        return __builtin_cpu_supports("avx2");
    case update_width::sse2:
        return true;
    }
    return false;
}

update_width widest() {
    for (update_width w : {update_width::avx512, update_width::avx2}) {
        if (processor_has(w)) return w;
    }
    return update_width::sse2;
}

std::atomic<int> limit{int(update_width::avx512)};

} // namespace

bool update_kernels_limit(update_width width) {
    limit = int(width);
    return processor_has(width);
}

const update_kernels &update_kernels_get() {
    int w = int(widest());
    if (limit.load() < w) w = limit.load();
    switch (update_width(w)) {
    case update_width::avx512:
        return update_kernels_avx512;
    case update_width::avx2:
        return update_kernels_avx2;
    case update_width::sse2:
        break;
    }
    return update_kernels_sse2;
}
