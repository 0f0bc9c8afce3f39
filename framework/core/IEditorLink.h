#pragma once

// What the plug-in base needs of an attached editor. The graphics context implements it; the base
// knows no more of the editor than this, so the core depends on no drawing code.
class IEditorLink
{
public:
    virtual ~IEditorLink() = default;
    // A parameter changed outside the editor: move its controls (value normalised or plain).
    virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;
    // Called once when the editor is attached, before anything is drawn.
    virtual void PrepDraw() = 0;
};
