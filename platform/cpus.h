// Processor count the process may run on.
#pragma once

// Cores in the process's affinity set (at least 1); a pinned process gets 1.
int UsableCpuCount();
