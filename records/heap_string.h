// Heap strings and the ways text travels through scene files.
//
// A heap string is an owned, nul-terminated 8-bit string held through one
// `char*` field; null means the text is absent. The operations below own the
// field they are given: they free what it held (with free()) and store a new
// malloc'd copy. A record frees its strings with GVFreeString. When memory runs
// out a field is left absent.
//
// In an item stream a string is its length (one int, no terminator) and its
// characters appended to the byte array; an absent string is length 0. In a
// file it is a u32 length and that many bytes.
#pragma once

#include <cstdint>
#include <cstdio>

struct ItemStream;

// --- heap-string operations ---
// Replace the text with a copy of text; a null text leaves the field absent.
// Return the field's address.
char** GVSetString(char** field, const char* text);
char** GVSetString2(char** field, const char* text);
// The same from another heap string (absent copies as absent). source may be
// the field's own text.
char** GVCopyString(char** field, const char* source);
void GVFreeString(char** field);
// Appends suffix to the field in place (just the suffix when the field was
// absent) and hands a separate copy of the result to *out. A null suffix
// leaves the field alone and hands back a copy of it.
void GVAppendString(char** field, const char* suffix, char** out);
void GVAppendXXXMark(char** field, char** out);  // suffix " (XXX)"
// *out becomes text followed by suffix (text absent reads as empty; a null
// suffix gives a copy of text, absent for absent); text is not changed.
void GVConcatString(const char* text, const char* suffix, char** out);
int GVStrLen(const char* text);  // 0 when absent
// When the text is longer than n characters, drops its last n (a new
// allocation) and returns 1; otherwise returns 0 and leaves it.
int GVStringDropTail(char** field, int n);
// 1 when both are absent or both present and equal (case-sensitive), else 0.
int GVNameEquals(const char* name, const char* text);
// 1 unless the name is "map1" (an absent name is not "map1").
int GVNameIsNotMap1(const char* name);
// Makes an object name acceptable, in place: drops leading spaces, cuts at the
// next space, then keeps letters anywhere and digits, '_' and '-' only after
// the first kept character. -1 for a null name or one empty before filtering;
// 1 when the filter dropped nothing; 0 when it dropped something (the name may
// then be empty).
int GVCleanName(char* name);

// --- carriers over raw item-stream arrays (cursors are the caller's) ---
// Absent text puts length 0 when the int array is given; present text puts the
// length and characters only when both arrays are given.
void GVStreamPutString(int32_t* ints, uint8_t* bytes, uint32_t* intIndex, uint32_t* byteIndex,
                       const char* text);
// Only when both arrays are given: the length (0 for absent) and characters.
void GVStreamPutHeapString(int32_t* ints, uint8_t* bytes, uint32_t* intIndex, uint32_t* byteIndex,
                           const char* text);
// Takes a length L and L characters into buffer and terminates it. A text
// longer than bufferSize - 1 is cut to fit; the byte cursor still moves past
// all L characters so the parse stays in step. A length below 0 reads as 0.
// Nothing when an array is missing.
void GVStreamGetString(const int32_t* ints, const uint8_t* bytes, uint32_t* intIndex, uint32_t* byteIndex,
                       char* buffer, uint32_t bufferSize);
// Only when both arrays are given: frees the field, takes L; L <= 0 leaves it
// absent, else it becomes the next L characters.
void GVStreamGetNewString(const int32_t* ints, const uint8_t* bytes, uint32_t* intIndex,
                          uint32_t* byteIndex, char** field);

// --- the same over a container, checked against its arrays ---
// What a string puts: one int and its characters.
void GVStreamCountString(ItemStream* stream, const char* text);
// 1 when put; 0 (nothing put) when the arrays lack room.
int GVItemStreamPutString(ItemStream* stream, const char* text);
// 1 when taken; 0 when the int array is exhausted or the length runs past the
// byte array: then the cursors and the field or buffer are left alone.
int GVItemStreamGetNewString(ItemStream* stream, char** field);
int GVItemStreamGetString(ItemStream* stream, char* buffer, uint32_t bufferSize);

// --- files ---
// Only with a file: frees the field, reads a u32 length L and L bytes. L = 0
// gives an empty string (not absent). Returns 1 when read; 0 with no file, and
// 0 with the field absent when the file ends before the length or the text.
int GVReadString(FILE* file, char** field);
// Its mirror: the u32 length and the characters (absent writes length 0).
// 1 when written, 0 when no file or the file refused the bytes.
int GVWriteString(FILE* file, const char* text);
