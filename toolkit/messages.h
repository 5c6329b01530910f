// The program's one way of telling the user something: a single shared message
// box, made on first use and re-used for every later text. The box itself is a
// dialog of the application windows; they install it here. Until then texts go
// to the standard error stream.
#pragma once

// Composed messages (a text with numbers) are cut to this many characters less one.
constexpr int kGVMessageMax = 1000;

// What the toolkit needs of the box: make it showing a text (null when it cannot
// be made), show a new text centred on a screen point, destroy and free it.
struct GVMessageBoxOps {
  void* (*create)(const char* text);
  void (*showText)(void* box, const char* text, int centreX, int centreY);
  void (*destroy)(void* box);
};

// Installs the box operations (null: back to the error stream). A box made
// through the previous operations is destroyed first.
void GVInstallMessageBox(const GVMessageBoxOps* ops);

void GVShowMessage(const char* text);
void GVMessage(const char* text);
// "text n"
void GVMessageInt(const char* text, int n);
// The list dialog's complaint about its column counts.
void GVMessageIntPair(int a, int b);
// A question in a box with a Yes and a No, over every window until answered;
// 1 for Yes.
int GVAskYesNo(const char* text);

// Destroys the box, if one was made (the toolkit's shut-down).
void GVFreeMessageBox();
