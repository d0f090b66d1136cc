// A named mutex lives as long as a process holds a handle to it, so a copy
// that crashed leaves none behind.
#include <windows.h>

#include "platform/single_instance.h"
#include "platform/win32_text.h"

namespace zarvek {
namespace {

class MutexInstance : public FirstInstance {
 public:
  explicit MutexInstance(HANDLE mutex) : mutex_(mutex) {}
  ~MutexInstance() override {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  // A later start raises the window itself.
  void Listen(const WatchReadable&, std::function<void()>) override {}

 private:
  HANDLE mutex_;
};

}  // namespace

std::unique_ptr<FirstInstance> ClaimFirstInstance(
    const std::string& name, const std::string& window_title) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, win32::Widen(name).c_str());
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    // The running copy may still be building its window: it is looked for
    // for about three seconds.
    const std::wstring title = win32::Widen(window_title);
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (HWND window = FindWindowW(nullptr, title.c_str())) {
        if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
        SetForegroundWindow(window);
        CloseHandle(mutex);
        return nullptr;
      }
      Sleep(150);
    }
  }
  return std::make_unique<MutexInstance>(mutex);
}

}  // namespace zarvek
