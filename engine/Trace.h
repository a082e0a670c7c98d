// A time-stamped trace of the program's costly steps, for measuring where its
// time goes. Written only when the environment variable PELORIN_TRACE names a
// file; otherwise every mark is a single test of a cached flag.
#pragma once

// Appends "<Unix time in seconds, microseconds> <what>" to the trace file.
void TraceMark(const char* what);
