// Little-endian values on stdio files, for the record readers and writers of the
// scene and object files. Each reader returns 1, or 0 when the file ends or fails
// (the output is then left alone); each writer returns 1, or 0 when the file
// refused the bytes.
#pragma once

#include <cstdint>
#include <cstdio>

int GVFileReadU32(FILE* f, uint32_t* out);
int GVFileReadI32(FILE* f, int32_t* out);
int GVFileReadF32(FILE* f, float* out);
int GVFileReadF64(FILE* f, double* out);
int GVFileReadBytes(FILE* f, void* out, size_t n);
// Reads and drops n bytes.
int GVFileSkip(FILE* f, size_t n);

int GVFileWriteU32(FILE* f, uint32_t v);
int GVFileWriteI32(FILE* f, int32_t v);
int GVFileWriteF32(FILE* f, float v);
int GVFileWriteF64(FILE* f, double v);
int GVFileWriteBytes(FILE* f, const void* data, size_t n);

// Bytes between the file position and the end of a seekable file; -1 when the
// file cannot tell (a pipe). Readers compare declared counts with it before they
// allocate.
long long GVFileRemaining(FILE* f);
