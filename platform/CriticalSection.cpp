#include "platform/CriticalSection.h"

// The lock is header-only on this platform; this unit keeps the layer's file
// pairs uniform so another platform can put its implementation here.
