// Dialog units, the layout measure of the calculator's window templates: a quarter of
// the dialog font's average character width horizontally, an eighth of its character
// height vertically, so that a layout keeps its proportions with any desktop font.
#pragma once

struct pixel_rect {
    int x;
    int y;
    int width;
    int height;
    bool operator==(const pixel_rect &) const = default;
};

// The font's base units: the average character width and the character height in pixels.
struct dialog_base_units {
    int x;
    int y;
};

// A rectangle given in dialog units (x, y, width, height) in pixels, each coordinate
// rounded to the nearest pixel as dialog templates are laid out.
pixel_rect dialog_to_pixels(pixel_rect units, dialog_base_units base);
