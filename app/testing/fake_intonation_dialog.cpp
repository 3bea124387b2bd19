// A stand-in for the intonation dialog library with the two exports the main window binds, plus
// a hook for tests. The texts it hands out live in the library, as the real one's do.
#include "app/testing/fake_intonation_dialog.h"

#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
void (*g_hook)(const FakeIntonationCall&) = nullptr;
FakeIntonationAnswer g_answer{1, 1, nullptr, 0, 100, nullptr, 0};
std::string g_script;
std::string g_path;

std::string Text(const char* text) { return text == nullptr ? std::string() : std::string(text); }
}  // namespace

FAKE_EXPORT void FakeIntonation_Set(void (*hook)(const FakeIntonationCall&),
                                    const FakeIntonationAnswer& answer) {
  g_hook = hook;
  g_answer = answer;
  g_script = Text(answer.script);
  g_path = Text(answer.script_path);
}

FAKE_EXPORT int W2S_openWaveToKvxDlg(int saved, const char* wave_path, const char* script,
                                     int voice, int volume, const char* script_path,
                                     int pass_through) {
  if (g_hook != nullptr) {
    g_hook({"open", saved, wave_path, script, voice, volume, script_path, pass_through});
  }
  return g_answer.result;
}

FAKE_EXPORT int W2S_getWaveToKvxData(int* saved, char** script, int* voice, int* volume,
                                     char** script_path, int* pass_through) {
  if (g_hook != nullptr) g_hook({"get", 0, nullptr, nullptr, 0, 0, nullptr, 0});
  *saved = g_answer.saved;
  *script = g_script.data();
  *voice = g_answer.voice;
  *volume = g_answer.volume;
  *script_path = g_path.data();
  *pass_through = g_answer.pass_through;
  return g_answer.saved;
}
