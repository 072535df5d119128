#pragma once

// Scheduling and naming of the calling thread.
namespace CurrentThread {

// Makes the calling thread yield to the process's other threads: its niceness rises by `steps`
// (Linux schedules each thread on its own). Nothing happens where that is not possible; a thread
// can never raise its priority again afterwards.
void LowerPriority(int steps);

// The name the system shows for the calling thread (at most 15 characters are kept).
void SetName(const char* name);

} // namespace CurrentThread
