// COM on the calling thread, as tests need to see it.
#pragma once

// Whether the thread is inside a single-threaded apartment (entered with
// CoInitialize and not yet left as often). Leaves no trace.
bool ComEntered();
