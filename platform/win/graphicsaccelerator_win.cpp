#include "platform/graphicsaccelerator.h"

bool hasGraphicsAccelerator()
{
    // Windows always has a display driver, and Qt falls back to its own renderers by itself
    // where that driver's OpenGL is missing.
    return true;
}
