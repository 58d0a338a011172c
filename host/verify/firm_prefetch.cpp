#include "host/verify/firm_prefetch.h"

#include <new>

FirmPrefetch::FirmPrefetch(const std::string& firm, DocumentKind kind, const Period& period, const Scope& scope)
    : firm_(firm), kind_(kind), period_(period), scope_(scope)
{
    if (!thread_.Start(&FirmPrefetch::Run, this))
        inline_ = true;
}

FirmPrefetch::~FirmPrefetch()
{
    stop_ = true;
    thread_.Join();
    delete reader_;
}

void FirmPrefetch::Run(void* self) noexcept
{
    auto* prefetch = static_cast<FirmPrefetch*>(self);
    try {
        prefetch->Produce();
    } catch (const std::bad_alloc&) {
        prefetch->threadError_ = "memory ran short";
        prefetch->threadOwnFailure_ = true;
    }
    prefetch->done_ = true;
}

void FirmPrefetch::Produce()
{
    FirmReader reader;
    if (!reader.Open(firm_)) {
        threadError_ = reader.error();
        threadOwnFailure_ = reader.ownFailure();
        return;
    }
    std::vector<FirmDocument> batch;
    batch.reserve(kBatch);
    auto hand = [&] {
        // Waits while the ring is full.
        while (written_ - read_ >= kRing) {
            if (stop_)
                return false;
            PauseBriefly();
        }
        ring_[written_ % kRing].swap(batch);
        ++written_;
        batch.clear();
        return true;
    };
    FirmDocument d;
    while (!stop_ && reader.Next(kind_, period_, scope_, &d)) {
        if (!d.exported)
            continue;
        batch.push_back(std::move(d));
        if (batch.size() == kBatch && !hand())
            return;
    }
    if (reader.failed()) {
        threadError_ = reader.error();
        threadOwnFailure_ = reader.ownFailure();
    }
    if (!batch.empty())
        hand();
}

bool FirmPrefetch::Next(FirmDocument* document)
{
    if (inline_) {
        // The caller's thread reads, one document at a time.
        if (reader_ == nullptr) {
            reader_ = new FirmReader;
            if (!reader_->Open(firm_)) {
                error_ = reader_->error(), ownFailure_ = reader_->ownFailure();
                return false;
            }
        }
        while (reader_->Next(kind_, period_, scope_, document))
            if (document->exported)
                return true;
        if (reader_->failed())
            error_ = reader_->error(), ownFailure_ = reader_->ownFailure();
        return false;
    }
    while (next_ == batch_.size()) {
        // The next batch, or the end.
        while (read_ == written_) {
            if (done_ && read_ == written_) {
                if (!threadError_.empty())
                    error_ = threadError_, ownFailure_ = threadOwnFailure_;
                return false;
            }
            PauseBriefly();
        }
        batch_.clear();
        batch_.swap(ring_[read_ % kRing]);
        ++read_;
        next_ = 0;
    }
    *document = std::move(batch_[next_++]);
    return true;
}
