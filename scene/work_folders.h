// The working folders: one application root taken from the current directory
// at start-up, the fixed folders under it, and the operations that enter them.
// Paths use "/" (the platform layer also takes "\").
#pragma once

#include <string>

// Builds the root (the current directory less a last folder named exactly
// "bin", "Debug" or "Release") and every folder path, of any length. 0 when
// the current directory cannot be read or the root would be the file-system
// root (also "/bin", "/Debug" and "/Release").
int GVInitFolders();
// The root for a start-up directory by that rule; empty when refused.
std::string GVRootOfDirectory(std::string dir);

// Enter a folder (the process's current directory). Each but GVSetDirRoot
// records the path it tries as the current folder before trying; the scene
// file sub-folders fall back to the scene files folder. Non-zero on success.
int GVSetDirRoot();
int GVSetDirScenes();
int GVSetDirTutorials();
int GVSetDirScenesMGVB();
int GVSetDirGeos();
int GVSetDirJels();
// The material scripts and textures folders (no fall-back).
int GVSetDirScripts();
int GVSetDirTextures();

// 1 when the file opens for reading in the scripts folder; the process's
// directory is put back, the current-folder path keeps the scripts folder.
int GVMaterialScriptExists(const char* fileName);

const char* GVRootDir();
const char* GVSceneFilesDir();
const char* GVTutorialsDir();
const char* GVHelpFilesDir();
const char* GVTexturesDir();
const char* GVScriptsDir();
const char* GVCurrentFolder();  // the folder most recently entered or tried
