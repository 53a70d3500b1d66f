// Edits of lines, lengths and the order list run under the replayer's lock when a replayer
// plays the module: it reads them from its own thread. Without one (a batch tool, a test)
// there is nothing to lock.
#pragma once

#include <mutex>

class PlayerLock {
public:
    explicit PlayerLock(std::recursive_mutex* m) : mutex(m) {
        if (mutex) mutex->lock();
    }
    ~PlayerLock() {
        if (mutex) mutex->unlock();
    }
    PlayerLock(const PlayerLock&) = delete;
    PlayerLock& operator=(const PlayerLock&) = delete;

private:
    std::recursive_mutex* mutex;
};
