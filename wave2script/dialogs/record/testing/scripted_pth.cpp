// A stand-in for Plugin/Vtr_pth.so whose script step fails, for the tests of the script road.
#define VTR_FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

VTR_FIXTURE_EXPORT int VtrPth_Initialize(int, int) { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_Terminate() { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_SetPSeq(const unsigned char*, int, int) { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_SetDuration(int, int) { return 0; }
VTR_FIXTURE_EXPORT int VtrPth_GetKVX(char*, int) { return -6; }
