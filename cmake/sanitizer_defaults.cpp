// Linked into every program built with the address sanitizer: run-time options it needs on any
// invocation (ctest, a soak loop, a debugger), not only where a script exports ASAN_OPTIONS.
//
// intercept_tls_get_addr=0: the runtime's own bookkeeping of the thread-local blocks of libraries
// loaded with dlopen guesses each block's extent from its address. A block that malloc happens to
// place 16 bytes past a page boundary is taken for an old C library's layout, and the "header" it
// reads from the bytes in front becomes a range of gigabytes starting near address 0. The leak
// check scans that range at exit and its tracer dies of a segmentation fault. The GL driver's
// shader compiler is such a library, its block is made in the drawing thread at the first draw,
// and where it lands depends on how many allocations came first (so on the renderer's thread
// count). Without the bookkeeping the leak check still scans every thread's stack and static TLS,
// where this project's thread-locals live, since none of its code is loaded with dlopen.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
