// Comments in the texts the list dialog reads: "//" to the end of the line and
// "/* ... */" blocks.
#pragma once

// Where a comment starting at p ends: p itself when none starts there; the line
// break ending a line comment (kind 1); the closing '/' of a block comment
// (kind 2); the terminating zero when the text ends inside (kind 0).
const char* GVSkipComment(const char* p, int* kind);

// Copies src to dst without its comments; line breaks ending line comments stay.
// dst must hold strlen(src) + 1 characters.
void GVStripComments(const char* src, char* dst);
