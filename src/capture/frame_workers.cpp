#include "capture/frame_workers.h"

#include <algorithm>

FrameWorkers::FrameWorkers(int threads, std::function<void(int slot)> work) : work_(std::move(work))
{
    try {
        for (int i = 0; i < threads; ++i)
            threads_.emplace_back(&FrameWorkers::Work, this);
    } catch (...) {
        Stop();
        throw;
    }
}

FrameWorkers::~FrameWorkers()
{
    Stop();
}

void FrameWorkers::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
    threads_.clear();
}

void FrameWorkers::Hand(int slot)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(slot);
    }
    queued_.notify_one();
}

void FrameWorkers::Take(int slot)
{
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return std::find(done_.begin(), done_.end(), slot) != done_.end(); });
    done_.erase(std::find(done_.begin(), done_.end(), slot));
}

void FrameWorkers::Work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queued_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        const int slot = queue_.front();
        queue_.pop_front();
        lock.unlock();
        work_(slot);
        lock.lock();
        done_.push_back(slot);
        finished_.notify_all();
    }
}
