// The view: which picture the frame routine draws (normal, shader effect,
// split screen, image swap), the zoom, and the polygon and texture-filter
// switches.  Every way the user changes them (console, buttons, menus, keys)
// ends in one of these operations.  Plain logic over the application state;
// the questions and notices go through the dialog API.
#pragma once

// Normal view, zoom reset.
void SetNormalView();
// Shader view with the chosen effect programs (re)loaded, zoom reset.  A
// program that fails to load leaves the shader view on regardless.
void SetShaderView();
// Split screen / image swap need the second camera (an "Info" box says so
// otherwise); leaving the other of the two asks first.  Zoom is reset.
void SwitchSplitScreen();
void SwitchImageSwap();

// Zoom works in normal view and in the magnifier effect of shader view.
bool ZoomAvailable();
// advance: 2x -> 4x -> 8x -> off.  !advance: reset zoom (the shift handed
// to the effects is kept).
void ZoomStep(bool advance);
inline void ResetZoom() { ZoomStep(false); }
// The zoom button and the middle mouse button: one step where zoom works.
void StepZoomIfAvailable();

// F11: starts or stops the fading switch between the two cameras.
void SwitchSwapTransition();

// GL_FILL <-> GL_LINE, applied at once.
void SwitchPolygonMode();
// GL_LINEAR <-> GL_NEAREST; every texture is made again with the new filter.
void SwitchTextureFilter();
