// A time-stamped trace of the program's costly steps, for measuring where its
// time goes. Written only when the environment variable PELORIN_TRACE names a
// file; otherwise every mark is a single test of a cached flag.
#pragma once

// Appends "<Unix time in seconds, microseconds> <what> cpu=<seconds>" to the
// trace file, the last being the CPU time the process has used so far.
void TraceMark(const char* what);
