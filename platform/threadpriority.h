// Scheduling hints for worker threads.
#pragma once

// Lowers the calling thread's priority below that of normal threads, so that a user-interface
// thread sharing the processors runs first whenever it has work. Failure is silent.
void SetCurrentThreadBackground();
