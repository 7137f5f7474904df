// The host's tray request record: 928 bytes at fixed offsets, the same on both builds. Hosts
// and the module share the one declaration of the public header, where every offset is asserted.
#pragma once
#include "NtfObj.h"
