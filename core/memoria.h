#pragma once

// Sets how the allocator keeps memory for this process; called first thing in main.
void PrepararMemoria();
