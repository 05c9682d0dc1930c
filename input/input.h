// Mouse, pointer drags, special keys and the thirteen button actions.
#pragma once

void OnMouseButton(int button, int state, int x, int y);
void OnMouseDrag(int x, int y);
void OnSpecialKey(int key, int x, int y);
void RunButtonAction(int index);
// The split-screen and image-swap switches (with their questions).
void SwitchSplitScreen();
void SwitchImageSwap();
