#pragma once
// Whether the sun is hidden behind the level: the frame pass asks before the lens flare draws.

// A ray from the camera towards the sun's sphere hits the sphere first (within 500 units).
// Physics space, against the level's static actors.
bool isSunVisible();
