// Prints how long the game's per-step physics work takes: one controller move with gravity,
// one scene step on two workers, and the lens flare's ray cast.
#include <chrono>
#include <cstdio>

#include "TestWorld.h"

int main()
{
    test::TestWorld world(2);
    phys::Controller* player = world.addPlayer({-2.0, -1.33, 10.0});
    test::Walker walker(player);
    constexpr int kSteps = 20000;

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kSteps; ++i)
        walker.step({0.0f, 0.0f, (i / 100) % 2 ? 0.11f : -0.11f});
    const auto moved = std::chrono::steady_clock::now();
    for (int i = 0; i < kSteps; ++i) {
        world.scene->simulate(test::kStep);
        world.scene->fetchResults(true);
    }
    const auto stepped = std::chrono::steady_clock::now();
    phys::RaycastHit hit;
    int hits = 0;
    for (int i = 0; i < kSteps; ++i)
        hits += world.scene->raycast({0, 2, 16.5f}, glm::normalize(glm::vec3(0, 8, -216.5f)), 500.0f, hit);
    const auto cast = std::chrono::steady_clock::now();

    const auto us = [](auto a, auto b) { return std::chrono::duration<double, std::micro>(b - a).count() / kSteps; };
    std::printf("controller move: %.2f us\nscene step:      %.2f us\nray cast:        %.2f us (%d hits)\n",
                us(start, moved), us(moved, stepped), us(stepped, cast), hits);
    return 0;
}
