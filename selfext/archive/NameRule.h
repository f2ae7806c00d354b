#pragma once
// The rule for stored names: the stub extracts no entry whose name breaks it,
// and the packer stores none, so both sides hold one copy of it.

// True when `name` (a stored name, '/' or '\' separated) stays inside the
// directory it is extracted into: no drive or stream colon, no leading
// separator, no component made only of dots and blanks (the system would
// read "..", and trims "... " to it), and no device name such as CON or
// COM1, which would open the device instead of a file.
bool IsConfinedName(const char* name);
