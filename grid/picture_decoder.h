#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A picture decoded by the system's own decoders (Windows Imaging Component) and
// scaled to fit a box, ready to draw. Damaged or hostile bytes give a failure,
// never a crash: every step's result is checked, and only the scaled pixels are
// ever held.
struct DecodedPicture {
    // The picture's own size.
    UINT width = 0;
    UINT height = 0;
    // The scaled picture: 32-bit BGR pixels, top row first, on white where the
    // picture is transparent.
    UINT shown_width = 0;
    UINT shown_height = 0;
    std::vector<std::uint32_t> pixels;
};

// Decodes the first frame of the picture and scales it (never up) to fit
// `box_width` x `box_height`. False when the system cannot read it.
bool decode_picture(const std::string& bytes, int box_width, int box_height, DecodedPicture& out);

// The size that fits `width` x `height` into the box, keeping its proportions,
// never larger than it is; at least one pixel each way.
SIZE fitted_size(UINT width, UINT height, int box_width, int box_height);
