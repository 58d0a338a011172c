// The export table of the host module "TOMIVA": what tests and the command
// line change of it.
#pragma once

// How often the plug-in looked the entry up by number (native).
long HostLookupCount(int number);

// Withholds an entry from the export table (tests of missing entries).
void HostWithholdEntry(int number);
void HostClearWithheldEntries();
// Marks the command as failed for entries the plug-in may have missed
// unseen.  Natively the host sees every look-up and marks one that finds
// nothing when it happens, so this does nothing; the Windows host cannot see
// look-ups (the system answers them), so each withheld entry counts.
void HostMarkWithheldEntries();
