// Restores the real platform table when a test that replaced entries ends.
#pragma once

#include "core/Platform.h"

class PlatformOverride {
public:
    PlatformOverride() = default;
    ~PlatformOverride() { g_platform = DefaultPlatform(); }
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;
};
