// Note-to-period tables: tone periods (chip ticks per half wave at 3579545 Hz) of the 256
// note values. Built once, before anything plays or loads.
#pragma once

#include <cstdint>

// Rounded to nearest; the periods the replayer plays.
extern uint16_t gNotePeriods[256];
// Truncated; the table files written before format version 5 were made with.
extern uint16_t gNotePeriodsTruncated[256];

// Fills both tables. Cheap and idempotent.
void BuildNotePeriodTables();
