#pragma once

// Scheduling of the calling thread.
namespace ThreadPriority {

// Makes the calling thread yield to the process's other threads: its niceness rises by `steps`
// (Linux schedules each thread on its own). Nothing happens where that is not possible; a thread
// can never raise its priority again afterwards.
void LowerCurrentThread(int steps);

} // namespace ThreadPriority
