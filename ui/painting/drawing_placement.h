// Where the geometry drawing goes in its control: 90 percent of the largest rectangle of
// the bitmap's proportions that fits the client area, centred.
#pragma once

#include "ui/painting/dialog_units.h"

// The destination of a bw x bh bitmap in a client area of cw x ch pixels. Every
// truncation is toward zero. An empty client area or bitmap gives an empty rectangle.
pixel_rect picture_rect(int cw, int ch, int bw, int bh);
