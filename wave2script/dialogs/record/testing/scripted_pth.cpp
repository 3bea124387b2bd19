// A stand-in for Plugin/Vtr_pth.so for the tests of the script road: its script is the text of
// the environment variable VTR_RECORD_PTH_SCRIPT, and without it the script step fails.
#include <cstdlib>
#include <cstring>

#define VTR_FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

VTR_FIXTURE_EXPORT int VtrPth_Initialize(int, int) { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_Terminate() { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_SetPSeq(const unsigned char*, int, int) { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_SetDuration(int, int) { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_GetKVX(char* buffer, int length) {
  const char* script = std::getenv("VTR_RECORD_PTH_SCRIPT");
  if (script == nullptr) return -6;
  const int size = static_cast<int>(std::strlen(script));
  if (size + 1 > length) return -3;
  std::memcpy(buffer, script, static_cast<size_t>(size) + 1);
  return size;
}
