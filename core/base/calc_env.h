// The environment one calculation runs in, as a record handed down the call chain (as
// Lua hands its lua_State to every function): where its text and its progress go, how
// much memory and how many threads it may take, the test switches that make it fail on
// purpose, and the flag that cancels it. Two runs with two records, a study on one
// thread and a calculation on another, share nothing.
#pragma once

#include <atomic>
#include <cstddef>

// A sink takes the context it was bound with and one zero-terminated wide text; what it
// does with them is the host's affair.
using message_sink = void (*)(void *context, const wchar_t *text);

// The two slots, failures and refusals (error) and progress and notes (info), with the
// context both are called with.
struct message_sinks {
    message_sink error;
    message_sink info;
    void *context;
};

enum class progress_phase { fill, invert };

// Receives the context it was bound with, the phase and the fraction of it done, in
// [0, 1]; called on the calculating threads (one of them at a time) and must return
// quickly.
using progress_sink = void (*)(void *context, progress_phase phase, double fraction);

// Test switches, shared by the runs that are given the same record: the fail_at-th
// allocation counted from the last arm() fails, and helper threads can be refused as
// when the system has none to give.
struct calc_faults {
    std::atomic<long> fail_at{0}; // 0: no allocation fails
    std::atomic<long> calls{0};   // allocations since the last arm()
    std::atomic<bool> refuse_helpers{false};

    // Makes the k-th allocation from now fail (k counted from 1); 0 turns it off.
    void arm(long k) {
        fail_at = k;
        calls = 0;
    }
};

struct calc_env {
    message_sinks sinks{nullptr, nullptr, nullptr}; // a null slot drops its texts
    progress_sink progress = nullptr;               // null: progress is not shown
    void *progress_context = nullptr;
    std::size_t memory_ceiling = 0;            // bytes a run may hold; 0: the machine's free memory
    int threads = 0;                           // threads a large job takes; 0: one per core
    calc_faults *faults = nullptr;             // null: nothing fails on purpose
    const std::atomic<bool> *cancel = nullptr; // set: the run stops at its next check
};

// Sends one text through the error slot or the info slot. Cannot fail.
void env_error(const calc_env &env, const wchar_t *text);
void env_info(const calc_env &env, const wchar_t *text);

// Reports the fraction done of a phase. Cannot fail.
void env_progress(const calc_env &env, progress_phase phase, double fraction);

// Whether the run has been asked to stop.
bool env_cancelled(const calc_env &env);
