// This file contains the hand-over of the file's elements to a thread
// beside the reading's (element_handover.h).
#include "host/verify/element_handover.h"

ElementHandover::ElementHandover(ExportFileSink* then) : then_(then)
{
    beside_ = thread_.Start(&ElementHandover::Run, this);
}

ElementHandover::~ElementHandover() { Finish(); }

void ElementHandover::Run(void* self) noexcept
{
    auto* handover = static_cast<ElementHandover*>(self);
    try {
        Element element;
        while (handover->ring_.Take(&element)) {
            if (FileContractor* contractor = std::get_if<FileContractor>(&element))
                handover->then_->Contractor(std::move(*contractor));
            else
                handover->then_->Document(std::move(std::get<FileDocument>(element)));
        }
    } catch (...) {
        // Memory refused: the rest of the file is not taken, and the
        // reading's side is let go on.
        handover->short_ = true;
        handover->ring_.Stop();
    }
}

// A sink that stopped has failed (Finish says so): what the ring no longer
// takes is not missed.
void ElementHandover::Contractor(FileContractor&& contractor)
{
    if (!beside_)
        return then_->Contractor(std::move(contractor));
    ring_.Put(Element(std::move(contractor)));
}

void ElementHandover::Document(FileDocument&& document)
{
    if (!beside_)
        return then_->Document(std::move(document));
    ring_.Put(Element(std::move(document)));
}

bool ElementHandover::Finish()
{
    if (beside_ && !finished_) {
        finished_ = true;
        ring_.Close();
        thread_.Join();
    }
    return !short_;
}
