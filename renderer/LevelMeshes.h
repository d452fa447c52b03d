#pragma once
// The level's renderable scene objects: one static mesh per rendered level object, kept in one
// list ordered by material so that a run of meshes sharing a material applies it once; and the
// sun. Render space is level space.
#include <memory>
#include <vector>

class Level;
class Shader;
class StaticMesh;

// Owned here: created by createLevelMeshes, freed by releaseLevelMeshes.
extern std::vector<StaticMesh*> levelMeshes;
// The sun box drawn at (0, 10, 200); null until Level::build (and after releaseLevelMeshes).
extern StaticMesh* sunMesh;

// One box mesh per object with isRendered, in list order, then sorted by material. An object
// whose material is not registered in materialMap gets no mesh and a console line; one whose
// texture coordinates are not 24 throws std::invalid_argument from createBoxGeometry. Needs a
// current OpenGL context and materialMap filled.
void createLevelMeshes(const Level& level);

// The sun: a 20 x 20 x 0.1 box at (0, 10, 200) with the "sun" material and boxTexCoords.
// Null, with a console line, when "sun" is not registered. Needs a current OpenGL context.
StaticMesh* createSunMesh();

// The caller has loaded the camera and light uniforms into the program (setLightUniforms).
// Makes the program current, applies each material once per run of meshes, draws every mesh.
void drawLevelMeshes(std::shared_ptr<Shader> shader);

// Makes the program current, applies the sun's material and draws the sun (if there is one).
void drawSunMesh(std::shared_ptr<Shader> shader);

// Shutdown, while the context exists: frees every level mesh and the sun mesh.
void releaseLevelMeshes();
