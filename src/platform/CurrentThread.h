#pragma once

// Naming of the calling thread.
namespace CurrentThread {

// The name the system shows for the calling thread (at most 15 characters are kept).
void SetName(const char* name);

} // namespace CurrentThread
