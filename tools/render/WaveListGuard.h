#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace veltar_render
{

// Reads n bytes at offset into dst; false where the file holds fewer.
using ByteReader = std::function<bool(int64_t offset, void* dst, size_t n)>;

// libsndfile (1.2) counts its way through the sub-chunks of a WAV file's LIST chunks in 32 bits.
// A sub-chunk size that wraps the count around passes its bounds check and turns into a jump
// backwards, and libsndfile reads the same bytes for ever: the renderer would hang. No real
// metadata has such a size, so the renderer refuses the file before libsndfile opens it.
//
// Walks a RIFF, RIFX or RF64 WAVE file's chunks as libsndfile does and answers why the file is
// refused, or an empty string for every file libsndfile reads to the end of its header.
std::string DamagedWaveList(const ByteReader& read, int64_t length);

} // namespace veltar_render
