// Object names typed by the user: a valid name is non-empty and made of letters,
// '_' and digits, a digit never first. The checks clean a typed name in place.
#pragma once

// The character may stand at this position of a name.
bool GVIsNameChar(char c, int position);
// No letter a-z / A-Z (true for an empty string).
bool GVHasNoLetter(const char* s);
bool GVIsValidName(const char* s);

// 0: valid and untouched; 1: *name (a malloc'd string) was replaced by a cleaned
// valid name in a new allocation; -1: null, empty or without a letter, untouched.
int GVCleanObjectName(char** name);

// Clean `name` in place for a new object: 1 when a usable name is left, else 0.
int GVCheckNewName(char* name);
// Clean `name` in place for a rename: 1 valid as typed, 0 cleaned, -1 unusable.
int GVCheckRenameName(char* name);
