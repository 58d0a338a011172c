// The file's elements handed over to a sink on a thread beside: all of them,
// in file order, across many batches; and a sink whose memory runs short
// ends the hand-over without keeping the reading's side waiting.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "host/verify/element_handover.h"

namespace {

// Remembers what it was given as "c<line>" and "d<line>"; refuses memory
// at the document numbered failAt (0: never).
class Recorder : public ExportFileSink {
public:
    explicit Recorder(int failAt = 0) : failAt_(failAt) {}
    void Contractor(FileContractor&& c) override { seen.push_back("c" + std::to_string(c.line)); }
    void Document(FileDocument&& d) override
    {
        if (++documents_ == failAt_)
            throw std::bad_alloc();
        seen.push_back("d" + std::to_string(d.line) + "/" + std::to_string(d.positions.size()));
    }
    std::vector<std::string> seen;

private:
    int failAt_;
    int documents_ = 0;
};

FileDocument DocumentAt(int line)
{
    FileDocument d;
    d.line = line;
    d.registerId = "ID-" + std::to_string(line) + std::string(40, 'x'); // beyond a short string's room
    d.positions.resize(static_cast<std::size_t>(line % 3));
    return d;
}

TEST(ElementHandover, EveryElementReachesTheSinkInFileOrder)
{
    Recorder sink;
    std::vector<std::string> expected;
    {
        ElementHandover handover(&sink);
        // Many more than the ring holds, so the reading's side waits on it.
        for (int line = 1; line <= 300; ++line) {
            FileContractor c;
            c.line = line;
            handover.Contractor(std::move(c));
            expected.push_back("c" + std::to_string(line));
        }
        for (int line = 301; line <= 20000; ++line) {
            handover.Document(DocumentAt(line));
            expected.push_back("d" + std::to_string(line) + "/" + std::to_string(line % 3));
        }
        ASSERT_TRUE(handover.Finish());
    }
    EXPECT_EQ(sink.seen, expected);
}

TEST(ElementHandover, ASinkShortOfMemoryEndsItAndTheReadingGoesOn)
{
    Recorder sink(/*failAt=*/100);
    ElementHandover handover(&sink);
    // Far more than the ring holds after the sink has stopped taking them:
    // the reading's side must not wait for it (the test would not end).
    for (int line = 1; line <= 50000; ++line)
        handover.Document(DocumentAt(line));
    EXPECT_FALSE(handover.Finish());
    ASSERT_EQ(sink.seen.size(), 99u);
    EXPECT_EQ(sink.seen.back(), "d99/0");
}

} // namespace
