// Test support: captures what reaches the two message sinks, in order and by slot, and
// checks that every core allocation made during a test was released.
#pragma once

#include "core/base/alloc.h"
#include "core/base/process_env.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

enum class message_slot { error, info };

struct sink_line {
    message_slot slot;
    std::wstring text;
    bool operator==(const sink_line &) const = default;
};

inline std::vector<sink_line> &captured_lines() {
    static std::vector<sink_line> lines;
    return lines;
}

inline void capture_error(void *, const wchar_t *text) {
    captured_lines().push_back({message_slot::error, text});
}
inline void capture_info(void *, const wchar_t *text) {
    captured_lines().push_back({message_slot::info, text});
}

inline sink_line error_line(const wchar_t *text) {
    return {message_slot::error, text};
}
inline sink_line info_line(const wchar_t *text) {
    return {message_slot::info, text};
}

inline void PrintTo(const sink_line &line, std::ostream *os) {
    *os << (line.slot == message_slot::error ? "error: \"" : "info: \"");
    for (wchar_t c : line.text)
        *os << (c < 128 ? char(c) : '?');
    *os << '"';
}

// An environment whose sinks go to the capture, with test switches of its own.
struct captured_env {
    calc_faults faults;
    calc_env env;

    captured_env() {
        captured_lines().clear();
        env.sinks = {capture_error, capture_info, nullptr};
        env.faults = &faults;
    }
};

// Binds such an environment for the specified modules (and hands it to the others
// through env()), and checks on teardown that the core's heap holds no more blocks than
// it did before the test.
class core_test : public ::testing::Test {
  protected:
    void SetUp() override {
        binding_.emplace(captured_.env);
        live_at_start_ = core_alloc_live();
    }
    void TearDown() override {
        captured_.faults.arm(0);
        EXPECT_EQ(core_alloc_live(), live_at_start_) << "core blocks leaked";
        binding_.reset();
    }
    const std::vector<sink_line> &lines() const { return captured_lines(); }
    // The bound environment; a test may change its limits and switches.
    calc_env &env() { return captured_.env; }
    calc_faults &faults() { return captured_.faults; }

  private:
    captured_env captured_;
    long live_at_start_ = 0;
    std::optional<process_env_binding> binding_;
};

// The bits of a double, for comparisons that must hold to the last bit and tell +0.0
// from -0.0.
inline std::uint64_t bits(double value) {
    std::uint64_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}
