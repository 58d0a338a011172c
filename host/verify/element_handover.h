// The file's contractors and documents handed over, as they are read, to a
// sink on a thread beside the reading's: libxml2 parses and validates on one
// thread while what it has read so far is summed and reconciled with the
// firm on another.  In file order, through a ring of batches (batch_ring.h).
// With no thread to be had, the sink is called on the reading's thread.
#pragma once

#include <variant>

#include "host/common/beside_thread.h"
#include "host/verify/batch_ring.h"
#include "host/verify/export_file.h"

class ElementHandover : public ExportFileSink {
public:
    explicit ElementHandover(ExportFileSink* then);
    ~ElementHandover() override;
    ElementHandover(const ElementHandover&) = delete;
    ElementHandover& operator=(const ElementHandover&) = delete;

    void Contractor(FileContractor&& contractor) override;
    void Document(FileDocument&& document) override;

    // After the reading: waits until the sink has taken every element.
    // False when memory ran short on the sink's side (the sink then saw
    // only part of the file).
    bool Finish();

private:
    using Element = std::variant<FileContractor, FileDocument>;
    static void Run(void* self) noexcept;

    ExportFileSink* then_;
    // About 20 ms of the reading's elements: the thread beside takes them
    // faster than libxml2 reads them, and each one held is memory.
    BatchRing<Element, 64, 16> ring_;
    BesideThread thread_;
    bool beside_ = false;
    bool finished_ = false;
    bool short_ = false; // set by the thread before it ends
};
