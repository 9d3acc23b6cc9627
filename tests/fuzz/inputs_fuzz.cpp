// Fuzz target: arbitrary bytes as the seven field texts and the thickness, through
// validation and, when every field is accepted, through the whole calculation job with
// either variant. The bytes are split at
// 0xFF (a byte no UTF-8 text contains) and decoded as the command line decodes its
// arguments. A memory ceiling keeps every mesh small enough for a case to take
// milliseconds; larger problems take the not-enough-memory path, which is also a path
// worth exercising.
#include "core/base/alloc.h"
#include "core/base/messages.h"
#include "core/job/calc_job.h"
#include "input/read_inputs.h"
#include "input/utf8.h"
#include "studies/headless_dialog.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

class fuzz_dialog final : public headless_dialog {
  public:
    std::wstring texts[input_field_count];

    fuzz_dialog() : headless_dialog(texts) {}
    void set_calculate_enabled(bool enabled) override { enabled_ = enabled; }
    void append_line(const wchar_t *text) override {
        // Every line the core or validation sends must be a terminated text of the
        // formatting buffer's size at most.
        std::size_t length = 0;
        while (text[length] != L'\0')
            ++length;
        if (length >= message_buffer_size) std::abort();
    }
    void finished(const calc_outcome &outcome) override {
        if (outcome.ok && !(outcome.z0 == outcome.z0)) std::abort(); // a NaN result is no result
    }
    bool enabled() const { return enabled_; }

  private:
    bool enabled_ = true;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz_dialog fresh;
    calc_env limits;
    limits.memory_ceiling = std::size_t{256} << 10;
    calc_env env = calc_host_env(fresh, limits);

    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    for (std::wstring &text : fresh.texts) {
        std::size_t end = bytes.find('\xff');
        text = utf8_to_wide(bytes.substr(0, end));
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    }

    calc_params params{};
    if (read_inputs(fresh, &params, env) == 0) {
        calc_params entered = params;
        calc_thread(&fresh, &params, solver_variant::specified, env);
        if (!fresh.enabled()) std::abort(); // Calculate must come back after every run
        // The accurate variant on the same line, with the eighth text as the thickness.
        if (read_thickness(fresh.texts[field_index(input_field::t)], &entered, env) == 0) {
            calc_thread(&fresh, &entered, solver_variant::accurate, env);
            if (!fresh.enabled()) std::abort();
        }
    }
    if (core_alloc_live() != 0) std::abort();
    return 0;
}
