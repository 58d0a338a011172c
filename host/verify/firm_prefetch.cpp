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
    ring_.Stop();
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
    prefetch->ring_.Close();
}

void FirmPrefetch::Produce()
{
    FirmReader reader;
    if (!reader.Open(firm_)) {
        threadError_ = reader.error();
        threadOwnFailure_ = reader.ownFailure();
        return;
    }
    FirmDocument d;
    while (!ring_.stopped() && reader.Next(kind_, period_, scope_, &d))
        if (d.exported && !ring_.Put(std::move(d)))
            return;
    if (reader.failed()) {
        threadError_ = reader.error();
        threadOwnFailure_ = reader.ownFailure();
    }
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
    if (ring_.Take(document))
        return true;
    if (!threadError_.empty())
        error_ = threadError_, ownFailure_ = threadOwnFailure_;
    return false;
}
