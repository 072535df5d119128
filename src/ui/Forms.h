#pragma once

class frmTokenManager;

// The Token Manager window over the running controller: created on first use, shown again while it
// is open.
frmTokenManager* ShowTokenManager();

// Whether the image picker is on screen (the carousel's mouse shortcuts then open nothing).
bool ImagePickerVisible();
