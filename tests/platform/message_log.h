// A window procedure that records every message it is sent, for tests that
// compare the messages windows receive with what a Win32 program would see.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32.h"

struct LoggedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class MessageLog {
 public:
  MessageLog();
  ~MessageLog();

  // Names a window in the text form of the log ("parent", "child1", ...).
  void name(HWND hwnd, const std::string& label) { labels_[hwnd] = label; }
  void clear() { entries_.clear(); }
  const std::vector<LoggedMessage>& entries() const { return entries_; }
  // "label:WM_NAME" for each entry, space separated; messages in skip are left out.
  std::string text(const std::vector<UINT>& skip = {}) const;
  // Only the given window's messages, as message names.
  std::string textFor(HWND hwnd, const std::vector<UINT>& skip = {}) const;
  int count(HWND hwnd, UINT message) const;
  const LoggedMessage* last(HWND hwnd, UINT message) const;

  // Lets a test answer a message itself; return true when handled.
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> handler;

  static MessageLog* current;
  void record(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  std::vector<LoggedMessage> entries_;
  std::map<HWND, std::string> labels_;
};

LRESULT CALLBACK LoggingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ATOM RegisterLoggingClass(const char* name, UINT style = CS_HREDRAW | CS_VREDRAW);
const char* MessageName(UINT message);
