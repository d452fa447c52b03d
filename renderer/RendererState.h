#pragma once
// Every piece of global state of the renderer, one line each: the light, the level's materials
// and meshes, the renderer's singletons and its other function-local statics. The state layer's
// table (flags, fades, settings; state/GlobalState.h) is included as well. All of it belongs to
// the main thread. The headers included here must not include this file.
#include "renderer/Blur.h"
#include "renderer/DirectionalLight.h"
#include "renderer/EnvironmentMap.h"
#include "renderer/GuiImage.h"
#include "renderer/LensFlare.h"
#include "renderer/LevelMeshes.h"
#include "renderer/Material.h"
#include "renderer/ModelPasses.h"
#include "renderer/PlayerModel.h"
#include "renderer/Skybox.h"
#include "renderer/TextRenderer.h"
#include "state/GlobalState.h"

// ---- the light ------------------------------------------------------------------------------
// The scene's one directional light, made before main runs: colour defaultLightColor, direction
// along -z and a little down. The frame update rewrites its colour on every frame from
// blendFactor; the textured-mesh program reads "dirL.color" / "dirL.direction", the model
// programs its colour as "lightColor". Its start value, initialLight (RendererState.cpp), is
// constant: the reset copies it back.
extern DirectionalLight dirL;

// ---- the level's renderables: own OpenGL objects, so they are declared beside the functions
// that make and release them; not reset ------------------------------------------------------
//   materialMap    (Material.h)     the level's materials by name; filled once by
//                                   createLevelMaterials, then only read
//   levelMeshes    (LevelMeshes.h)  one static mesh per rendered level object, sorted by material
//   sunMesh        (LevelMeshes.h)  the sun's box; null until the level is built

// ---- singletons: function-local statics, made by the first getInstance call; they own OpenGL
// objects and give them back in shutdown's release step; not reset -------------------------
//   PlayerModel::getInstance()     the animated thief; the first call loads the model and its clips
//   Artifacts::getInstance()       the three collectibles and the compass; the first call loads them
//   Skybox::getInstance()          the sky cube map and the reflective cube's geometry
//   EnvironmentMap::getInstance()  the cube map the reflective cube shows: a capture recorded
//                                  after every fixed step, its faces drawn when a frame shows them
//   Overlay::getInstance()         the full-screen images: title, loading, failed, success, red,
//                                  pause
//   TextRenderer::getInstance()    the glyphs of the HUD and screen texts
//   LensFlare::getInstance()       the flare sprites; draws through the FlareRenderer, a
//                                  function-local static of LensFlare::LensFlare
//   Blur::getInstance()            the pause picture's two-pass blur

// ---- test seams (not reset) -----------------------------------------------------------------
//   environmentMapFaceSize  (EnvironmentMap.h)  the capture's face edge, 512; read when the
//                                               environment map is made

// ---- other function-local statics ------------------------------------------------------------
//   levelMaterialTable()           (Material.cpp) the level's material rows; constant
//   spawnCountGenerator()          (ParticleSystem.cpp) the random generator of the particle
//                                  spawn counts, seeded once from the system; not reset

// Tests: resetStateForTests(), then the light back to its initial value. The singletons and the
// level's renderables are not touched: a fixture that uses one puts its fields back itself (for
// the thief, PlayerModel::resetToIdle).
void resetRendererStateForTests();
// The same for a test window of width x height pixels (resetStateForTests(width, height)).
void resetRendererStateForTests(int width, int height);
