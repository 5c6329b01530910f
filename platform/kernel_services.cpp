// Kernel services: last-error codes and their system texts, local memory, the
// module handle, and small C-runtime gaps (lstrlenA, MulDiv).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/kernel32.h"
#include "platform/user32.h"

static DWORD g_lastError = ERROR_SUCCESS;

DWORD GetLastError(void) { return g_lastError; }
void SetLastError(DWORD code) { g_lastError = code; }

// The system's texts for the error codes this layer raises.
static const char* systemText(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.\r\n";
    case ERROR_INVALID_FUNCTION: return "Incorrect function.\r\n";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.\r\n";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.\r\n";
    case ERROR_ACCESS_DENIED: return "Access is denied.\r\n";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.\r\n";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory resources are available to process this command.\r\n";
    case ERROR_NO_MORE_FILES: return "There are no more files.\r\n";
    case ERROR_NOT_SUPPORTED: return "The request is not supported.\r\n";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.\r\n";
    case ERROR_INSUFFICIENT_BUFFER: return "The data area passed to a system call is too small.\r\n";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.\r\n";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.\r\n";
    case ERROR_FILENAME_EXCED_RANGE: return "The filename or extension is too long.\r\n";
    case ERROR_DIRECTORY: return "The directory name is invalid.\r\n";
    case ERROR_INVALID_FLAGS: return "Invalid flags.\r\n";
    case ERROR_INVALID_WINDOW_HANDLE: return "Invalid window handle.\r\n";
    case ERROR_TLW_WITH_WSCHILD: return "Cannot create a top-level child window.\r\n";
    case ERROR_CANNOT_FIND_WND_CLASS: return "Cannot find window class.\r\n";
    case ERROR_CLASS_ALREADY_EXISTS: return "Class already exists.\r\n";
    case ERROR_CLASS_DOES_NOT_EXIST: return "Class does not exist.\r\n";
    case ERROR_CLASS_HAS_WINDOWS: return "Class still has open windows.\r\n";
    case ERROR_INVALID_INDEX: return "Invalid index.\r\n";
    case ERROR_NO_TIMER_RESOURCES: return "No timers available.\r\n";
    case ERROR_RESOURCE_TYPE_NOT_FOUND: return "The specified resource type cannot be found in the image file.\r\n";
    case ERROR_RESOURCE_NAME_NOT_FOUND: return "The specified resource name cannot be found in the image file.\r\n";
    default: return nullptr;
  }
}

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD, LPSTR buffer, DWORD size, void*) {
  const char* text = nullptr;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    text = (const char*)source;
  } else if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
    text = systemText(messageId);
  }
  if (!text || !buffer) {
    SetLastError(text ? ERROR_INVALID_PARAMETER : ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  size_t n = strlen(text);
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    // buffer is where the address of the allocated text goes; LocalFree frees it.
    size_t bytes = n + 1 > size ? n + 1 : size;
    char* out = (char*)LocalAlloc(LMEM_FIXED, bytes);
    if (!out) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    memcpy(out, text, n + 1);
    *(char**)buffer = out;
    return (DWORD)n;
  }
  if (size < n + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(buffer, text, n + 1);
  return (DWORD)n;
}

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
  if (bytes == 0) bytes = 1;
  void* p = (flags & LMEM_ZEROINIT) ? calloc(1, bytes) : malloc(bytes);
  if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return p;
}

HLOCAL LocalFree(HLOCAL memory) {
  free(memory);
  return nullptr;
}

// The program is one module; its instance handle names it.
static char g_module;

HMODULE GetModuleHandleA(LPCSTR name) {
  if (name) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return &g_module;
}

DWORD GetCurrentThreadId(void) { return 1; }

int lstrlenA(LPCSTR text) { return text ? (int)strlen(text) : 0; }

// number * numerator / denominator through 64 bits, rounded half away from zero;
// -1 for a zero denominator or a result beyond int.
int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  int64_t p = (int64_t)number * numerator;
  int64_t d = denominator;
  bool negative = (p < 0) != (d < 0);
  uint64_t ap = p < 0 ? (uint64_t)(-p) : (uint64_t)p;
  uint64_t ad = d < 0 ? (uint64_t)(-d) : (uint64_t)d;
  uint64_t q = (ap + ad / 2) / ad;
  if (q > (uint64_t)INT32_MAX + (negative ? 1u : 0u)) return -1;
  return negative ? (int)-(int64_t)q : (int)q;
}
