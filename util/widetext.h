// UTF-8 and the UTF-16 of Windows' wide calls (Windows code only).
#pragma once

#include <string>

// "" for text that is not valid UTF-8 (or UTF-16).
std::wstring FxWideFromUtf8(const char* utf8);
std::string FxUtf8FromWide(const wchar_t* wide);
