// The firm's documents of one kind read ahead on a thread beside verify's
// own, over a connection of their own, while the file is read: the two
// readings overlap instead of taking turns.  Only the documents the export
// takes are handed on, in the host's scan order, through a ring of batches
// (batch_ring.h).
#pragma once

#include <string>

#include "host/common/beside_thread.h"
#include "host/verify/batch_ring.h"
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
    static void Run(void* self) noexcept;
    void Produce();

    std::string firm_;
    DocumentKind kind_;
    Period period_;
    Scope scope_;

    BatchRing<FirmDocument, 256, 32> ring_;
    // Set by the thread before it closes the ring, read after the end.
    std::string threadError_;
    bool threadOwnFailure_ = false;

    std::string error_;
    bool ownFailure_ = false;
    BesideThread thread_;
    bool inline_ = false; // no thread to be had: read on the caller's
    FirmReader* reader_ = nullptr;
};
