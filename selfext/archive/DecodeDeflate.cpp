#include "DecodeInternal.h"
DecodeStatus DecodeDeflate(EntryInput*, ByteSink*, uint32_t*, DecodeWorkspace*) { return DecodeInputEnded; }
