// Charge profiles in core blocks.
#include "core/base/charge_profile.h"

#include "core/base/alloc.h"

#include <algorithm>

charge_profile *charge_profile_new(const calc_env &env, std::int32_t count) {
    charge_profile_ptr profile;
    if (count >= 0)
        profile.reset(static_cast<charge_profile *>(core_alloc(env, sizeof(charge_profile))));
    if (profile) {
        profile->count = count;
        profile->flat = false;
        profile->cells = static_cast<charge_cell *>(
            core_alloc(env, sizeof(charge_cell) * std::max<std::size_t>(std::size_t(count), 1)));
        if (profile->cells) return profile.release();
    }
    env_error(env, L"Not enough memory for the charge profile");
    return nullptr;
}

void charge_profile_free(charge_profile *profile) {
    if (!profile) return;
    core_release(profile->cells);
    core_release(profile);
}
