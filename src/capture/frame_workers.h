// Worker threads that finish frames while the main thread draws the next ones: the show is drawn
// in order on the main thread into numbered slots, each slot's work (scaling, compressing) runs on
// whichever worker is free, and the main thread takes the slots back in the order it gave them.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FrameWorkers {
    std::function<void(int)> work;
    std::mutex mutex;
    std::condition_variable queued, finished;
    std::deque<int> queue;
    std::vector<int> done;  // slots whose work is done and not yet taken
    bool stopping = false;
    std::vector<std::thread> threads;
    // Waits for the work that runs, drops what is still queued, and stops the workers.
    ~FrameWorkers();
};

// Starts `threads` workers that run work(slot) for each slot handed to them; work runs on one
// worker at a time per slot and must touch nothing but its slot. The workers block the interrupt
// signals, which reach the main thread alone. False with the reason when a thread cannot start.
[[nodiscard]] bool StartWorkers(FrameWorkers* w, int threads, std::function<void(int slot)> work, std::string* error);
// Main thread: the slot is filled; queue its work.
void HandSlot(FrameWorkers* w, int slot);
// Main thread: waits until the work of a handed slot is done.
void TakeSlot(FrameWorkers* w, int slot);
