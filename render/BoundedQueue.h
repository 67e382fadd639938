#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>

// A first-in first-out queue of at most `capacity` items between two threads. push waits for room and pop
// for an item; after close() neither waits: push drops, pop returns false once the queue is empty.
template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(size_t capacity) : capacity_(capacity) {}

    bool push(T item)
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return items_.size() < capacity_ || closed_; });
        if (closed_) return false;
        items_.push_back(std::move(item));
        changed_.notify_all();
        return true;
    }

    bool pop(T& item)
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return !items_.empty() || closed_; });
        if (items_.empty()) return false;
        item = std::move(items_.front());
        items_.pop_front();
        changed_.notify_all();
        return true;
    }

    void close()
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
        changed_.notify_all();
    }

private:
    size_t capacity_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<T> items_;
    bool closed_ = false;
};
