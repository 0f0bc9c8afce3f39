#pragma once

#include <string>

// Standard base64 (RFC 4648 alphabet) with '=' padding.
std::string base64encode(const unsigned char* data, int size);

// Decodes text into exactly outSize bytes of out, which it zero-fills first. Decoding stops at
// the end of the text, at the first character outside the alphabet ('=' included), or when out
// is full. Returns the number of bytes decoded.
int base64decode(const char* text, unsigned char* out, int outSize);
