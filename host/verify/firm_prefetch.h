// The firm's documents of one kind read ahead on a thread beside verify's
// own, over a connection of their own, while the file is read: the two
// readings overlap instead of taking turns.  Only the documents the export
// takes are handed on, in the host's scan order, a batch at a time through a
// ring that holds a few thousand at most.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "host/common/beside_thread.h"
#include "host/verify/firm_expectations.h"

class FirmPrefetch {
public:
    FirmPrefetch(const std::string& firm, DocumentKind kind, const Period& period, const Scope& scope);
    ~FirmPrefetch();
    FirmPrefetch(const FirmPrefetch&) = delete;
    FirmPrefetch& operator=(const FirmPrefetch&) = delete;

    // The next document the export takes: false at the end, or when the
    // firm could not be read (failed()).
    bool Next(FirmDocument* document);

    bool failed() const { return !error_.empty(); }
    bool ownFailure() const { return ownFailure_; }
    const std::string& error() const { return error_; }

private:
    static constexpr std::size_t kBatch = 256, kRing = 32;
    static void Run(void* self) noexcept;
    void Produce();

    std::string firm_;
    DocumentKind kind_;
    Period period_;
    Scope scope_;

    std::vector<FirmDocument> ring_[kRing];
    std::atomic<std::size_t> written_{0}, read_{0}; // batches
    std::atomic<bool> done_{false}, stop_{false};
    // Set by the thread before done_, read after it.
    std::string threadError_;
    bool threadOwnFailure_ = false;

    std::vector<FirmDocument> batch_; // the consumer's
    std::size_t next_ = 0;
    std::string error_;
    bool ownFailure_ = false;
    BesideThread thread_;
    bool inline_ = false; // no thread to be had: read on the caller's
    FirmReader* reader_ = nullptr;
};
