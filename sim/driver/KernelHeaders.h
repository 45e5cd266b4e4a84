// The DDK headers as MinGW ships them, made to compile as C++: wdm.h defines two interlocked
// bit-test helpers that the compiler's intrinsic header would define first. Marking them as
// already defined leaves wdm.h's versions alone; the driver uses neither.
#pragma once

#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ntddk.h>
