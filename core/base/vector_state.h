// Clears the upper halves of the AVX registers of the calling thread. A thread whose
// upper halves were left in use (the window toolkit's own AVX code does this on the
// user-interface thread, and a new thread inherits the state) pays a penalty on every
// SSE instruction after it: the calculation ran five times slower. Cannot fail.
#pragma once

void clear_vector_upper_state();
