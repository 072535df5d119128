#pragma once

// Asks the C library to hand freed memory back to the system soon rather than keep it for reuse.
// Without it, each large picture or frame freed raises the allocator's own thresholds and the memory
// stays with the process; and every worker thread keeps a heap of its own.
void ReturnFreedMemoryPromptly();
