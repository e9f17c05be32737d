// Tamboro Transcriber's editor is drawn, not painted from bitmaps: the module
// embeds no resources.
#include "toolkit/embedded_resources.h"

const EmbeddedResource* findEmbeddedResource(int32_t) { return nullptr; }
