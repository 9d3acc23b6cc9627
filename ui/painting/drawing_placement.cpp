// The picture rectangle.
#include "ui/painting/drawing_placement.h"

pixel_rect picture_rect(int cw, int ch, int bw, int bh) {
    if (cw <= 0 || ch <= 0 || bw <= 0 || bh <= 0) return {0, 0, 0, 0};
    double aspect = static_cast<double>(bw) / bh;
    int width_at_full_height = static_cast<int>(ch * aspect);
    int w = cw <= width_at_full_height ? cw : width_at_full_height;
    int h = static_cast<int>(w / aspect);
    int dw = static_cast<int>(w * 0.9);
    int dh = static_cast<int>(h * 0.9);
    return {(cw - dw) / 2, (ch - dh) / 2, dw, dh};
}
