// Imports the generated model assets the way the game does and reports what
// the importer sees, so a broken export shows up before the game runs.
//
//   g++ -std=c++17 -O2 -o build-models/check_models tools/models/check_models.cpp -lassimp -lstb
//   build-models/check_models assets/models [--preview OUTDIR]
//
// Models are read with aiProcess_Triangulate | aiProcess_FlipUVs, clips with
// aiProcess_Triangulate only. The skinning below repeats the game's own
// evaluation: keys sampled per channel, local = T * R * S, walked from the
// clip's root node with the identity, final = global * offset, and at most the
// first four influences of a vertex. The exit status is non-zero when a check
// fails. --preview renders the bind pose, frames of each clip and the
// collectibles with their in-game transforms into PNG files (a small
// software rasteriser, no OpenGL needed).

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#define GLM_ENABLE_EXPERIMENTAL
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtx/quaternion.hpp>

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

int failures = 0;

void fail(const std::string& what) {
    std::printf("  FAIL: %s\n", what.c_str());
    ++failures;
}

glm::mat4 toGlm(const aiMatrix4x4& m) {
    // Assimp is row-major; glm is column-major: the same matrix.
    glm::mat4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) r[c][row] = m[row][c];
    return r;
}

bool fileExists(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0;
}

std::string dirOf(const std::string& p) {
    auto i = p.rfind('/');
    return i == std::string::npos ? p : p.substr(0, i);
}

// ------------------------------------------------------------ model data

struct SkinVertex {
    glm::vec3 pos, normal;
    glm::vec2 uv;
    int ids[4] = {-1, -1, -1, -1};
    float w[4] = {0, 0, 0, 0};
};

struct Texture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    glm::vec3 sample(glm::vec2 uv) const {
        if (w == 0) return glm::vec3(0.7f);
        float s = uv.x - std::floor(uv.x), t = uv.y - std::floor(uv.y);
        int x = std::min(w - 1, int(s * w)), y = std::min(h - 1, int(t * h));
        const unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
        return glm::vec3(p[0], p[1], p[2]) / 255.0f;
    }
};

struct LoadedMesh {
    std::vector<SkinVertex> vertices;
    std::vector<unsigned> indices;
    std::shared_ptr<Texture> texture;
};

struct BoneInfo {
    int id;
    glm::mat4 offset;
};

struct LoadedModel {
    std::vector<LoadedMesh> meshes;
    std::map<std::string, BoneInfo> boneMap;
    int boneCounter = 0;
    bool ok = false;
};

std::shared_ptr<Texture> loadTexture(const std::string& path) {
    auto t = std::make_shared<Texture>();
    int n = 0;
    unsigned char* data = stbi_load(path.c_str(), &t->w, &t->h, &n, 3);
    if (!data) {
        t->w = t->h = 0;
        return t;
    }
    t->rgb.assign(data, data + size_t(t->w) * t->h * 3);
    stbi_image_free(data);
    return t;
}

void collect(const aiNode* node, const aiScene* scene, LoadedModel& model, const std::string& dir) {
    for (unsigned i = 0; i < node->mNumMeshes; ++i) {
        const aiMesh* am = scene->mMeshes[node->mMeshes[i]];
        LoadedMesh m;
        m.vertices.resize(am->mNumVertices);
        for (unsigned v = 0; v < am->mNumVertices; ++v) {
            SkinVertex& sv = m.vertices[v];
            sv.pos = {am->mVertices[v].x, am->mVertices[v].y, am->mVertices[v].z};
            if (am->mNormals) sv.normal = {am->mNormals[v].x, am->mNormals[v].y, am->mNormals[v].z};
            if (am->mTextureCoords[0]) sv.uv = {am->mTextureCoords[0][v].x, am->mTextureCoords[0][v].y};
        }
        for (unsigned f = 0; f < am->mNumFaces; ++f)
            for (unsigned k = 0; k < am->mFaces[f].mNumIndices; ++k) m.indices.push_back(am->mFaces[f].mIndices[k]);
        const aiMaterial* mat = scene->mMaterials[am->mMaterialIndex];
        aiString path;
        if (mat->GetTextureCount(aiTextureType_DIFFUSE) > 0 && mat->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS)
            m.texture = loadTexture(dir + "/" + path.C_Str());
        for (unsigned b = 0; b < am->mNumBones; ++b) {
            const aiBone* bone = am->mBones[b];
            std::string name = bone->mName.C_Str();
            int id;
            auto it = model.boneMap.find(name);
            if (it == model.boneMap.end()) {
                id = model.boneCounter++;
                model.boneMap[name] = {id, toGlm(bone->mOffsetMatrix)};
            } else {
                id = it->second.id;
            }
            for (unsigned w = 0; w < bone->mNumWeights; ++w) {
                SkinVertex& sv = m.vertices[bone->mWeights[w].mVertexId];
                for (int s = 0; s < 4; ++s)
                    if (sv.ids[s] < 0) {
                        sv.ids[s] = id;
                        sv.w[s] = bone->mWeights[w].mWeight;
                        break;
                    }
            }
        }
        model.meshes.push_back(std::move(m));
    }
    for (unsigned c = 0; c < node->mNumChildren; ++c) collect(node->mChildren[c], scene, model, dir);
}

void collectNodeNames(const aiNode* n, std::set<std::string>& out) {
    out.insert(n->mName.C_Str());
    for (unsigned i = 0; i < n->mNumChildren; ++i) collectNodeNames(n->mChildren[i], out);
}

void nodeGlobals(const aiNode* n, const glm::mat4& parent, std::map<std::string, glm::mat4>& out) {
    glm::mat4 g = parent * toGlm(n->mTransformation);
    out[n->mName.C_Str()] = g;
    for (unsigned i = 0; i < n->mNumChildren; ++i) nodeGlobals(n->mChildren[i], g, out);
}

// ------------------------------------------------------------ animation

struct Track {
    std::vector<std::pair<float, glm::vec3>> pos, scl;
    std::vector<std::pair<float, glm::quat>> rot;
};

struct ClipNode {
    std::string name;
    glm::mat4 transform;
    std::vector<ClipNode> children;
};

struct Clip {
    float duration = 0;
    int ticksPerSecond = 0;
    std::map<std::string, Track> tracks;
    ClipNode root;
    bool ok = false;
};

void copyNodes(const aiNode* n, ClipNode& out) {
    out.name = n->mName.C_Str();
    out.transform = toGlm(n->mTransformation);
    out.children.resize(n->mNumChildren);
    for (unsigned i = 0; i < n->mNumChildren; ++i) copyNodes(n->mChildren[i], out.children[i]);
}

template <class T, class Mix>
T sampleTrack(const std::vector<std::pair<float, T>>& keys, float t, Mix mix, T fallback) {
    if (keys.empty()) return fallback;
    if (keys.size() == 1 || t <= keys.front().first) return keys.front().second;
    for (size_t k = 0; k + 1 < keys.size(); ++k) {
        if (keys[k + 1].first > t) {
            float f = (t - keys[k].first) / (keys[k + 1].first - keys[k].first);
            return mix(keys[k].second, keys[k + 1].second, f);
        }
    }
    return keys.back().second;  // at or past the last key: hold it
}

glm::mat4 localAt(const Track& tr, float t) {
    auto lin = [](const glm::vec3& a, const glm::vec3& b, float f) { return a * (1 - f) + b * f; };
    auto sl = [](const glm::quat& a, const glm::quat& b, float f) { return glm::normalize(glm::slerp(a, b, f)); };
    glm::vec3 p = sampleTrack(tr.pos, t, lin, glm::vec3(0));
    glm::quat q = sampleTrack(tr.rot, t, sl, glm::quat(1, 0, 0, 0));
    glm::vec3 s = sampleTrack(tr.scl, t, lin, glm::vec3(1));
    return glm::translate(glm::mat4(1), p) * glm::mat4_cast(q) * glm::scale(glm::mat4(1), s);
}

void computeBones(const ClipNode& n, const glm::mat4& parent, const Clip* clip, float t,
                  const std::map<std::string, BoneInfo>& boneMap, std::vector<glm::mat4>& out) {
    glm::mat4 local = n.transform;
    if (clip) {
        auto it = clip->tracks.find(n.name);
        if (it != clip->tracks.end()) local = localAt(it->second, t);
    }
    glm::mat4 global = parent * local;
    auto b = boneMap.find(n.name);
    if (b != boneMap.end() && b->second.id >= 0 && b->second.id < int(out.size())) out[b->second.id] = global * b->second.offset;
    for (const auto& c : n.children) computeBones(c, global, clip, t, boneMap, out);
}

Clip loadClip(const std::string& path) {
    Clip clip;
    Assimp::Importer imp;
    const aiScene* s = imp.ReadFile(path, aiProcess_Triangulate);
    if (!s || !s->mRootNode) {
        fail(path + ": " + imp.GetErrorString());
        return clip;
    }
    if (s->mFlags & AI_SCENE_FLAGS_INCOMPLETE) fail(path + ": scene flagged incomplete");
    copyNodes(s->mRootNode, clip.root);
    if (s->mNumAnimations == 0) {
        fail(path + ": no animation");
        return clip;
    }
    const aiAnimation* a = s->mAnimations[0];
    clip.duration = float(a->mDuration);
    clip.ticksPerSecond = int(a->mTicksPerSecond);
    for (unsigned c = 0; c < a->mNumChannels; ++c) {
        const aiNodeAnim* ch = a->mChannels[c];
        Track tr;
        for (unsigned k = 0; k < ch->mNumPositionKeys; ++k) {
            const auto& v = ch->mPositionKeys[k].mValue;
            tr.pos.push_back({float(ch->mPositionKeys[k].mTime), {v.x, v.y, v.z}});
        }
        for (unsigned k = 0; k < ch->mNumRotationKeys; ++k) {
            const auto& q = ch->mRotationKeys[k].mValue;
            tr.rot.push_back({float(ch->mRotationKeys[k].mTime), glm::quat(q.w, q.x, q.y, q.z)});
        }
        for (unsigned k = 0; k < ch->mNumScalingKeys; ++k) {
            const auto& v = ch->mScalingKeys[k].mValue;
            tr.scl.push_back({float(ch->mScalingKeys[k].mTime), {v.x, v.y, v.z}});
        }
        clip.tracks[ch->mNodeName.C_Str()] = tr;
    }
    std::printf("  animations %u; first: \"%s\" duration %.3f ticks, %.1f ticks/s (%.3f s), %u channels\n",
                s->mNumAnimations, a->mName.C_Str(), a->mDuration, a->mTicksPerSecond,
                a->mTicksPerSecond > 0 ? a->mDuration / a->mTicksPerSecond : 0.0, a->mNumChannels);
    std::printf("  channels:");
    for (unsigned c = 0; c < a->mNumChannels; ++c)
        std::printf(" %s(%u)", a->mChannels[c]->mNodeName.C_Str(), a->mChannels[c]->mNumRotationKeys);
    std::printf("\n");
    clip.ok = true;
    return clip;
}

// ------------------------------------------------------------ skinning

struct Tri {
    glm::vec3 p[3], n[3];
    glm::vec2 uv[3];
    const Texture* tex;
};

std::vector<Tri> skin(const LoadedModel& model, const std::vector<glm::mat4>* bones, const glm::mat4& world) {
    std::vector<Tri> tris;
    glm::mat3 nworld = glm::transpose(glm::inverse(glm::mat3(world)));
    for (const auto& m : model.meshes) {
        std::vector<glm::vec3> P(m.vertices.size()), N(m.vertices.size());
        for (size_t i = 0; i < m.vertices.size(); ++i) {
            const SkinVertex& v = m.vertices[i];
            glm::vec4 p(0), n(0);
            bool any = false;
            if (bones)
                for (int s = 0; s < 4; ++s) {
                    if (v.ids[s] < 0 || v.ids[s] >= int(bones->size())) continue;
                    any = true;
                    p += v.w[s] * ((*bones)[v.ids[s]] * glm::vec4(v.pos, 1));
                    n += v.w[s] * ((*bones)[v.ids[s]] * glm::vec4(v.normal, 0));
                }
            if (!any) {
                p = glm::vec4(v.pos, 1);
                n = glm::vec4(v.normal, 0);
            }
            P[i] = glm::vec3(world * glm::vec4(glm::vec3(p), 1));
            N[i] = glm::normalize(nworld * glm::vec3(n));
        }
        for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
            Tri t;
            for (int k = 0; k < 3; ++k) {
                unsigned id = m.indices[i + k];
                t.p[k] = P[id];
                t.n[k] = N[id];
                t.uv[k] = m.vertices[id].uv;
            }
            t.tex = m.texture.get();
            tris.push_back(t);
        }
    }
    return tris;
}

// ------------------------------------------------------------ rasteriser

struct Image {
    int w, h;
    std::vector<glm::vec3> c;
    std::vector<float> z;
    Image(int w_, int h_, glm::vec3 bg) : w(w_), h(h_), c(size_t(w_) * h_, bg), z(size_t(w_) * h_, 1e30f) {}
};

void draw(Image& img, int ox, int oy, int cw, int ch, const std::vector<Tri>& tris, const glm::mat4& viewProj,
          glm::vec3 lightDir) {
    lightDir = glm::normalize(lightDir);
    for (const Tri& t : tris) {
        glm::vec4 clip[3];
        bool behind = false;
        for (int k = 0; k < 3; ++k) {
            clip[k] = viewProj * glm::vec4(t.p[k], 1);
            if (clip[k].w < 0.05f) behind = true;
        }
        if (behind) continue;
        glm::vec3 s[3];
        for (int k = 0; k < 3; ++k) {
            glm::vec3 ndc = glm::vec3(clip[k]) / clip[k].w;
            s[k] = {ox + (ndc.x * 0.5f + 0.5f) * cw, oy + (1 - (ndc.y * 0.5f + 0.5f)) * ch, ndc.z};
        }
        float area = (s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[2].x - s[0].x) * (s[1].y - s[0].y);
        if (std::fabs(area) < 1e-9f) continue;
        int x0 = std::max(ox, int(std::floor(std::min({s[0].x, s[1].x, s[2].x}))));
        int x1 = std::min(ox + cw - 1, int(std::ceil(std::max({s[0].x, s[1].x, s[2].x}))));
        int y0 = std::max(oy, int(std::floor(std::min({s[0].y, s[1].y, s[2].y}))));
        int y1 = std::min(oy + ch - 1, int(std::ceil(std::max({s[0].y, s[1].y, s[2].y}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float px = x + 0.5f, py = y + 0.5f;
                float b0 = ((s[1].x - px) * (s[2].y - py) - (s[2].x - px) * (s[1].y - py)) / area;
                float b1 = ((s[2].x - px) * (s[0].y - py) - (s[0].x - px) * (s[2].y - py)) / area;
                float b2 = 1 - b0 - b1;
                if (b0 < 0 || b1 < 0 || b2 < 0) continue;
                float z = b0 * s[0].z + b1 * s[1].z + b2 * s[2].z;
                size_t i = size_t(y) * img.w + x;
                if (z >= img.z[i]) continue;
                img.z[i] = z;
                // perspective-correct attributes
                float q0 = b0 / clip[0].w, q1 = b1 / clip[1].w, q2 = b2 / clip[2].w, qs = q0 + q1 + q2;
                glm::vec2 uv = (t.uv[0] * q0 + t.uv[1] * q1 + t.uv[2] * q2) / qs;
                glm::vec3 n = glm::normalize((t.n[0] * q0 + t.n[1] * q1 + t.n[2] * q2) / qs);
                glm::vec3 base = t.tex ? t.tex->sample(uv) : glm::vec3(0.7f);
                float lit = 0.38f + 0.8f * std::max(0.0f, glm::dot(n, lightDir));
                img.c[i] = glm::min(base * lit, glm::vec3(1));
            }
    }
}

void savePng(const Image& img, const std::string& path) {
    std::vector<unsigned char> px(size_t(img.w) * img.h * 3);
    for (size_t i = 0; i < img.c.size(); ++i)
        for (int k = 0; k < 3; ++k) px[i * 3 + k] = (unsigned char)(std::clamp(img.c[i][k], 0.0f, 1.0f) * 255 + 0.5f);
    stbi_write_png(path.c_str(), img.w, img.h, 3, px.data(), img.w * 3);
    std::printf("  wrote %s\n", path.c_str());
}

// ------------------------------------------------------------ checks

LoadedModel loadModel(const std::string& path, bool print) {
    LoadedModel model;
    Assimp::Importer imp;
    const aiScene* s = imp.ReadFile(path, aiProcess_Triangulate | aiProcess_FlipUVs);
    if (!s || (s->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || !s->mRootNode) {
        fail(path + ": ERROR::ASSIMP:: " + imp.GetErrorString());
        return model;
    }
    collect(s->mRootNode, s, model, dirOf(path));
    model.ok = true;
    if (!print) return model;
    std::printf("  meshes %u, materials %u\n", s->mNumMeshes, s->mNumMaterials);
    for (unsigned i = 0; i < s->mNumMeshes; ++i) {
        const aiMesh* m = s->mMeshes[i];
        const aiMaterial* mat = s->mMaterials[m->mMaterialIndex];
        aiString tex;
        bool hasTex = mat->GetTextureCount(aiTextureType_DIFFUSE) > 0 &&
                      mat->GetTexture(aiTextureType_DIFFUSE, 0, &tex) == AI_SUCCESS;
        aiVector3D lo(1e30f), hi(-1e30f);
        for (unsigned v = 0; v < m->mNumVertices; ++v) {
            lo.x = std::min(lo.x, m->mVertices[v].x), hi.x = std::max(hi.x, m->mVertices[v].x);
            lo.y = std::min(lo.y, m->mVertices[v].y), hi.y = std::max(hi.y, m->mVertices[v].y);
            lo.z = std::min(lo.z, m->mVertices[v].z), hi.z = std::max(hi.z, m->mVertices[v].z);
        }
        std::printf("  mesh %u \"%s\": %u vertices, %u faces, normals %s, uvs %s, bones %u, diffuse \"%s\"%s\n", i,
                    m->mName.C_Str(), m->mNumVertices, m->mNumFaces, m->mNormals ? "yes" : "NO",
                    m->mTextureCoords[0] ? "yes" : "NO", m->mNumBones, hasTex ? tex.C_Str() : "(none)",
                    hasTex ? (fileExists(dirOf(path) + "/" + tex.C_Str()) ? " (found)" : " (MISSING)") : "");
        std::printf("    bounds (%.3f %.3f %.3f) .. (%.3f %.3f %.3f)\n", lo.x, lo.y, lo.z, hi.x, hi.y, hi.z);
        if (!m->mNormals) fail("mesh without normals");
        if (!m->mTextureCoords[0]) fail("mesh without texture coordinates");
        if (!hasTex) fail("material without a diffuse texture");
        else if (!fileExists(dirOf(path) + "/" + tex.C_Str())) fail(std::string("texture missing: ") + tex.C_Str());
        if (hasTex && std::string(tex.C_Str()).rfind("textures", 0) == 0) fail("texture path starts with \"textures\"");
    }
    return model;
}

struct CollectibleDraw {
    const char* dir;
    float scale;
    // the draw transform without translation and spin, as the collectibles pass builds it
    glm::mat4 (*orient)(float spinDeg);
    glm::vec3 position;
};

glm::mat4 bagOrient(float a) {
    return glm::rotate(glm::rotate(glm::mat4(1), glm::radians(270.0f), {1, 0, 0}), glm::radians(a), {0, 0, 1});
}
glm::mat4 mapOrient(float a) {
    return glm::rotate(glm::rotate(glm::mat4(1), glm::radians(a), {0, 1, 0}), glm::radians(90.0f), {0, 0, 1});
}
glm::mat4 compassOrient(float a) { return glm::rotate(glm::mat4(1), glm::radians(2 * a), {0, 1, 0}); }

const CollectibleDraw kCollectibles[] = {
    {"bagOfGold", 0.06f, bagOrient, {-18, -1.5f, 54}},
    {"treasureChest", 0.012f, bagOrient, {0, -1.56f, 69.5f}},
    {"treasureMap", 0.08f, mapOrient, {22, -0.95f, 52}},
    {"compass", 0.09f, compassOrient, {0, 1, 105}},
};

glm::mat4 playerMatrix(glm::vec3 controller, float yawDeg) {
    glm::vec3 t(controller.x, controller.y - 0.9f, -controller.z);
    if (t.y > -2.24f) t.y = -2.24f;
    return glm::rotate(glm::scale(glm::translate(glm::mat4(1), t), glm::vec3(1.2f)), glm::radians(yawDeg + 90.0f),
                       {0, 1, 0});
}

// The game's view: rows right, up, front; translation by (-x, -y, +z) of the
// physics-space eye.
glm::mat4 gameView(glm::vec3 eye, float yawDeg, float pitchDeg) {
    float y = glm::radians(yawDeg), p = glm::radians(pitchDeg);
    glm::vec3 front = glm::normalize(glm::vec3(std::cos(y) * std::cos(p), std::sin(p), std::sin(y) * std::cos(p)));
    glm::vec3 right = glm::normalize(glm::cross(front, glm::vec3(0, 1, 0)));
    glm::vec3 up = glm::normalize(glm::cross(right, front));
    glm::mat4 R(1);
    for (int c = 0; c < 3; ++c) {
        R[c][0] = right[c];
        R[c][1] = up[c];
        R[c][2] = front[c];
    }
    return R * glm::translate(glm::mat4(1), glm::vec3(-eye.x, -eye.y, eye.z));
}

// A platform top as half-unit tiles: the rasteriser drops a triangle with a
// corner behind the eye instead of clipping it, so large triangles would vanish.
std::vector<Tri> platform(glm::vec3 c, glm::vec2 size) {
    std::vector<Tri> out;
    const float step = 0.5f;
    for (float x = -size.x / 2; x < size.x / 2 - 1e-4f; x += step)
        for (float z = -size.y / 2; z < size.y / 2 - 1e-4f; z += step) {
            glm::vec3 a = c + glm::vec3(x, 0, z), b = c + glm::vec3(x + step, 0, z), d = c + glm::vec3(x, 0, z + step),
                      e = c + glm::vec3(x + step, 0, z + step);
            for (auto q : {std::array<glm::vec3, 3>{a, d, e}, std::array<glm::vec3, 3>{a, e, b}}) {
                Tri t;
                for (int k = 0; k < 3; ++k) {
                    t.p[k] = q[k];
                    t.n[k] = {0, 1, 0};
                    t.uv[k] = {0, 0};
                }
                t.tex = nullptr;
                out.push_back(t);
            }
        }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root = argc > 1 ? argv[1] : "assets/models";
    std::string previewDir;
    for (int i = 2; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--preview") previewDir = argv[i + 1];

    // ---- collectibles
    std::vector<LoadedModel> collectibles;
    for (const auto& c : kCollectibles) {
        std::string path = root + "/" + c.dir + "/" + c.dir + ".obj";
        std::printf("%s\n", path.c_str());
        collectibles.push_back(loadModel(path, true));
        const LoadedModel& m = collectibles.back();
        if (!m.ok) continue;
        glm::mat4 w = glm::scale(glm::mat4(1), glm::vec3(c.scale)) * c.orient(0.0f);
        glm::vec3 lo(1e30f), hi(-1e30f);
        for (const auto& mesh : m.meshes)
            for (const auto& v : mesh.vertices) {
                glm::vec3 p = glm::vec3(w * glm::vec4(v.pos, 1));
                lo = glm::min(lo, p);
                hi = glm::max(hi, p);
            }
        std::printf("  drawn size (world units, spin 0): %.2f x %.2f x %.2f; drawn y from %.2f to %.2f "
                    "(platform top -2.25)\n",
                    hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, c.position.y + lo.y, c.position.y + hi.y);
    }

    // ---- the thief
    std::string dir = root + "/playerModel";
    std::printf("%s/idle.dae (as the model)\n", dir.c_str());
    LoadedModel thief = loadModel(dir + "/idle.dae", true);
    std::set<std::string> idleNodes;
    std::map<std::string, glm::mat4> bindGlobals;
    {
        Assimp::Importer imp;
        const aiScene* s = imp.ReadFile(dir + "/idle.dae", aiProcess_Triangulate | aiProcess_FlipUVs);
        if (s && s->mRootNode) {
            collectNodeNames(s->mRootNode, idleNodes);
            nodeGlobals(s->mRootNode, glm::mat4(1), bindGlobals);
        }
    }
    if (thief.ok) {
        std::printf("  bones %zu:", thief.boneMap.size());
        std::vector<std::pair<int, std::string>> byId;
        for (const auto& b : thief.boneMap) byId.push_back({b.second.id, b.first});
        std::sort(byId.begin(), byId.end());
        for (const auto& b : byId) std::printf(" %d:%s", b.first, b.second.c_str());
        std::printf("\n");
        if (thief.boneMap.size() >= 100) fail("100 bones or more");
        size_t maxInfl = 0;
        float wmin = 1e9f, wmax = -1e9f, bindErr = 0;
        for (const auto& m : thief.meshes)
            for (const auto& v : m.vertices) {
                size_t k = 0;
                float sum = 0;
                for (int s = 0; s < 4; ++s)
                    if (v.ids[s] >= 0) ++k, sum += v.w[s];
                maxInfl = std::max(maxInfl, k);
                wmin = std::min(wmin, sum);
                wmax = std::max(wmax, sum);
            }
        std::printf("  influences per vertex: max %zu; weight sums %.6f .. %.6f\n", maxInfl, wmin, wmax);
        if (wmin < 0.999f || wmax > 1.001f) fail("weights do not sum to 1");
        for (const auto& b : thief.boneMap) {
            auto g = bindGlobals.find(b.first);
            if (g == bindGlobals.end()) {
                fail("bone without node: " + b.first);
                continue;
            }
            glm::mat4 e = g->second * b.second.offset;
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r) bindErr = std::max(bindErr, std::fabs(e[c][r] - (c == r ? 1.f : 0.f)));
        }
        std::printf("  bind consistency: max |node global * offset - I| = %.2e\n", bindErr);
        if (bindErr > 1e-4f) fail("offset matrices do not match the bind pose");
    }

    // ---- the clips, loaded in the game's order against the model's bone map
    const char* clipNames[] = {"running", "jump", "idle", "dancing", "falling"};
    std::map<std::string, Clip> clips;
    std::map<std::string, BoneInfo> boneMap = thief.boneMap;
    int counter = thief.boneCounter;
    for (const char* name : clipNames) {
        std::string path = dir + "/" + name + ".dae";
        std::printf("%s (as a clip)\n", path.c_str());
        Clip c = loadClip(path);
        if (!c.ok) continue;
        for (const auto& t : c.tracks) {
            if (!idleNodes.count(t.first)) fail("channel without a node in idle.dae: " + t.first);
            if (!boneMap.count(t.first)) {
                std::printf("  note: channel %s drives no vertex (new id %d, zero offset)\n", t.first.c_str(), counter);
                boneMap[t.first] = {counter++, glm::mat4(0)};
            }
            // a looping clip ends where it starts
            const Track& tr = t.second;
            if (!tr.rot.empty() && std::fabs(std::fabs(glm::dot(tr.rot.front().second, tr.rot.back().second)) - 1) > 1e-4f)
                fail(std::string(name) + ": " + t.first + " rotation does not loop");
            if (!tr.pos.empty() && glm::length(tr.pos.front().second - tr.pos.back().second) > 1e-4f)
                fail(std::string(name) + ": " + t.first + " translation does not loop");
            if (tr.rot.empty() || tr.rot.back().first + 0.5f < c.duration) fail(t.first + ": keys end before the clip");
        }
        if (c.ticksPerSecond <= 0 || c.duration <= 0) fail("clip without duration or ticks");
        clips[name] = std::move(c);
    }
    if (counter > 100) fail("more than 100 bone ids");

    // skinned extents per clip, and how far the idle clip's first frame is from the bind pose
    auto pose = [&](const Clip* c, float t) {
        std::vector<glm::mat4> bones(100, glm::mat4(1));
        const ClipNode& r = c ? c->root : clips.begin()->second.root;
        computeBones(r, glm::mat4(1), c, t, boneMap, bones);
        return bones;
    };
    if (thief.ok && clips.count("idle")) {
        auto bones = pose(&clips["idle"], 0.0f);
        float dev = 0;
        auto posed = skin(thief, &bones, glm::mat4(1));
        auto bind = skin(thief, nullptr, glm::mat4(1));
        for (size_t i = 0; i < posed.size(); ++i)
            for (int k = 0; k < 3; ++k) dev = std::max(dev, glm::length(posed[i].p[k] - bind[i].p[k]));
        std::printf("idle frame 0 vs bind pose: max vertex distance %.2e\n", dev);
        if (dev > 1e-3f) fail("idle frame 0 differs from the bind pose");
    }
    for (const char* name : clipNames) {
        if (!thief.ok || !clips.count(name)) continue;
        const Clip& c = clips[name];
        float lowY = 1e9f, highY = -1e9f, lowFeet = 1e9f, highFeet = -1e9f;
        for (int f = 0; f < 20; ++f) {
            float t = c.duration * f / 20.0f;
            auto bones = pose(&c, t);
            auto tris = skin(thief, &bones, glm::mat4(1));
            float frameLow = 1e9f;
            for (const auto& tr : tris)
                for (int k = 0; k < 3; ++k) {
                    lowY = std::min(lowY, tr.p[k].y);
                    highY = std::max(highY, tr.p[k].y);
                    frameLow = std::min(frameLow, tr.p[k].y);
                }
            lowFeet = std::min(lowFeet, frameLow);
            highFeet = std::max(highFeet, frameLow);
        }
        std::printf("%-8s: model-space y over the clip %.3f .. %.3f; lowest point per frame %.3f .. %.3f\n", name, lowY,
                    highY, lowFeet, highFeet);
    }

    // ---- previews
    if (!previewDir.empty() && thief.ok) {
        mkdir(previewDir.c_str(), 0755);
        const glm::vec3 bg(0.55f, 0.62f, 0.72f);
        const int cw = 180, ch = 240;
        // bind pose from four sides, then five frames of each clip (3/4 view from the front-left)
        Image sheet(cw * 5, ch * 6, bg);
        glm::mat4 proj = glm::perspective(glm::radians(40.0f), float(cw) / ch, 0.05f, 50.0f);
        auto cam = [&](float az, float el) {
            glm::vec3 target(0, 0.8f, 0);
            glm::vec3 eye = target + 3.1f * glm::vec3(std::sin(glm::radians(az)) * std::cos(glm::radians(el)),
                                                       std::sin(glm::radians(el)),
                                                       std::cos(glm::radians(az)) * std::cos(glm::radians(el)));
            return proj * glm::lookAt(eye, target, {0, 1, 0});
        };
        float views[5][2] = {{0, 8}, {90, 8}, {180, 8}, {270, 8}, {180, 30}};
        auto bind = skin(thief, nullptr, glm::mat4(1));
        for (int i = 0; i < 5; ++i)
            draw(sheet, i * cw, 0, cw, ch, bind, cam(views[i][0], views[i][1]), {0.4f, 0.8f, 0.6f});
        int row = 1;
        for (const char* name : {"idle", "running", "jump", "dancing", "falling"}) {
            if (!clips.count(name)) continue;
            const Clip& c = clips[name];
            for (int f = 0; f < 5; ++f) {
                auto bones = pose(&c, c.duration * f / 5.0f);
                auto tris = skin(thief, &bones, glm::mat4(1));
                draw(sheet, f * cw, row * ch, cw, ch, tris, cam(50, 10), {0.4f, 0.8f, 0.6f});
            }
            ++row;
        }
        savePng(sheet, previewDir + "/thief_sheet.png");

        // close-up of the head and hood
        {
            Image head(480, 240, bg);
            glm::mat4 p2 = glm::perspective(glm::radians(30.0f), 1.0f, 0.05f, 50.0f);
            float az[2] = {20, 160};
            for (int i = 0; i < 2; ++i) {
                glm::vec3 target(0, 1.35f, 0);
                glm::vec3 eye = target + 1.0f * glm::vec3(std::sin(glm::radians(az[i])), 0.1f, std::cos(glm::radians(az[i])));
                draw(head, i * 240, 0, 240, 240, bind, p2 * glm::lookAt(eye, target, {0, 1, 0}), {0.4f, 0.8f, 0.6f});
            }
            savePng(head, previewDir + "/thief_head.png");
        }

        // the game's own camera at the start: player at (0, -1.33, 16.5) physics, yaw 270,
        // eye 3 behind at height 0.16, pitch 3; the thief running, collectibles beside him for scale
        {
            Image game(640, 360, bg);
            glm::mat4 proj2 = glm::perspective(glm::radians(45.0f), 640.0f / 360.0f, 0.1f, 250.0f);
            glm::vec3 player(0, -1.33f, 16.5f);
            glm::mat4 vp = proj2 * gameView({0, 0.16f, 19.5f}, -90.0f, 3.0f);
            std::vector<Tri> scene = platform({0, -2.25f, -16.5f}, {10, 30});
            auto bones = pose(clips.count("running") ? &clips["running"] : nullptr, clips.count("running") ? 0.3f * clips["running"].duration : 0.0f);
            auto th = skin(thief, &bones, playerMatrix(player, 270.0f));
            scene.insert(scene.end(), th.begin(), th.end());
            float offsets[4][2] = {{-1.6f, 2.5f}, {1.6f, 2.5f}, {-1.4f, 5.0f}, {1.4f, 5.0f}};
            for (int i = 0; i < 4; ++i) {
                const auto& c = kCollectibles[i];
                // same height above the platform as in the level (the compass at its
                // height above the goal platform is far above the eye: drawn lower here)
                float y = i == 3 ? -1.2f : c.position.y;
                glm::mat4 w = glm::translate(glm::mat4(1), {offsets[i][0], y, -16.5f + offsets[i][1]}) *
                              glm::scale(glm::mat4(1), glm::vec3(c.scale)) * c.orient(30.0f);
                auto t = skin(collectibles[i], nullptr, w);
                scene.insert(scene.end(), t.begin(), t.end());
            }
            draw(game, 0, 0, 640, 360, scene, vp, {0.3f, 0.8f, -0.5f});
            savePng(game, previewDir + "/game_view.png");
        }

        // what the player sees most: the thief from the trailing camera, every clip at
        // three moments (camera pitched down 12 degrees so the whole figure shows)
        {
            const int gw = 200, gh = 200;
            Image back(gw * 3, gh * 5, bg);
            glm::mat4 proj2 = glm::perspective(glm::radians(45.0f), 1.0f, 0.1f, 250.0f);
            glm::vec3 player(0, -1.33f, 16.5f);
            glm::mat4 vp = proj2 * gameView({0, 0.16f, 19.5f}, -90.0f, 12.0f);
            int r = 0;
            for (const char* name : {"idle", "running", "jump", "dancing", "falling"}) {
                if (!clips.count(name)) continue;
                for (int f = 0; f < 3; ++f) {
                    auto bones = pose(&clips[name], clips[name].duration * f / 3.0f);
                    std::vector<Tri> scene = platform({0, -2.25f, -16.5f}, {3, 6});
                    auto th = skin(thief, &bones, playerMatrix(player, 270.0f));
                    scene.insert(scene.end(), th.begin(), th.end());
                    draw(back, f * gw, r * gh, gw, gh, scene, vp, {0.3f, 0.8f, 0.5f});
                }
                ++r;
            }
            savePng(back, previewDir + "/thief_from_camera.png");
        }

        // each collectible at two spin angles next to the idle thief, seen from the side
        {
            Image col(4 * 240, 2 * 240, bg);
            glm::mat4 p3 = glm::perspective(glm::radians(40.0f), 1.0f, 0.05f, 50.0f);
            for (int i = 0; i < 4; ++i) {
                const auto& c = kCollectibles[i];
                for (int r = 0; r < 2; ++r) {
                    float spin = r == 0 ? 0.0f : 60.0f;
                    std::vector<Tri> scene = platform({0, -2.25f, 0}, {3, 3});
                    auto th = skin(thief, nullptr, playerMatrix({-0.6f, -1.33f, 0}, 270.0f));
                    scene.insert(scene.end(), th.begin(), th.end());
                    float y = i == 3 ? -1.0f : c.position.y;
                    glm::mat4 w = glm::translate(glm::mat4(1), {0.5f, y, 0}) *
                                  glm::scale(glm::mat4(1), glm::vec3(c.scale)) * c.orient(spin);
                    auto t = skin(collectibles[i], nullptr, w);
                    scene.insert(scene.end(), t.begin(), t.end());
                    glm::vec3 target(0, -1.4f, 0);
                    glm::mat4 vp = p3 * glm::lookAt(target + glm::vec3(0.9f, 0.5f, 3.4f), target, {0, 1, 0});
                    draw(col, i * 240, r * 240, 240, 240, scene, vp, {0.4f, 0.8f, 0.6f});
                }
            }
            savePng(col, previewDir + "/collectibles.png");
        }
    }

    std::printf("%s: %d failure(s)\n", failures ? "CHECK FAILED" : "CHECK PASSED", failures);
    return failures ? 1 : 0;
}
