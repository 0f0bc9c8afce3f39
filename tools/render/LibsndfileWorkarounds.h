#pragma once

// Where the renderer steps around libsndfile: one place for each thing that libsndfile 1.2.0 (the
// version of Debian 12, the one they were found and tested with) does not do, or does in a way a
// reader of its files stumbles over. Check each one again when the build moves to another
// version; the tests of each show what it is for.
//
// - DamagedWaveList (WaveListGuard.cpp): libsndfile 1.2.0 goes round in circles on some damaged
//   WAV files; the renderer refuses them before libsndfile opens them.
// - AnnouncedFrames: libsndfile 1.2.0 reports only the frames a file holds; the length the header
//   claims is in its log text alone.
// - ExtendFloatFormatChunk: sox 14.4.2 warns about the format chunk of every float WAV file that
//   libsndfile 1.2.0 writes.

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace veltar_render
{

// Reads n bytes at offset into dst; false where the file holds fewer.
using ByteReader = std::function<bool(int64_t offset, void* dst, size_t n)>;

// libsndfile counts its way through the sub-chunks of a WAV file's LIST chunks in 32 bits. A
// sub-chunk size that wraps the count around passes its bounds check and turns into a jump
// backwards, and libsndfile reads the same bytes for ever: the renderer would hang. No real
// metadata has such a size, so the renderer refuses the file before libsndfile opens it.
//
// Walks a RIFF, RIFX or RF64 WAVE file's chunks as libsndfile does and answers why the file is
// refused, or an empty string for every file libsndfile reads to the end of its header.
std::string DamagedWaveList(const ByteReader& read, int64_t length);

// libsndfile reads what a cut-short file holds and notes in its log what the header claimed:
// "data : 192000 (should be 99956)". The claim in bytes gives the length the file announces, in
// frames; without such a line (another wording, too) the length libsndfile found.
int64_t AnnouncedFrames(SNDFILE* file, const SF_INFO& info);

// sox looks for a second size field at the end of the format chunk of an extensible float WAV
// file and warns without it ("wave header missing extended part of fmt chunk"); libsndfile
// writes none. Two zero bytes more at the end of the chunk satisfy sox and every other reader,
// which skip a chunk by its size. libsndfile follows the chunk with a 'fact' chunk and a 'PAD '
// chunk; the two bytes come out of the padding, so nothing else of the file moves. Patches the
// file open as fd in place, and leaves any other layout alone.
void ExtendFloatFormatChunk(int fd);

} // namespace veltar_render
