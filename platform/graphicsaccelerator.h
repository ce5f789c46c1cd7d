#pragma once

// Whether the machine has a graphics device that renders OpenGL itself; without one, OpenGL is
// emulated on the CPU.
bool hasGraphicsAccelerator();
