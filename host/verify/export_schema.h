// The schema of the export format, docs/export-file.xsd, compiled into the
// program (the build makes export_schema.cpp from that file), so that
// tomiva checks a file wherever it runs.
#pragma once

#include <cstddef>

extern const char kExportSchemaXsd[];
extern const std::size_t kExportSchemaXsdSize;
