#pragma once
// The three parameter-set classes in one include.

#include "devices/PXR500C.h"
#include "devices/PXR501.h"
#include "devices/PXR7x.h"
