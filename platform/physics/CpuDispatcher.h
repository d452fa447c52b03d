#pragma once

// A pool of worker threads for the scene's step. Workers sleep until a scene's simulate hands
// them tasks; the scene's fetchResults waits for those tasks, so the workers are busy only
// between the two calls.

#include <cstdint>

#include "platform/physics/Foundation.h"

namespace phys {

class CpuDispatcher : public Object {
public:
    virtual unsigned getWorkerCount() const = 0;
    // Tasks finished by the worker threads since creation.
    virtual std::uint64_t getCompletedTaskCount() const = 0;
};

// numThreads 0 makes a dispatcher without workers: the scene then runs its step on the thread
// that fetches the results. Release joins the workers.
CpuDispatcher* createCpuDispatcher(unsigned numThreads);

}  // namespace phys
