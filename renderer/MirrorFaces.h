#pragma once
// Which faces of the environment map the mirror cube can read in a frame: a face no pixel of
// the frame samples need not be drawn for it.
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

// The faces (bit i: face i) the mirror cube can sample in a frame seen from `eye` (render
// space) through `viewProjection`, at a viewport `viewportHeight` pixels high with a vertical
// field of view of `fovDegrees`: none when the cube lies outside the view, else a bound of the
// faces the reflected rays of its visible sides can select. Conservative: it may name a face no
// pixel samples, never leaves out one a pixel may sample.
unsigned int mirrorFacesInView(const glm::vec3& eye, const glm::mat4& viewProjection, float fovDegrees,
                               int viewportHeight);
