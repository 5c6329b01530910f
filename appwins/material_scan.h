// Reading material scripts only to offer their materials by name: the names
// after the keyword "material", less a "<base>/" prefix, template materials
// ("GvTEMPLATE...") skipped.
#pragma once

constexpr int kMaterialNameMax = 256;  // name buffers, with the terminator

// Just after the first occurrence of the first `length` characters of `word`
// in `text`, or null. Plain, case-sensitive.
const char* GVFindAfter(const char* text, const char* word, int length);
const char* GVFindAfter(const char* text, const char* word);

// Copies the token after a keyword (the character at `pos` is skipped, then
// blanks) into `token` (kMaterialNameMax characters) and returns where it
// starts, or null when the text ends before a blank closes it. A token too
// long for the buffer is returned empty (callers skip it).
const char* GVNextMaterialToken(const char* pos, char* token);

// 1 when `name` begins with "GvTEMPLATE".
int GVIsTemplateName(const char* name);

// The next listed entry: `name` (kMaterialNameMax) receives it, `slash` (may
// be null) 1 when it was written "<base>/name". Returns the position after
// the entry's token, or null when there is none.
const char* GVScanMaterialScript(const char* text, const char* keyword, const char* base,
                                 char* name, int* slash);

// The base name of a script file (the name less ".material"): false when the
// name has 9 characters or fewer or the base would not fit kMaterialNameMax.
bool GVMaterialBaseName(const char* fileName, char* base);

// Every listed name of a script text, in order; calls add(name, user) for
// each. Returns the count.
int GVWalkMaterialScript(const char* text, const char* base,
                         void (*add)(const char* name, void* user), void* user);

// The slash flag of the first entry of the text listed under `name`, or -1.
int GVLookUpScriptMaterial(const char* text, const char* base, const char* name);

// The same for a file in the scripts folder (comments kept), -1 when it cannot
// be read or its name is too short; the application root is made current again.
int GVFindScriptMaterial(const char* fileName, const char* name);

// Reads a whole file in binary mode, NUL-terminated; null when it cannot be
// opened. The caller frees it with delete[].
char* GVReadWholeFile(const char* path, long* size);
