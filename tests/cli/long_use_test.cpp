// Long use: 200 command-line runs in one process, with accepted, refused and failing
// inputs and with core allocations made to fail one after another, must leave the heap
// exactly where it was after the first round. All threads allocate from one arena so
// that mallinfo2 sees every block the runs take, and the per-thread cache of freed
// blocks is switched off (GLIBC_TUNABLES, set by the test) because the arena counts the
// blocks parked there as in use.
#include "cli/cli_run.h"
#include "core/base/alloc.h"

#include <cstdio>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

const std::vector<std::vector<std::string>> rounds = {
    {"--mesh-step", "0.3"},
    {"--mesh-step", "0.2", "--json"},
    {"--w2", "INF", "--p", "AUTO", "--mesh-step", "0.25"},
    {"--epsilon-r", "1", "--mesh-step", "0.3", "--charges", "/dev/null"},
    {"--epsilon-r", "1.2", "--d", "-1.5", "--mesh-step", "0.3"},
    {"--w1", "+5"},
    {"--p", "0.0001", "--json"},
    {"--h", "1e400"},
    {"--mesh-step", "1e-30"},
    {"--mesh-step", "0.00005"},
};

int run(const std::vector<std::string> &args, std::FILE *sink, const calc_env &limits) {
    std::vector<const char *> argv{"orvanta-cli"};
    for (const std::string &a : args)
        argv.push_back(a.c_str());
    return cli_run(int(argv.size()), argv.data(), sink, sink, limits);
}

} // namespace

int main() {
    mallopt(M_ARENA_MAX, 1);
    std::FILE *sink = std::fopen("/dev/null", "w");
    if (!sink) return 2;

    // The first round takes what lives for the whole process (stdio buffers, the C
    // locale, thread bookkeeping); from then on nothing may stay behind.
    calc_faults faults;
    calc_env limits;
    limits.faults = &faults;
    auto one_round = [&](int index) {
        for (std::size_t k = 0; k < rounds.size(); ++k) {
            // Every third run has one of its core allocations refused.
            faults.arm((index + long(k)) % 3 == 0 ? 1 + (index * 7 + long(k)) % 28 : 0);
            run(rounds[k], sink, limits);
        }
    };
    one_round(0);
    // Nothing is printed until the end: stdout's own buffer would be a new block.
    constexpr int round_count = 20;
    std::size_t level[round_count];
    long live[round_count];
    level[0] = mallinfo2().uordblks;
    live[0] = core_alloc_live();
    for (int index = 1; index < round_count; ++index) {
        one_round(index);
        level[index] = mallinfo2().uordblks;
        live[index] = core_alloc_live();
    }
    std::fclose(sink);
    int failures = 0;
    for (int index = 1; index < round_count; ++index) {
        std::printf("after %3d runs: %zu bytes in use, %ld core blocks (after %zu runs: %zu)\n",
                    int((index + 1) * rounds.size()), level[index], live[index], rounds.size(),
                    level[0]);
        failures += level[index] != level[0] || live[index] != 0;
    }
    std::printf(failures ? "FAILED: the heap grew\n"
                         : "heap back at its level after the first round\n");
    return failures ? 1 : 0;
}
