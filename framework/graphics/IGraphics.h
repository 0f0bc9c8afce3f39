// The platform-independent editor: an ordered list of controls, an off-screen surface, dirty
// tracking, mouse routing, parameter binding in both directions, the process-wide bitmap and
// font caches and the drawing primitives controls use. A platform subclass supplies the window,
// the screen copy, menus, text entry and resource loading.
//
// Threads. Everything here runs on the user-interface thread except SetParameterFromPlug, which
// the host's processing thread also calls (under the plug-in mutex). That call touches no
// control: it stores the value in a per-parameter atomic slot and raises a flag. The user-
// interface entry points (PrepDraw, IsDirty, Draw, the mouse and key events, OnGUIIdle) first
// hand every pending value to the controls, so control fields are only ever read and written on
// one thread, and the newest host value is what a redraw or an edit starts from.
//
// Files. IGraphics.cpp holds the controls, the draw bitmap and the redraw passes;
// IGraphicsParams.cpp parameter values between plug-in and controls and the prompts that edit
// them; IGraphicsBitmaps.cpp loading and drawing bitmaps; IGraphicsDrawing.cpp the other
// primitives; IGraphicsText.cpp fonts and text; IGraphicsInput.cpp mouse and key events.
// BitmapStorage and FontStorage are the caches.
#pragma once

#include "framework/core/IEditorLink.h"
#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphicsStructs.h"
#include "framework/graphics/IPanelMenu.h"
#include "framework/graphics/IPopupMenu.h"
#include "util/fxstring.h"
#include "util/ptrlist.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class IFxBase;
class IParam;
class Raster_IBitmap;
class Raster_CachedFont;

const int DEFAULT_FPS = 25;

// Where the artwork drawn at 2x is kept beside a bitmap: "resources/img/IN.png" has it in
// "resources/img/IN@2x.png".
std::string HiResArtworkName(const char* name);

class IGraphics : public IEditorLink
{
public:
    IGraphics(IFxBase* plug, int width, int height, int refreshFPS = 0);
    ~IGraphics() override;
    IGraphics(const IGraphics&) = delete;
    IGraphics& operator=(const IGraphics&) = delete;

    // ---- platform operations
    // Copies the painted area of the draw bitmap to the screen.
    virtual bool DrawScreen(const IRECT& rect) = 0;
    virtual bool MeasureIText(IText* text, const char* str, IRECT* destRect);
    virtual void ForceEndUserEdit() = 0;
    virtual void Resize(int width, int height);
    virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
    virtual const char* GetGUIAPI() { return ""; }
    virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
    // Shows the menu; answers the menu (or submenu) in which an item was chosen, or null.
    virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect) = 0;
    virtual void CreateTextEntry(IControl* control, const IText& text, const IRECT& rect,
                                 const char* str, IParam* param) = 0;
    virtual void HostPath(FxString* path) = 0;
    virtual void PluginPath(FxString* path) = 0;
    virtual void DesktopPath(FxString* path) = 0;
    virtual void AppSupportPath(FxString* path, bool isSystem = false) = 0;
    virtual void SandboxSafeAppSupportPath(FxString* path) = 0;
    virtual void PromptForFile(FxString* file, EFileAction action, FxString* dir,
                               const char* extensions) = 0;
    virtual bool PromptForColor(IColor* color, const char* prompt) = 0;
    virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
                         const char* confirmMsg = nullptr,
                         const char* errMsgOnFailure = nullptr) = 0;
    virtual void* OpenWindow(void* parent) = 0;
    virtual void* OpenWindow(void*, void*, short = 0, short = 0) { return nullptr; }
    virtual void AttachSubWindow(void*) {}
    virtual void RemoveSubWindow() {}
    virtual void CloseWindow() = 0;
    virtual void* GetWindow() = 0;
    virtual bool GetTextFromClipboard(FxString* str) = 0;
    virtual void HideMouseCursor() {}
    virtual void ShowMouseCursor() {}
    virtual void UpdateTooltips() = 0;
    // Loads a resource image; null when it is missing or cannot be decoded.
    virtual Raster_IBitmap* OSLoadBitmap(int ID, const char* name) = 0;

    // ---- scale
    // Draws the editor at scale on screen from now on (anything but IsEditorScale is refused and
    // changes nothing). Layout, control rectangles and event positions stay in editor pixels;
    // only the draw bitmap and what is drawn into it grow. Everything is redrawn.
    virtual bool SetScale(double scale);
    double GetScale() const { return mScale; }
    // The size of the draw bitmap: the editor's size at its scale.
    int ScaledWidth() const { return ScaledLength(mWidth, mScale); }
    int ScaledHeight() const { return ScaledLength(mHeight, mScale); }
    // Right-clicking the background offers these zoom factors; choosing one draws at it and asks
    // the plug-in to resize the editor's window (ResizeGraphics with the scaled size).
    static const double kZoomFactors[3];
    // Adds a group of entries below the zoom entries of that menu, after those added before.
    void AddPanelMenuSection(std::unique_ptr<IPanelMenuSection> section);

    // ---- IEditorLink
    // Safe to call from any thread (see the note at the top of this file).
    void SetParameterFromPlug(int paramIdx, double value, bool normalized) override;
    void PrepDraw() override;

    // Hands the values the plug-in sent since the last call to the controls. Runs at the start of
    // every user-interface entry point; callers that read control values directly after
    // SetParameterFromPlug call it themselves.
    void ApplyPendingParamValues();

    // ---- controls
    int AttachControl(IControl* control);
    void AttachBackground(int ID, const char* name);
    void AttachPanelBackground(const IColor& color);
    void AttachKeyCatcher(IControl* control);
    IControl* GetControl(int idx) const { return mControls.Get(idx); }
    int GetNControls() const { return mControls.GetSize(); }
    void HideControl(int paramIdx, bool hide);
    void GrayOutControl(int paramIdx, bool gray);
    void ClampControl(int paramIdx, double lo, double hi, bool normalized);
    void SetStrictDrawing(bool strict);
    void SetAllControlsDirty();
    void AssignParamNameToolTips();
    void SetControlFromPlug(int controlIdx, double normalizedValue);
    void SetParameterFromGUI(int paramIdx, double normalizedValue);
    void PromptUserInput(IControl* control, IParam* param, IRECT* rect);
    void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* str);

    // ---- bitmaps (process-wide cache)
    IBitmap LoadIBitmap(int ID, const char* name, int nStates = 1,
                        bool framesAreHorizontal = false);
    void RetainBitmap(const IBitmap& bitmap);
    void ReleaseBitmap(const IBitmap& bitmap);
    IBitmap ScaleBitmap(const IBitmap& bitmap, int destW, int destH);
    IBitmap CropBitmap(const IBitmap& bitmap, const IRECT& rect);

    // ---- drawing (into the draw bitmap)
    bool DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                    const IChannelBlend* blend = nullptr);
    // frame is one-based.
    bool DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int frame = 1,
                    const IChannelBlend* blend = nullptr);
    bool DrawRotatedBitmap(const IBitmap& bitmap, int destCtrX, int destCtrY, double angle,
                           int yOffsetZeroDeg = 0, const IChannelBlend* blend = nullptr);
    bool DrawRotatedMask(const IBitmap& base, const IBitmap& mask, const IBitmap& top, int x, int y,
                         double angleDegrees, const IChannelBlend* blend = nullptr);
    bool DrawPoint(const IColor& color, float x, float y, const IChannelBlend* blend = nullptr,
                   bool antiAlias = false);
    bool ForcePixel(const IColor& color, int x, int y);
    IColor GetPoint(int x, int y);
    bool DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                  const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin,
                        float rMax, const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool DrawArc(const IColor& color, float cx, float cy, float r, float minAngle, float maxAngle,
                 const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool DrawCircle(const IColor& color, float cx, float cy, float r,
                    const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool RoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                   int cornerRadius, bool antiAlias);
    bool DrawRect(const IColor& color, const IRECT& rect);
    bool DrawVerticalLine(const IColor& color, int xi, int yLo, int yHi);
    bool DrawHorizontalLine(const IColor& color, int yi, int xLo, int xHi);
    bool DrawVerticalLine(const IColor& color, const IRECT& rect, float x);
    bool DrawHorizontalLine(const IColor& color, const IRECT& rect, float y);
    bool FillIRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend = nullptr);
    bool FillRoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                       int cornerRadius, bool antiAlias);
    bool FillCircle(const IColor& color, int cx, int cy, float r,
                    const IChannelBlend* blend = nullptr, bool antiAlias = false);
    bool FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                      const IChannelBlend* blend = nullptr);
    bool FillIConvexPolygon(const IColor& color, const int* x, const int* y, int npoints,
                            const IChannelBlend* blend = nullptr);
    // With measure, only computes the text's extent and rewrites rect to it.
    bool DrawIText(IText* text, const char* str, IRECT* rect, bool measure = false);
    Raster_Pixel* GetBits();
    Raster_IBitmap* GetDrawBitmap() const { return mDrawBitmap.get(); }
    // The font for a text style, from the process-wide cache (made on first use); also stored in
    // the style itself. Null when no native font can be made.
    static Raster_CachedFont* CacheFont(IText* text);

    // ---- events
    void OnMouseDown(int x, int y, const IMouseMod& mod);
    void OnMouseUp(int x, int y, const IMouseMod& mod);
    void OnMouseDrag(int x, int y, const IMouseMod& mod);
    void OnMouseDblClick(int x, int y, const IMouseMod& mod);
    void OnMouseWheel(int x, int y, const IMouseMod& mod, int delta);
    bool OnMouseOver(int x, int y, const IMouseMod& mod);
    void OnMouseOut();
    bool OnKeyDown(int x, int y, int key);
    int GetMouseControlIdx(int x, int y, bool mo = false);
    void ReleaseMouseCapture();
    void OnGUIIdle();
    // Whether any control must be drawn; rect receives the union of their areas.
    bool IsDirty(IRECT* rect);
    // Draws the controls that the area needs into the draw bitmap, then copies it to the screen.
    void Draw(const IRECT& area);

    // ---- plain state
    IFxBase* GetPlug() const { return mPlug; }
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int FPS() const { return mFPS; }
    bool GetStrictDrawing() const { return mStrict; }
    const IRECT& GetDrawRect() const { return mDrawRECT; }
    int GetMouseCapture() const { return mMouseCapture; }
    int GetMouseOver() const { return mMouseOver; }
    int GetMouseX() const { return mMouseX; }
    int GetMouseY() const { return mMouseY; }
    void HandleMouseOver(bool canHandle) { mHandleMouseOver = canHandle; }
    bool TooltipsEnabled() const { return mShowTooltips; }
    void EnableTooltips(bool enable) { mShowTooltips = enable; }
    IControl* GetKeyCatcher() const { return mKeyCatcher.get(); }

protected:
    void DeleteControls();
    // The draw bitmap is only held while it can be seen: made when a window opens or something
    // is drawn, released when the window closes. An editor that is never shown costs no surface.
    void MakeDrawBitmap();
    void ReleaseDrawBitmap();

private:
    struct ParamSlot
    {
        std::atomic<double> mValue{0.0};
        std::atomic<bool> mPending{false};
    };

    void ApplyValueFromPlug(int paramIdx, double normalizedValue);
    // How many draw-bitmap pixels wide a one-pixel line is at the current scale.
    int LineWidth() const;
    // The pixels bitmap is drawn from at the current scale and the factor they were drawn at:
    // the 2x artwork when the scale is above 1 and the bitmap has it, else the bitmap itself.
    Raster_IBitmap* ArtworkFor(const IBitmap& bitmap, int* artScale);
    void ShowPanelMenu(int x, int y);
    void DrawStrict(const IRECT& area);
    void DrawNonStrict();
    IParam* ParamOf(const IControl* control) const;

    FxPtrList<IControl> mControls;
    IFxBase* mPlug;
    IRECT mDrawRECT;
    std::unique_ptr<Raster_IBitmap> mDrawBitmap;
    std::unique_ptr<Raster_IBitmap> mTmpBitmap;
    int mWidth, mHeight, mFPS;
    double mScale = 1.0;
    int mMouseCapture = -1;
    int mMouseOver = -1;
    int mMouseX = 0, mMouseY = 0;
    bool mHandleMouseOver = false;
    bool mStrict = true;
    bool mShowTooltips = false;
    std::unique_ptr<IControl> mKeyCatcher;
    std::vector<std::unique_ptr<IPanelMenuSection>> mPanelMenuSections;

    // One slot per parameter of the plug-in, sized at construction and never reallocated, so the
    // processing thread can write into it while the user-interface thread reads.
    std::unique_ptr<ParamSlot[]> mParamSlots;
    int mNParamSlots = 0;
    std::atomic<bool> mAnyParamPending{false};
};
