#include "framework/GlLifetime.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

bool contextAlive = false;

struct ReleaseStep {
    std::uint64_t id;
    std::function<void()> release;
};

// Never destroyed: entries held by function-local statics leave it during the run time's
// teardown after main, in whatever order those statics die.
std::vector<ReleaseStep>& releaseList() {
    static auto* list = new std::vector<ReleaseStep>();
    return *list;
}

std::uint64_t nextId = 1;

std::uint64_t addStep(std::function<void()> release) {
    const std::uint64_t id = nextId++;
    releaseList().push_back({id, std::move(release)});
    return id;
}

}  // namespace

bool glContextAlive() { return contextAlive; }

void setGlContextAlive(bool alive) { contextAlive = alive; }

void addGlRelease(std::function<void()> release) { addStep(std::move(release)); }

GlReleaseEntry::GlReleaseEntry(std::function<void()> release) : id_(addStep(std::move(release))) {}

GlReleaseEntry::~GlReleaseEntry() {
    std::vector<ReleaseStep>& list = releaseList();
    const auto found =
        std::find_if(list.begin(), list.end(), [this](const ReleaseStep& step) { return step.id == id_; });
    if (found != list.end()) {
        list.erase(found);
    }
}

void releaseGlObjects() {
    std::vector<ReleaseStep>& list = releaseList();
    while (!list.empty()) {
        // Off the list before it runs: a step may destroy an owner whose entry then looks for itself.
        ReleaseStep step = std::move(list.back());
        list.pop_back();
        step.release();
    }
}
