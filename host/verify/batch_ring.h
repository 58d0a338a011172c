// This file contains the ring through which one thread hands items to
// another, a batch at a time: verify's two pipelines (the firm's documents
// read ahead, the file's elements handed on to be compared) are each one
// producer and one consumer.  The ring holds at most kRing batches of kBatch
// items; a side that finds it full, or empty, pauses briefly and looks again,
// so a ring holds what the producer makes in a few such pauses.
#pragma once

#include <atomic>
#include <cstddef>
#include <utility>
#include <vector>

#include "host/common/beside_thread.h"

template <typename Item, std::size_t kBatch, std::size_t kRing>
class BatchRing {
public:

    // The producer's: adds item to the batch being filled and hands the
    // batch on when it is full.  False once the consumer has stopped (the
    // item is then dropped).  Memory refused throws std::bad_alloc.
    bool Put(Item&& item)
    {
        if (filling_.capacity() < kBatch)
            filling_.reserve(kBatch);
        filling_.push_back(std::move(item));
        return filling_.size() < kBatch || Hand();
    }

    // The producer's last word: hands on what is left and marks the end.
    // Whatever the producer leaves for the consumer to read after Take has
    // returned false is written before this.
    void Close()
    {
        if (!filling_.empty())
            Hand();
        closed_ = true;
    }

    // The consumer's: the next item, in the order put; false at the end.
    bool Take(Item* item)
    {
        while (next_ == taken_.size()) {
            while (read_ == written_) {
                if (closed_ && read_ == written_)
                    return false;
                PauseBriefly();
            }
            taken_.clear();
            taken_.swap(ring_[read_ % kRing]);
            ++read_;
            next_ = 0;
        }
        *item = std::move(taken_[next_++]);
        return true;
    }

    // The consumer gives up: the producer's Put returns false from now on,
    // and a producer waiting on a full ring goes on.
    void Stop() { stopped_ = true; }
    bool stopped() const { return stopped_; }

private:
    // Waits while the ring is full; false when the consumer has stopped.
    bool Hand()
    {
        while (written_ - read_ >= kRing) {
            if (stopped_)
                return false;
            PauseBriefly();
        }
        if (stopped_)
            return false;
        ring_[written_ % kRing].swap(filling_);
        ++written_;
        filling_.clear();
        return true;
    }

    std::vector<Item> ring_[kRing];
    std::atomic<std::size_t> written_{0}, read_{0}; // batches
    std::atomic<bool> closed_{false}, stopped_{false};
    std::vector<Item> filling_; // the producer's
    std::vector<Item> taken_;   // the consumer's
    std::size_t next_ = 0;
};
