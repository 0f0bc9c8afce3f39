// Editor controls: rectangular elements that hold a normalised value, may be bound to one
// parameter, draw themselves into the graphics context and react to the events it routes to them.
// Controls live on the user-interface thread only; the graphics context hands them the values
// the host sets (see IGraphics::SetParameterFromPlug).
#pragma once

#include "framework/graphics/IGraphicsStructs.h"
#include "util/fxstring.h"

#include <vector>

class IFxBase;
class IGraphics;
class IParam;
class ITextControl;

const double DEFAULT_GEARING = 4.0;

class IControl
{
public:
    struct AuxParam
    {
        double mValue = -1.0;
        int mParamIdx;
        explicit AuxParam(int idx) : mParamIdx(idx) {}
    };

    IControl(IFxBase* plug, const IRECT& rect, int paramIdx = -1,
             IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);
    virtual ~IControl() = default;
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    virtual void OnMouseDown(int x, int y, const IMouseMod& mod);
    virtual void OnMouseUp(int, int, const IMouseMod&) {}
    virtual void OnMouseDrag(int, int, int, int, const IMouseMod&) {}
    virtual void OnMouseDblClick(int x, int y, const IMouseMod& mod);
    virtual void OnMouseWheel(int, int, const IMouseMod&, int) {}
    virtual bool OnKeyDown(int, int, int) { return false; }
    virtual void OnMouseOver(int, int, const IMouseMod&) {}
    virtual void OnMouseOut() {}
    virtual bool Draw(IGraphics* graphics) = 0;
    virtual void SetValueFromPlug(double value);
    virtual void SetValueFromUserInput(double value);
    // Called with the typed text when a text entry ends for a control without a parameter.
    virtual void TextFromTextEntry(const char*) {}
    virtual void Hide(bool hide);
    virtual void GrayOut(bool gray);
    virtual bool IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }
    // Clamps the value and marks the control for drawing; with push, also sends the value to the
    // plug-in and refreshes the value and name displays.
    virtual void SetDirty(bool pushParamToPlug = true);
    virtual void SetClean();
    virtual bool IsDirty() { return mDirty; }
    virtual void OnGUIIdle() {}
    virtual void SetAuxParamValueFromPlug(int auxParamIdx, double value);

    void PromptUserInput();
    void PromptUserInput(IRECT* rect);

    int AddAuxParam(int paramIdx);
    int AuxParamIdx(int paramIdx) const;
    AuxParam* GetAuxParam(int slot);
    int NAuxParams() const { return static_cast<int>(mAuxParams.size()); }
    void SetAllAuxParamsFromGUI();

    int ParamIdx() const { return mParamIdx; }
    IParam* GetParam() const;
    IFxBase* GetPlug() const { return mPlug; }
    IGraphics* GetGUI() const { return mGraphics; }
    // Set by IGraphics::AttachControl: the context that owns and draws this control.
    void SetGUI(IGraphics* graphics) { mGraphics = graphics; }

    double GetValue() const { return mValue; }
    double GetDefaultValue() const { return mDefaultValue; }
    void SetValue(double value) { mValue = value; }
    void Clamp(double lo, double hi)
    {
        mClampLo = lo;
        mClampHi = hi;
    }
    const IRECT* GetRECT() const { return &mRECT; }
    const IRECT* GetTargetRECT() const { return &mTargetRECT; }
    void SetTargetArea(const IRECT& rect) { mTargetRECT = rect; }
    const IChannelBlend* GetBlend() const { return &mBlend; }
    IText* GetText() { return &mText; }
    void SetText(const IText& text) { mText = text; }
    int GetTextEntryLength() const { return mTextEntryLength; }
    void SetTextEntryLength(int length) { mTextEntryLength = length; }

    bool IsHidden() const { return mHide; }
    bool IsGrayed() const { return mGrayed; }
    bool GetMOWhenGrayed() const { return mMOWhenGrayed; }
    void SetMOWhenGrayed(bool enable) { mMOWhenGrayed = enable; }
    bool MouseDblAsSingleClick() const { return mDblAsSingleClick; }
    bool IsPromptDisabled() const { return mDisablePrompt; }
    void DisablePrompt(bool disable) { mDisablePrompt = disable; }

    void SetValDisplayControl(ITextControl* control) { mValDisplayControl = control; }
    void SetNameDisplayControl(ITextControl* control) { mNameDisplayControl = control; }
    const char* GetTooltip() const { return mTooltip.Get(); }
    void SetTooltip(const char* tooltip) { mTooltip.Set(tooltip); }

protected:
    int mTextEntryLength = 7;
    IText mText;
    IFxBase* mPlug;
    IGraphics* mGraphics = nullptr;
    IRECT mRECT;
    IRECT mTargetRECT;
    int mParamIdx;
    std::vector<AuxParam> mAuxParams;
    double mValue = 0.0;
    double mDefaultValue = -1.0;
    double mClampLo = 0.0;
    double mClampHi = 1.0;
    bool mDirty = true;
    bool mHide = false;
    bool mGrayed = false;
    bool mRedraw = false;
    bool mDisablePrompt = true;
    bool mDblAsSingleClick = false;
    bool mMOWhenGrayed = false;
    IChannelBlend mBlend;
    ITextControl* mValDisplayControl = nullptr;
    ITextControl* mNameDisplayControl = nullptr;
    FxString mTooltip;
};

// ---- controls that only show (IBitmapControls.cpp)

// A plain colour fill (the panel background).
class IPanelControl : public IControl
{
public:
    IPanelControl(IFxBase* plug, const IRECT& rect, const IColor& color)
        : IControl(plug, rect), mColor(color)
    {
    }
    bool Draw(IGraphics* graphics) override;

private:
    IColor mColor;
};

// One frame of a bitmap strip, chosen by the value.
class IBitmapControl : public IControl
{
public:
    IBitmapControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                   IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);
    IBitmapControl(IFxBase* plug, int x, int y, const IBitmap& bitmap,
                   IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone)
        : IBitmapControl(plug, x, y, -1, bitmap, blendMethod)
    {
    }
    bool Draw(IGraphics* graphics) override;
    const IBitmap& GetBitmap() const { return mBitmap; }

protected:
    IBitmap mBitmap;
};

// ---- switches and buttons (ISwitchControls.cpp)

// Steps through its frames on each click, wrapping to the first after the last.
class ISwitchControl : public IBitmapControl
{
public:
    using IBitmapControl::IBitmapControl;
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;
};

// A switch that asks for its value through a prompt.
class ISwitchPopUpControl : public ISwitchControl
{
public:
    ISwitchPopUpControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                        IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
};

// A switch whose area is cut into one part per frame; a click picks that part's value.
class ISwitchFramesControl : public ISwitchControl
{
public:
    ISwitchFramesControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                         bool imagesAreHorizontal = false,
                         IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;

private:
    std::vector<IRECT> mRECTs;
};

// An area with no drawing that toggles its parameter.
class IInvisibleSwitchControl : public IControl
{
public:
    IInvisibleSwitchControl(IFxBase* plug, const IRECT& rect, int paramIdx);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics*) override { return true; }
};

// A row or column of two-frame buttons of which exactly one is on.
class IRadioButtonsControl : public IControl
{
public:
    IRadioButtonsControl(IFxBase* plug, const IRECT& rect, int paramIdx, int nButtons,
                         const IBitmap& bitmap, EDirection direction = kVertical,
                         bool reverse = false);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics* graphics) override;
    const std::vector<IRECT>& GetButtonRECTs() const { return mRECTs; }

private:
    std::vector<IRECT> mRECTs;
    IBitmap mBitmap;
};

// A momentary button: back to 0 when the mouse is released.
class IContactControl : public ISwitchControl
{
public:
    using ISwitchControl::ISwitchControl;
    void OnMouseUp(int x, int y, const IMouseMod& mod) override;
};

// Shows its frame only while on; while off it is hit in its target area instead.
class IBitmapOverlayControl : public ISwitchControl
{
public:
    IBitmapOverlayControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                          const IRECT& targetArea);
    bool Draw(IGraphics* graphics) override;

private:
    IRECT mTargetArea;
};

// ---- fader (IFaderControl.cpp)

// A handle that slides along a track and follows the mouse.
class IFaderControl : public IControl
{
public:
    IFaderControl(IFxBase* plug, int x, int y, int len, int paramIdx, const IBitmap& bitmap,
                  EDirection direction = kVertical, bool onlyHandle = false);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, int delta) override;
    bool Draw(IGraphics* graphics) override;
    bool IsHit(int x, int y) override;
    int GetLength() const { return mLen; }
    int GetHandleHeadroom() const { return mHandleHeadroom; }
    IRECT GetHandleRECT(double value) const;

private:
    void SnapToMouse(int x, int y);

    int mLen;
    int mHandleHeadroom;
    IBitmap mBitmap;
    EDirection mDirection;
    bool mOnlyHandle;
};

// ---- knobs (IKnobControls.cpp)

// Turned by dragging along its direction and by the wheel; draws nothing by itself.
class IKnobControl : public IControl
{
public:
    IKnobControl(IFxBase* plug, const IRECT& rect, int paramIdx, EDirection direction = kVertical,
                 double gearing = DEFAULT_GEARING);
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, int delta) override;
    void SetGearing(double gearing) { mGearing = gearing; }

protected:
    EDirection mDirection;
    double mGearing;
};

// A line from the centre outwards at the angle the value gives.
class IKnobLineControl : public IKnobControl
{
public:
    IKnobLineControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IColor& color,
                     double innerRadius = 0.0, double outerRadius = 0.0,
                     double minAngle = -0.75 * 3.14159265358979323846,
                     double maxAngle = 0.75 * 3.14159265358979323846,
                     EDirection direction = kVertical, double gearing = DEFAULT_GEARING);
    bool Draw(IGraphics* graphics) override;

private:
    IColor mColor;
    float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

// A bitmap rotated about the control's centre.
class IKnobRotaterControl : public IKnobControl
{
public:
    IKnobRotaterControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                        double minAngle = -0.75 * 3.14159265358979323846,
                        double maxAngle = 0.75 * 3.14159265358979323846, int yOffsetZeroDeg = 0,
                        EDirection direction = kVertical, double gearing = DEFAULT_GEARING);
    bool Draw(IGraphics* graphics) override;

private:
    IBitmap mBitmap;
    double mMinAngle, mMaxAngle;
    int mYOffset;
};

// One frame of a bitmap strip, chosen by the value: the editor's knobs.
class IKnobMultiControl : public IKnobControl
{
public:
    IKnobMultiControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                      EDirection direction = kVertical, double gearing = DEFAULT_GEARING);
    bool Draw(IGraphics* graphics) override;
    const IBitmap& GetBitmap() const { return mBitmap; }

protected:
    IBitmap mBitmap;
};

// A mask rotated between a fixed base and a fixed top bitmap.
class IKnobRotatingMaskControl : public IKnobControl
{
public:
    IKnobRotatingMaskControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& base,
                             const IBitmap& mask, const IBitmap& top, double minAngle = -135.0,
                             double maxAngle = 135.0, EDirection direction = kVertical,
                             double gearing = DEFAULT_GEARING);
    bool Draw(IGraphics* graphics) override;

private:
    IBitmap mBase, mMask, mTop;
    double mMinAngle, mMaxAngle;
};

// ---- text (ITextControls.cpp)

class ITextControl : public IControl
{
public:
    ITextControl(IFxBase* plug, const IRECT& rect, const IText& text, const char* str = "");
    void SetTextFromPlug(const char* str);
    void ClearTextFromPlug() { SetTextFromPlug(""); }
    const char* GetTextForDisplay() const { return mStr.Get(); }
    bool Draw(IGraphics* graphics) override;

protected:
    FxString mStr;
};

// The bound parameter's value as text; a click opens its prompt.
class ICaptionControl : public ITextControl
{
public:
    ICaptionControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IText& text,
                    bool showParamLabel = true);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics* graphics) override;

private:
    bool mShowParamLabel;
};

// Text drawn from a bitmap font: one frame per character, starting with the space.
class IBitmapTextControl : public IControl
{
public:
    IBitmapTextControl(IFxBase* plug, const IRECT& rect, const IBitmap& bitmap,
                       const char* str = "", const IText* text = nullptr, int charWidth = 6,
                       int charHeight = 12, int charOffset = 0, bool multiLine = false,
                       bool vCenter = true);
    void SetTextFromPlug(const char* str);
    bool Draw(IGraphics* graphics) override;

private:
    FxString mStr;
    IBitmap mTextBitmap;
    int mCharWidth, mCharHeight, mCharOffset;
    bool mMultiLine, mVCentre;
};

// Draws text with a bitmap font into rect; answers whether anything could be drawn.
bool DrawBitmapedText(IGraphics* graphics, const IBitmap& bitmap, const IRECT& rect,
                      const IText& text, const IChannelBlend* blend, const char* str,
                      bool vCenter = true, bool multiline = false, int charWidth = 6,
                      int charHeight = 12, int charOffset = 0);

// ---- controls that hand a click to the platform (IURLControl.cpp, IFileSelectorControl.cpp)

// Opens a web address (or its back-up) when clicked.
class IURLControl : public IControl
{
public:
    static constexpr int kURLLen = 512;
    IURLControl(IFxBase* plug, const IRECT& rect, const char* url, const char* backupURL = nullptr,
                const char* errMsgOnFailure = nullptr);
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics*) override { return true; }

private:
    char mURL[kURLLen] = {};
    char mBackupURL[kURLLen] = {};
    char mErrMsg[kURLLen] = {};
};

class IFileSelectorControl : public IControl
{
public:
    enum EFileSelectorState
    {
        kFSNone,
        kFSSelecting,
        kFSDone
    };

    IFileSelectorControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IBitmap& bitmap,
                         EFileAction action, const char* dir = "", const char* extensions = "");
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    bool Draw(IGraphics* graphics) override;
    bool IsDirty() override;
    void GetLastSelectedFileForPlug(FxString* str) const { str->Set(mFile.Get()); }
    void SetLastSelectedFileFromPlug(const char* file) { mFile.Set(file); }

private:
    IBitmap mBitmap;
    FxString mDir, mFile, mExtensions;
    EFileAction mFileAction;
    EFileSelectorState mState = kFSNone;
};
