// Whether a file the command wrote is a whole XML document: the host reads
// every export file back before it calls the command a success.  A run that
// stopped half-way (a missing entry, a full disk, a failed read) leaves a
// document whose root is never closed; one that stopped before its first
// line leaves an empty file.
#pragma once

#include <string>

// "" when the file holds one well-formed XML document (UTF-8, an optional
// byte order mark, an optional declaration, one root element, comments and
// processing instructions around it); otherwise what is wrong and on which
// line.  The check is that of well-formedness, without a DTD: the five
// predefined entities and character references only.
std::string XmlDocumentProblem(const std::string& path);
