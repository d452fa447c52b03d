#include "platform/physics/PhysicsInternal.h"

#include <new>

namespace phys {
namespace detail {

CpuDispatcherImpl::CpuDispatcherImpl(unsigned numThreads)
{
    workers.reserve(numThreads);
    try {
        for (unsigned i = 0; i < numThreads; ++i)
            workers.emplace_back([this] { workerLoop(); });
    } catch (...) {
        stopAndJoin();  // the destructor does not run for a half-built pool
        throw;
    }
}

CpuDispatcherImpl::~CpuDispatcherImpl()
{
    stopAndJoin();
}

void CpuDispatcherImpl::stopAndJoin()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& worker : workers)
        worker.join();
    workers.clear();
}

void CpuDispatcherImpl::release()
{
    delete this;
}

void CpuDispatcherImpl::submit(std::function<void()> task)
{
    if (workers.empty()) {
        task();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back(std::move(task));
    }
    wake.notify_one();
}

void CpuDispatcherImpl::workerLoop()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return stopping || queueHead < queue.size(); });
            if (queueHead == queue.size())
                return;  // stopping, and nothing left to finish
            task = std::move(queue[queueHead++]);
            if (queueHead == queue.size()) {
                queue.clear();
                queueHead = 0;
            }
        }
        task();
        completed.fetch_add(1, std::memory_order_relaxed);
    }
}

void TaskLatch::reset(unsigned count)
{
    std::lock_guard<std::mutex> lock(mutex);
    pending = count;
}

void TaskLatch::countDown()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (pending > 0 && --pending == 0)
        done.notify_all();
}

bool TaskLatch::isDone() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return pending == 0;
}

void TaskLatch::wait() const
{
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [this] { return pending == 0; });
}

}  // namespace detail

CpuDispatcher* createCpuDispatcher(unsigned numThreads)
{
    try {
        return new detail::CpuDispatcherImpl(numThreads);
    } catch (...) {
        return nullptr;  // out of memory or no more threads
    }
}

}  // namespace phys
