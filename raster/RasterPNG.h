// PNG decoding into 0xAARRGGBB bitmaps.
#pragma once

#include <cstddef>
#include <vector>

#include "raster/Raster.h"

// Largest image the loader accepts: any side above kRasterPNGMaxSide or more than
// kRasterPNGMaxPixels pixels is refused before any pixel memory is allocated. A side may be as
// long as any bitmap's: a knob strip of 61 frames at 2x is over 18000 pixels tall.
const int kRasterPNGMaxSide = kRasterMaxDimension;
const long long kRasterPNGMaxPixels = 1LL << 24;

// Decodes PNG data of the given size. Every colour type and bit depth is converted to 8-bit
// straight-alpha pixels; images without alpha (or transparency chunk) come out opaque.
// Fills bitmap when one is given (resizing it), else makes a Raster_MemBitmap with line
// alignment 4 that the caller owns. Answers the bitmap, or null for data that is not a
// complete, valid PNG within the size limits (a given bitmap's contents are then unspecified).
Raster_IBitmap* Raster_LoadPNGFromMemory(const void* data, std::size_t size,
                                         Raster_IBitmap* bitmap = nullptr);

// Reads the file and decodes it as above; null when the file cannot be read.
Raster_IBitmap* Raster_LoadPNG(const char* path, Raster_IBitmap* bitmap = nullptr);

// Encodes the bitmap as an 8-bit RGBA PNG (straight alpha, as stored). Answers false for a
// null or empty bitmap or an encoding error; out is then left empty.
bool Raster_WritePNGToMemory(Raster_IBitmap* bitmap, std::vector<unsigned char>* out);

// Writes the encoding above to a file; false if it cannot be written completely.
bool Raster_WritePNG(const char* path, Raster_IBitmap* bitmap);
