// The host's date text and the form people and the firm database write.
//
// Host date text is 8 digits YYYYMMDD of a real calendar date (years 1 to
// 9999) and a NUL, kHostDateWidth bytes in all; "YYYY-MM-DD" is the same date
// with its dashes, as typed on the command line, in a dialog's scripted
// answers and in the firm database.
#pragma once

#include <string_view>

// Reads only up to the 9th byte, so an unterminated field is refused, not
// overrun.
bool HostParseDate(const char* text, int* year, int* month, int* day);
// Writes YYYYMMDD and its NUL (kHostDateWidth bytes).
void HostFormatDate(char* slot, int year, int month, int day);

// True for 10 characters "DDDD-DD-DD" of digits and two dashes, whatever
// the digits say.
bool HasIsoDateShape(std::string_view text);
// True for "YYYY-MM-DD" naming a real day of the Gregorian calendar, years
// 1 to 9999.
bool IsCalendarDate(std::string_view text);
// A calendar date "YYYY-MM-DD" as host date text: writes the 8 digits and
// the NUL into slot (kHostDateWidth bytes).  False, and slot left as it was,
// for anything else.
bool IsoDateToHost(std::string_view text, char* slot);
