#include "DecodeInternal.h"
DecodeStatus DecodeLzh(EntryInput*, int32_t, ByteSink*, uint32_t*, DecodeWorkspace*) { return DecodeInputEnded; }
