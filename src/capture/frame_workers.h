// Worker threads that finish frames while the main thread draws the next ones: the show is drawn
// in order on the main thread into numbered slots, each slot's work (scaling, compressing) runs on
// whichever worker is free, and the main thread takes the slots back in the order it gave them.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class FrameWorkers {
public:
    // Starts `threads` workers that run work(slot) for each slot handed to them; work runs on one
    // worker at a time per slot and must touch nothing but its slot. Throws std::system_error when
    // a thread cannot be started.
    FrameWorkers(int threads, std::function<void(int slot)> work);
    // Waits for the work that runs, drops what is still queued, and stops the workers.
    ~FrameWorkers();
    FrameWorkers(const FrameWorkers&) = delete;
    FrameWorkers& operator=(const FrameWorkers&) = delete;

    // Main thread: the slot is filled; queue its work.
    void Hand(int slot);
    // Main thread: waits until the work of a handed slot is done.
    void Take(int slot);

private:
    void Work();
    void Stop();

    std::function<void(int)> work_;
    std::mutex mutex_;
    std::condition_variable queued_, finished_;
    std::deque<int> queue_;
    std::vector<int> done_;  // slots whose work is done and not yet taken
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
