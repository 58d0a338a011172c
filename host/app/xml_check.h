// Whether a file the command wrote is a whole XML document: the host reads
// every export file back before it calls the command a success.  A run that
// stopped half-way (a missing entry, a full disk, a failed read) leaves a
// document whose root is never closed; one that stopped before its first
// line leaves an empty file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

// "" when the file holds one well-formed XML document (UTF-8, an optional
// byte order mark, an optional declaration, one root element, comments and
// processing instructions around it, and the ^Z (0x1A) with which a
// text-mode run-time may end a file as its very last byte); otherwise what
// is wrong and on which line.  The check is that of well-formedness, without a DTD: the five
// predefined entities and character references only.
std::string XmlDocumentProblem(const std::string& path);

// The same check over a document handed in blocks as they come, as the
// host reads a file while the plug-in writes it.
class XmlDocumentCheck {
public:
    XmlDocumentCheck();
    ~XmlDocumentCheck();
    XmlDocumentCheck(const XmlDocumentCheck&) = delete;
    XmlDocumentCheck& operator=(const XmlDocumentCheck&) = delete;

    // The next block of the document; false once it is known to be broken
    // (the blocks after that change nothing).
    bool Feed(const unsigned char* bytes, std::size_t n);
    // After the last block: "" when the document is whole, otherwise what
    // XmlDocumentProblem would say of a file of these bytes.
    std::string Finish();

private:
    class Checker;
    std::unique_ptr<Checker> checker_;
    // A ^Z that ended the last block, held back: the end-of-file mark of a
    // text-mode run-time when nothing follows it.
    bool heldEndMark_ = false;
};
