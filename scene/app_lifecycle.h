// Start-up and shutdown of the scene's process-wide records.
#pragma once

constexpr const char* kNoCurrentDirMessage = "Gelvane cannot get current directory";

// Builds the folders, then the Geo list, the world, the scene bounds and the
// global work block. When the current directory cannot be read it shows
// kNoCurrentDirMessage and makes nothing; a record whose allocation fails
// stays null. Records left from an earlier start-up are freed first.
void GVAppStartup();
// Frees the scene records in order, each only when present, and nulls them.
// Every Jel goes, whether in group 1 or not.
void GVAppShutdown();
