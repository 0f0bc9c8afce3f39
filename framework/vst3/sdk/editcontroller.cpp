// The SDK's edit controller, compiled under the same renaming as its declaration in
// editcontroller.h, so its definitions of the controller state pair become
// getEditorState/setEditorState.
#include "editcontroller.h"

#define getState getEditorState
#define setState setEditorState
#include "public.sdk/source/vst/vsteditcontroller.cpp"
