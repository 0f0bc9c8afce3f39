#pragma once

#include <string>

// Growable zero-terminated text. The framework keeps labels and group names in it; Get() never
// returns null, so callers can hand it straight to C string functions.
class FxString
{
public:
    FxString() = default;
    explicit FxString(const char* text) { Set(text); }

    const char* Get() const { return mText.c_str(); }
    int GetLength() const { return static_cast<int>(mText.size()); }
    void Set(const char* text) { mText.assign(text ? text : ""); }
    void Append(const char* text) { mText.append(text ? text : ""); }

private:
    std::string mText;
};
