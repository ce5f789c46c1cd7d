#include "frontend/demomode.h"

static bool demo = false;

void setDemoMode(bool on)
{
    demo = on;
}

bool isDemoMode()
{
    return demo;
}
