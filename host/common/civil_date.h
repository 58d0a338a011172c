// Dates of the proleptic Gregorian calendar: a date as a day number (days
// since 1970-01-01, negative before it) and back, and the lengths of months.
#pragma once

struct CivilDate {
    int year;
    int month; // 1-12
    int day;   // 1-31
};

bool IsLeapYear(long long year);
// Days of a month (1-12) of the year.
int DaysInMonth(long long year, int month);

// The day number of a date; a day past the end of its month counts on into
// the next month.
long long DaysFromCivil(long long year, int month, int day);
// The date of a day number.  Its year fits an int for any day number
// within ±700 billion, far beyond what a four-digit year and a 32-bit
// count of days can reach.
CivilDate CivilFromDays(long long days);
