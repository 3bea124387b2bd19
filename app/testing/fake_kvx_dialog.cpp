// A stand-in for the script edit dialog library with the same two exports the main window
// binds, plus a hook for tests: the dialog "returns" a fixed script from its own storage.
#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
void (*g_hook)(const char*) = nullptr;
int g_result = 1;
std::string g_text;
std::string g_path;
}  // namespace

FAKE_EXPORT void FakeDialog_Set(void (*hook)(const char*), int result) {
  g_hook = hook;
  g_result = result;
}

FAKE_EXPORT int VtrKvxDll_OpenDlg(int, const char* text, const char*, const char* emulator, int,
                                  unsigned, int) {
  if (g_hook != nullptr)
    g_hook(text != nullptr && emulator != nullptr && emulator[0] == '/' ? "dialog" : "bad");
  g_text = "KV#J\x82\xA9\x82\xC8\x82\xA9";
  g_path = "/tmp/edited.kvx";
  return g_result;
}

FAKE_EXPORT void VtrKvxDll_GetDlgData(int* saved, char** text, char** path, int* voice, int* volume,
                                      int* reserved) {
  *saved = 0;
  *text = g_text.data();
  *path = g_path.data();
  *voice = 2;
  *volume = 80;
  *reserved = 0;
}
