// What tomiva verify prints: the file's contents at a glance (per month of
// issue and per rate: documents, net, VAT), what it was checked against, the
// warnings and every mismatch with the document or contractor it concerns,
// and the verdict.  The brief form is what tomiva run prints after a batch
// run for each file it wrote.
#pragma once

#include <cstdio>

#include "host/verify/verify.h"

void PrintVerifyReport(std::FILE* out, const VerifyOutcome& outcome);
void PrintVerifyBrief(std::FILE* out, const VerifyOutcome& outcome);
