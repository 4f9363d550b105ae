// Pictures that declare sizes their few bytes do not hold, for the tests of the picture decoders.
#pragma once

#include <string>

// The JPEG with the width and height in its frame header changed: its data then ends long before
// the picture it declares.
inline std::string JpegDeclaring(std::string jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == '\xFF' && (jpeg[i + 1] == '\xC0' || jpeg[i + 1] == '\xC2')) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width);
            break;
        }
    return jpeg;
}
