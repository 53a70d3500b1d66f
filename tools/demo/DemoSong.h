// The demo song that ships with the tracker (assets/demo/demo.quavex).
#pragma once

#include "module/Module.h"

// Replaces `module` with the demo song.
void ComposeDemoSong(Module& module);
