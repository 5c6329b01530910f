// The engine keeps the library record of a plug-in it failed to load (its
// loader throws past the record); the missing-plug-in test goes down that path.
// The software GL driver keeps the buffer of GL feedback mode, which the
// overlay tests use to count what was drawn, past the context's end.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:Ogre::DynLibManager::load\nleak:swrast_dri.so\n";
}

// The software GL driver's rasteriser threads (one per core) live until the
// process ends, and LeakSanitizer must stop every thread for its check at
// exit; with many of them that stop sometimes crashes. Two threads are enough
// for the tests' views. Set before the driver loads; an explicit setting wins.
#include <cstdlib>
namespace {
const int kRasterThreads = setenv("LP_NUM_THREADS", "2", 0);
}  // namespace

// The engine's image codec hands the decoder's malloc'd pixels to an image
// that frees them with delete[]: every texture read from a file meets it.
// The leak checker's thread-local interception crashes its tracer now and
// then in these large binaries under load, after every test has passed.
extern "C" const char* __asan_default_options() { return "alloc_dealloc_mismatch=0:intercept_tls_get_addr=0"; }
