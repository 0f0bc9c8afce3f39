#include "framework/core/IParam.h"

#include "util/numeric.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
void CopyText(char* dst, const char* src)
{
    std::snprintf(dst, IParam::kTextLen, "%s", src ? src : "");
}
} // namespace

void IParam::SetTexts(const char* name, const char* label, const char* group)
{
    CopyText(mName, name);
    CopyText(mLabel, label);
    CopyText(mParamGroup, group);
}

void IParam::SetDefault(double value)
{
    mDefault = value;
    mValue.Set(value);
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, const char* group)
{
    if (mType == kTypeNone)
        mType = kTypeBool;
    SetTexts(name, label, group);
    SetDefault(defaultVal ? 1.0 : 0.0);
    mMin = 0.0;
    mMax = 1.0;
    mStep = 1.0;
    mShape = 1.0;
    mDisplayPrecision = 0;
    SetDisplayText(0, "off");
    SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultVal, int nEnums, const char* label,
                      const char* group)
{
    if (mType == kTypeNone)
        mType = kTypeEnum;
    SetTexts(name, label, group);
    SetDefault(defaultVal);
    mMin = 0.0;
    mMax = nEnums - 1 > 1 ? nEnums - 1 : 1;
    mStep = 1.0;
    mShape = 1.0;
    mDisplayPrecision = 0;
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label,
                     const char* group)
{
    if (mType == kTypeNone)
        mType = kTypeInt;
    SetTexts(name, label, group);
    SetDefault(defaultVal);
    mMin = minVal;
    mMax = static_cast<double>(maxVal) > minVal + 1.0 ? maxVal : minVal + 1.0;
    mStep = 1.0;
    mShape = 1.0;
    mDisplayPrecision = 0;
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal,
                        double step, const char* label, const char* group, double shape)
{
    if (mType == kTypeNone)
        mType = kTypeDouble;
    SetTexts(name, label, group);
    SetDefault(defaultVal);
    mMin = minVal;
    mMax = maxVal > minVal + step ? maxVal : minVal + step;
    mStep = step;
    // Count the decimals of the step; the product is formed in double on purpose, so that a step
    // such as 0.07 (not exactly representable) asks for the full six decimals.
    mDisplayPrecision = 0;
    for (double work = step; mDisplayPrecision < 6 && work != std::floor(work); work *= 10.0)
        ++mDisplayPrecision;
    SetShape(shape);
}

void IParam::SetShape(double shape)
{
    if (shape != 0.0)
        mShape = shape;
}

void IParam::SetDisplayText(int value, const char* text)
{
    DisplayText entry{value, {}};
    CopyText(entry.mText, text);
    mDisplayTexts.push_back(entry);
}

double IParam::GetNonNormalized(double normalizedValue) const
{
    // A host sets a linear parameter every block; pow(x, 1) is x exactly, without its cost.
    const double shaped = mShape == 1.0 ? normalizedValue : std::pow(normalizedValue, mShape);
    return (mMax - mMin) * shaped + mMin;
}

double IParam::ValueToSet(double normalizedValue) const
{
    double p = normalizedValue < 0.0 ? 0.0 : (normalizedValue > 1.0 ? 1.0 : normalizedValue);
    double value = GetNonNormalized(p);
    if (mType != kTypeDouble)
        value = std::floor(value / mStep + 0.5) * mStep;
    return value < mMax ? value : mMax;
}

void IParam::SetNormalized(double normalizedValue)
{
    if (std::isfinite(normalizedValue))
        mValue.Set(ValueToSet(normalizedValue));
}

double IParam::GetNormalized(double nonNormalizedValue) const
{
    double v =
        nonNormalizedValue < mMin ? mMin : (nonNormalizedValue < mMax ? nonNormalizedValue : mMax);
    return std::pow((v - mMin) / (mMax - mMin), 1.0 / mShape);
}

void IParam::SetClamped(double value)
{
    if (std::isnan(value))
        return;
    mValue.Set(value < mMin ? mMin : (value < mMax ? value : mMax));
}

double IParam::DBToAmp() const
{
    return std::exp(Value() * 0.1151292546497);
}

void IParam::GetBounds(double* minVal, double* maxVal) const
{
    if (minVal)
        *minVal = mMin;
    if (maxVal)
        *maxVal = mMax;
}

void IParam::GetDisplayForHost(double value, bool normalized, char* out, bool withDisplayText) const
{
    if (!out)
        return;
    // A stepped parameter shows the value that setting this position gives, not the position's
    // truncation; a double shows the position's own value.
    if (normalized)
        value = mType == kTypeDouble || !std::isfinite(value) ? GetNonNormalized(value)
                                                              : ValueToSet(value);
    if (withDisplayText)
    {
        const char* text = GetDisplayText(TruncToInt(value));
        if (text[0])
        {
            std::snprintf(out, kTextLen, "%s", text);
            return;
        }
    }
    if (mNegateDisplay)
        value = -value;
    if (mDisplayPrecision == 0)
        std::snprintf(out, kTextLen, "%d", TruncToInt(value));
    else
        std::snprintf(out, kTextLen, "%.*f", mDisplayPrecision, value);
}

const char* IParam::GetDisplayText(int value) const
{
    for (const DisplayText& entry : mDisplayTexts)
        if (entry.mValue == value)
            return entry.mText;
    return "";
}

const char* IParam::GetDisplayTextAtIdx(int idx, int* value) const
{
    if (idx < 0 || idx >= GetNDisplayTexts())
        return "";
    const DisplayText& entry = mDisplayTexts[static_cast<size_t>(idx)];
    if (value)
        *value = entry.mValue;
    return entry.mText;
}

bool IParam::MapDisplayText(const char* text, int* value) const
{
    if (!text)
        return false;
    for (const DisplayText& entry : mDisplayTexts)
        if (std::strcmp(entry.mText, text) == 0)
        {
            if (value)
                *value = entry.mValue;
            return true;
        }
    return false;
}

const char* IParam::GetLabelForHost() const
{
    return GetDisplayText(TruncToInt(Value()))[0] ? "" : mLabel;
}
