// The engine keeps the library record of a plug-in it failed to load (its
// loader throws past the record); the missing-plug-in test goes down that path.
extern "C" const char* __lsan_default_suppressions() { return "leak:Ogre::DynLibManager::load\n"; }
