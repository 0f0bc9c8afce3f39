#pragma once

#include "util/numeric.h"
#include "util/sharedvalue.h"

#include <vector>

// One automatable setting. Hosts and controls exchange a normalised position in [0, 1]; the value
// lives in the parameter's own units and is mapped through the shape curve
// value = (max - min) * position^shape + min.
class IParam
{
public:
    enum EParamKind
    {
        kTypeNone = 0,
        kTypeBool,
        kTypeInt,
        kTypeEnum,
        kTypeDouble
    };

    static constexpr int kTextLen = 32;

    void InitBool(const char* name, bool defaultVal, const char* label = "",
                  const char* group = "");
    void InitEnum(const char* name, int defaultVal, int nEnums, const char* label = "",
                  const char* group = "");
    void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "",
                 const char* group = "");
    void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                    const char* label = "", const char* group = "", double shape = 1.0);

    void SetShape(double shape);
    void SetDisplayText(int value, const char* text);
    void SetNegateDisplay(bool negate) { mNegateDisplay = negate; }
    bool GetNegateDisplay() const { return mNegateDisplay; }
    void SetCanAutomate(bool canAutomate) { mCanAutomate = canAutomate; }

    // Positions outside [0, 1] are clamped and a non-finite position is ignored, so a misbehaving
    // host cannot push the value outside its range or make it NaN.
    void SetNormalized(double normalizedValue);
    double GetNormalized() const { return GetNormalized(Value()); }
    double GetNormalized(double nonNormalizedValue) const;
    double GetNonNormalized(double normalizedValue) const;

    // Stores a value clamped to [min, max]. A NaN leaves the value as it was: state restored from a
    // corrupt chunk must not reach the audio path.
    void SetClamped(double value);

    double Value() const { return mValue.Get(); }
    int Int() const { return TruncToInt(Value()); }
    bool Bool() const { return Value() >= 0.5; }
    double DBToAmp() const;

    double GetMin() const { return mMin; }
    double GetMax() const { return mMax; }
    double GetStep() const { return mStep; }
    double GetShape() const { return mShape; }
    double GetDefault() const { return mDefault; }
    int GetPrecision() const { return mDisplayPrecision; }
    EParamKind Type() const { return mType; }
    bool GetCanAutomate() const { return mCanAutomate; }
    void GetBounds(double* minVal, double* maxVal) const;

    // Writes the text that shows value; out must hold at least kTextLen characters (longer texts
    // are cut there).
    void GetDisplayForHost(double value, bool normalized, char* out,
                           bool withDisplayText = true) const;
    void GetDisplayForHost(char* out, bool withDisplayText = true) const
    {
        GetDisplayForHost(Value(), false, out, withDisplayText);
    }

    const char* GetDisplayText(int value) const;
    const char* GetDisplayTextAtIdx(int idx, int* value = nullptr) const;
    int GetNDisplayTexts() const { return static_cast<int>(mDisplayTexts.size()); }
    bool MapDisplayText(const char* text, int* value) const;

    const char* GetNameForHost() const { return mName; }
    const char* GetLabelForHost() const;
    const char* GetParamGroupForHost() const { return mParamGroup; }

private:
    struct DisplayText
    {
        int mValue;
        char mText[kTextLen];
    };

    void SetTexts(const char* name, const char* label, const char* group);
    // The initialisers' default, which is also the value.
    void SetDefault(double value);
    // The value SetNormalized stores for a finite position.
    double ValueToSet(double normalizedValue) const;

    EParamKind mType = kTypeNone;
    // Hosts set values from their UI thread without a lock while the audio thread reads and writes
    // them under the plug-in mutex.
    FxSharedValue<double> mValue;
    double mMin = 0.0;
    double mMax = 1.0;
    double mStep = 1.0;
    double mShape = 1.0;
    double mDefault = 0.0;
    int mDisplayPrecision = 0;
    char mName[kTextLen] = {};
    char mLabel[kTextLen] = {};
    char mParamGroup[kTextLen] = {};
    bool mNegateDisplay = false;
    bool mCanAutomate = true;
    std::vector<DisplayText> mDisplayTexts;
};
