#pragma once
// Which faces of the environment map the mirror cube can read in a frame: a face no pixel of
// the frame samples need not be drawn for it.
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

// The face (0 to 5: +X, -X, +Y, -Y, +Z, -Z) the mirror's program reads for a reflected ray
// (render space): its lookup rule turns the ray into the direction the capture drew it along (a
// ray mostly along y keeps y, a little longer so that it wins a tie, with x and z swapped and
// turned; any other ray has z turned: the capture draws the view along -Z into +Z), then the
// cube map reads the face of that direction's longest axis (a tie goes to x, then to y).
int mirrorFaceFor(const glm::vec3& reflected);

// The faces (bit i: face i) the mirror cube can sample in a frame seen from `eye` (render
// space) through `viewProjection`, at a viewport `viewportHeight` pixels high with a vertical
// field of view of `fovDegrees`: none when the cube lies outside the view, else a bound of the
// faces the reflected rays of its visible sides can select. Conservative: it may name a face no
// pixel samples, never leaves out one a pixel may sample.
unsigned int mirrorFacesInView(const glm::vec3& eye, const glm::mat4& viewProjection, float fovDegrees,
                               int viewportHeight);
