// Dialog unit conversion.
#include "ui/painting/dialog_units.h"

namespace {

// units * base / divisor, rounded half away from zero.
int scale(int units, int base, int divisor) {
    long long product = static_cast<long long>(units) * base;
    long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

} // namespace

pixel_rect dialog_to_pixels(pixel_rect units, dialog_base_units base) {
    return {scale(units.x, base.x, 4), scale(units.y, base.y, 8), scale(units.width, base.x, 4),
            scale(units.height, base.y, 8)};
}
