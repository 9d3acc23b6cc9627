// Core heap blocks with the environment's budget and test switch.
#include "core/base/alloc.h"

#include "core/base/c_locale.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <malloc.h>
#include <sys/mman.h>

namespace {

// Measurements only: nothing decides by them.
std::atomic<long> live{0};
std::atomic<std::size_t> bytes_in_use{0};
std::atomic<std::size_t> bytes_peak{0};

// Small requests cannot exhaust the machine; reading /proc/meminfo is kept for the few
// blocks whose size grows with the mesh.
constexpr std::size_t check_threshold = std::size_t{64} << 20;

// MemAvailable in bytes, or 0 when it cannot be read.
unsigned long long available_bytes() {
    std::FILE *file = std::fopen("/proc/meminfo", "r");
    if (!file) return 0;
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, file)) {
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) break;
    }
    std::fclose(file);
    return kib * 1024ull;
}

// Blocks at least this large are aligned to and advised for transparent huge pages.
constexpr std::size_t huge_page = std::size_t{2} << 20;

void *allocate(std::size_t bytes) {
    if (bytes < huge_page) return std::malloc(bytes == 0 ? 1 : bytes);
    void *block = nullptr;
    if (posix_memalign(&block, huge_page, bytes) != 0) return nullptr;
    madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

} // namespace

std::size_t core_memory_available(const calc_env &env) {
    return env.memory_ceiling > 0 ? env.memory_ceiling : std::size_t(available_bytes());
}

bool core_memory_fits(const calc_env &env, std::size_t bytes) {
    if (env.memory_ceiling > 0) return bytes <= env.memory_ceiling;
    if (bytes < check_threshold) return true;
    unsigned long long available = available_bytes();
    return available == 0 || bytes <= available;
}

void *core_alloc(const calc_env &env, std::size_t bytes) {
    if (calc_faults *faults = env.faults) {
        long call = ++faults->calls;
        if (call == faults->fail_at.load()) return nullptr;
    }
    if (!core_memory_fits(env, bytes)) return nullptr;
    void *block = allocate(bytes);
    if (!block) return nullptr;
    ++live;
    std::size_t in_use = bytes_in_use += malloc_usable_size(block);
    std::size_t peak = bytes_peak.load();
    while (in_use > peak && !bytes_peak.compare_exchange_weak(peak, in_use)) {
    }
    return block;
}

void core_release(void *block) {
    if (!block) return;
    --live;
    bytes_in_use -= malloc_usable_size(block);
    std::free(block);
}

long core_alloc_live() {
    return live;
}

std::size_t core_alloc_peak_bytes() {
    return bytes_peak;
}

void core_alloc_reset_peak() {
    bytes_peak = bytes_in_use.load();
}

void core_report_too_large(const calc_env &env, std::int32_t cells, std::size_t needed) {
    double available = core_solve_share * double(core_memory_available(env));
    c_locale_scope numbers_in_c_locale;
    wchar_t text[200];
    std::swprintf(text, 200,
                  L"Mesh too large: its %d cells need %.0f MB of memory, %.0f MB can be had now",
                  cells, double(needed) / (1 << 20), available / (1 << 20));
    env_error(env, text);
}
