#include "capture/frame_workers.h"

#include <algorithm>
#include <system_error>

#include "capture/system.h"

static void StopWorkers(FrameWorkers* w)
{
    {
        std::lock_guard<std::mutex> lock(w->mutex);
        w->stopping = true;
    }
    w->queued.notify_all();
    for (std::thread& t : w->threads)
        if (t.joinable())
            t.join();
    w->threads.clear();
}

FrameWorkers::~FrameWorkers() { StopWorkers(this); }

static void Work(FrameWorkers* w)
{
    std::unique_lock<std::mutex> lock(w->mutex);
    for (;;) {
        w->queued.wait(lock, [&] { return w->stopping || !w->queue.empty(); });
        if (w->stopping)
            return;
        const int slot = w->queue.front();
        w->queue.pop_front();
        lock.unlock();
        w->work(slot);
        lock.lock();
        w->done.push_back(slot);
        w->finished.notify_all();
    }
}

bool StartWorkers(FrameWorkers* w, int threads, std::function<void(int slot)> work, std::string* error)
{
    w->work = std::move(work);
    HoldInterrupts(true);
    try {
        for (int i = 0; i < threads; ++i)
            w->threads.emplace_back(Work, w);
    } catch (const std::system_error& e) {
        *error = std::string("cannot start the worker threads: ") + e.what();
    }
    HoldInterrupts(false);
    if (static_cast<int>(w->threads.size()) == threads)
        return true;
    StopWorkers(w);
    return false;
}

void HandSlot(FrameWorkers* w, int slot)
{
    {
        std::lock_guard<std::mutex> lock(w->mutex);
        w->queue.push_back(slot);
    }
    w->queued.notify_one();
}

void TakeSlot(FrameWorkers* w, int slot)
{
    std::unique_lock<std::mutex> lock(w->mutex);
    w->finished.wait(lock, [&] { return std::find(w->done.begin(), w->done.end(), slot) != w->done.end(); });
    w->done.erase(std::find(w->done.begin(), w->done.end(), slot));
}
