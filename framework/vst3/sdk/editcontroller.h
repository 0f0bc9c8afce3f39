#pragma once

// IComponent and IEditController both declare getState/setState(IBStream*). A class that is both
// (SingleComponentEffect) needs two vtable entries, so the controller's pair is declared under
// the names getEditorState/setEditorState: the headers that declare it are read once, here, with
// the names swapped. Every file of ours that needs the edit-controller classes includes this
// header instead of the SDK's, so all of them agree on one declaration.

// Read unrenamed first, the declaration would already be fixed; fail loudly rather than build a
// class whose two state pairs silently share one vtable entry.
#if defined(kVstComponentControllerClass)
#error "ivsteditcontroller.h was included before editcontroller.h; include editcontroller.h first"
#endif

#include "pluginterfaces/vst/ivstcomponent.h"

#define getState getEditorState
#define setState setEditorState
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/vsteditcontroller.h"
#undef getState
#undef setState
