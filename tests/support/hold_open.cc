// Holds a file open as another Windows program may, sharing it for reading
// alone, so that the tests under Wine can try to replace it.
//
//   hold_open.exe FILE READY SECONDS
//
// Opens FILE, then creates READY to say it holds it, and keeps it open for
// SECONDS. Exit status 2 for wrong arguments, 3 when FILE cannot be opened.

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    return 2;
  }
  HANDLE held = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    return 3;
  }
  HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (ready != INVALID_HANDLE_VALUE) {
    CloseHandle(ready);
  }
  Sleep(static_cast<DWORD>(std::wcstol(argv[3], nullptr, 10)) * 1000);
  CloseHandle(held);
  return 0;
}
