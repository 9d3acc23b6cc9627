// The free-charge-density chart: one bar per strip cell, red for the top strip and blue
// for the bottom strip, over the cells' whole horizontal extent and the whole range of
// values (the cells of the bare faces take part in the extents but are not drawn).
#pragma once

#include "core/base/calc_host.h"

#include <vector>

enum class bar_colour { red, blue };

// A bar as its edges in pixels: left and top inclusive, right and bottom exclusive.
// For a negative value top lies below bottom: the bar is the band between the two.
struct chart_bar {
    int left;
    int top;
    int right;
    int bottom;
    bar_colour colour;
    bool operator==(const chart_bar &) const = default;
};

// The bars for a client area of width x height pixels, top-strip cells first, each in
// index order. Values that are all equal, or a mesh without extent, leave no scale:
// then no bar is drawn.
std::vector<chart_bar> chart_bars(int width, int height, const plot_request &request);
