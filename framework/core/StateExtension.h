// What follows the state record (the state chunk and the bypass flag) in a host's project:
// settings of the session that presets and program files do not carry. Sections of a four-byte
// tag, a version and a length (32-bit little-endian), then that many bytes of fields; a reader
// steps over sections it does not know, and an older build, which reads only the record, ignores
// them all. Pure functions on bytes, shared by the plug-in and the tools that host it.
#pragma once

#include "framework/core/Oversampling.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The oversampling section, or nothing for the default choice (a project then holds the record
// alone, as before oversampling existed).
std::vector<uint8_t> EncodeOversamplingSection(const OversamplingChoice& choice);

// The oversampling choice the sections after a record hold. Found is false when there is none or
// when the sections are damaged, too short or of a version this build does not know; the choice is
// then the default. Whether the factors are ones the plug-in offers is the caller's to check.
OversamplingChoice DecodeOversamplingSection(const uint8_t* data, size_t size, bool* found);
