#include "framework/platform/ViewHostRules.h"

#include "util/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
// The offsets between an unflipped view's point and the editor pixel it hits.
constexpr int kViewOffsetX = 2;
constexpr int kViewOffsetY = 3;

bool IsPngExtension(const char* extension)
{
    const char* png = "png";
    for (; *extension && *png; ++extension, ++png)
        if ((*extension | 0x20) != *png)
            return false;
    return !*extension && !*png;
}

// Characters (not bytes) in a UTF-8 string.
size_t CountChars(const char* s)
{
    size_t n = 0;
    for (; *s; ++s)
        if ((static_cast<unsigned char>(*s) & 0xC0) != 0x80)
            ++n;
    return n;
}
} // namespace

NativeRect NativeRect::Union(const NativeRect& o) const
{
    if (o.Empty())
        return *this;
    if (Empty())
        return o;
    const double l = std::min(x, o.x), t = std::min(y, o.y);
    const double r = std::max(x + w, o.x + o.w), b = std::max(y + h, o.y + o.h);
    return {l, t, r - l, b - t};
}

namespace
{
int Unscaled(int v, double scale)
{
    return scale == 1.0 ? v : static_cast<int>(std::floor(v / scale));
}
int UnscaledUp(int v, double scale)
{
    return scale == 1.0 ? v : static_cast<int>(std::ceil(v / scale));
}
} // namespace

void EditorPointFromView(const ViewGeometry& g, double px, double py, int* x, int* y)
{
    int sx, sy;
    if (g.flipped)
    {
        sx = static_cast<int>(px);
        sy = static_cast<int>(py);
    }
    else
    {
        sx = static_cast<int>(px) - kViewOffsetX;
        sy = g.height - static_cast<int>(py) - kViewOffsetY;
    }
    *x = Unscaled(sx, g.scale);
    *y = Unscaled(sy, g.scale);
}

void ViewPointFromEditor(const ViewGeometry& g, int x, int y, double* px, double* py)
{
    // The middle of the editor pixel's area on screen.
    const int sx = g.scale == 1.0 ? x : static_cast<int>(std::floor((x + 0.5) * g.scale));
    const int sy = g.scale == 1.0 ? y : static_cast<int>(std::floor((y + 0.5) * g.scale));
    if (g.flipped)
    {
        *px = sx;
        *py = sy;
        return;
    }
    *px = sx + kViewOffsetX;
    *py = g.height - sy - kViewOffsetY;
}

IRECT EditorRectFromView(const ViewGeometry& g, const NativeRect& r)
{
    const int x = static_cast<int>(r.x), y = static_cast<int>(r.y);
    const int w = static_cast<int>(r.w), h = static_cast<int>(r.h);
    const IRECT s =
        g.flipped ? IRECT(x, y, x + w, y + h) : IRECT(x, g.height - y - h, x + w, g.height - y);
    // Every editor pixel the area touches, so that painting it covers the whole area.
    return IRECT(Unscaled(s.L, g.scale), Unscaled(s.T, g.scale), UnscaledUp(s.R, g.scale),
                 UnscaledUp(s.B, g.scale));
}

NativeRect ViewRectFromEditor(const ViewGeometry& g, const IRECT& editor)
{
    const IRECT r = ScaledRect(editor, g.scale);
    if (g.flipped)
        return {double(r.L), double(r.T), double(r.W()), double(r.H())};
    return {double(r.L), double(g.height - r.B - 1), double(r.R - r.L + 1), double(r.B - r.T + 1)};
}

IMouseMod MouseModFromNative(unsigned modifiers, bool rightButtonEvent)
{
    const bool command = modifiers & kNativeCommand;
    return IMouseMod(!rightButtonEvent, rightButtonEvent || command, modifiers & kNativeShift,
                     modifiers & kNativeControl, modifiers & kNativeAlt);
}

int EditorKeyFromNative(int nativeKeyCode, const char* chars)
{
    switch (nativeKeyCode)
    {
    case kNativeKeySpace:
        return 0;
    case kNativeKeyUp:
        return 1;
    case kNativeKeyDown:
        return 2;
    case kNativeKeyLeft:
        return 3;
    case kNativeKeyRight:
        return 4;
    default:
        break;
    }
    if (!chars || CountChars(chars) != 1)
        return kKeyDrop;
    const char c = chars[0];
    if (c >= '0' && c <= '9')
        return c - 43;
    if (c >= 'A' && c <= 'Z')
        return c - 50;
    if (c >= 'a' && c <= 'z')
        return c - 82;
    return kKeyPassOn;
}

int WheelDeltaFromNative(double deltaY)
{
    return static_cast<int>(deltaY);
}

bool TextFilterAccepts(const NativeTextFilter& filter, const std::string& proposed)
{
    if (!filter.mAllowedChars.empty() &&
        proposed.find_first_not_of(filter.mAllowedChars) != std::string::npos)
        return false;
    if (filter.mMaxLength > 0 && static_cast<int>(CountChars(proposed.c_str())) > filter.mMaxLength)
        return false;
    if (filter.mMaxValue > 0 && std::atol(proposed.c_str()) > filter.mMaxValue)
        return false;
    return true;
}

int TimerIntervalMs(int fps)
{
    return 1000 / (fps > 0 ? fps : 25);
}

std::vector<std::string> MessageBoxButtons(int type)
{
    switch (type)
    {
    case 4:
        return {"Yes", "No"};
    case 3:
        return {"Yes", "No", "Cancel"};
    case 1:
        return {"OK", "Cancel"};
    default:
        return {"OK"};
    }
}

int MessageBoxAnswer(int pressedIndex)
{
    switch (pressedIndex)
    {
    case 0:
        return 1;
    case 1:
        return 7;
    case 2:
        return 2;
    default:
        return 0;
    }
}

std::string ResourceFileName(const char* name)
{
    if (!name)
        return "";
    const char* dot = std::strrchr(name, '.');
    if (!dot || !IsPngExtension(dot + 1))
        return "";
    const char* slash = std::strrchr(name, '/');
    return slash ? slash + 1 : name;
}

std::string FindBundleResource(const std::string& root, const char* name)
{
    const std::string file = ResourceFileName(name);
    if (root.empty() || file.empty())
        return "";
    for (const std::string& path : {root + "/" + name, root + "/" + file})
        if (FxIsReadableFile(path.c_str()))
            return path;
    return "";
}

std::vector<std::string> SplitFileTypes(const char* extensions)
{
    std::vector<std::string> types;
    std::string current;
    for (const char* c = extensions ? extensions : "";; ++c)
    {
        if (*c && *c != ' ')
        {
            current.push_back(*c);
            continue;
        }
        if (!current.empty())
            types.push_back(current);
        current.clear();
        if (!*c)
            break;
    }
    return types;
}

std::string ParentFolderWithSlash(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
}
