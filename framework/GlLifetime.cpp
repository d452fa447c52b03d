#include "framework/GlLifetime.h"

namespace {
bool contextAlive = false;
}

bool glContextAlive() { return contextAlive; }

void setGlContextAlive(bool alive) { contextAlive = alive; }
