// The exported entry points of the stand-in library: each forwards to the one chip object
// (or the middleware over it) of this copy of the library. Nothing thrown inside leaves them:
// a failed allocation answers -1, the failure every caller already handles.
#include "outside/emulator/emulator.h"
#include "outside/emulator/emulator_api.h"
#include "outside/emulator/middleware.h"
#include "outside/emulator/phrase_reader.h"
#include "platform/export_guard.h"

#define VTR_EMULATOR_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

vtr::emulator::Emulator& Chip() {
  static vtr::emulator::Emulator chip(vtr::emulator::ReadPlayText);
  return chip;
}

vtr::emulator::Middleware& Kmw() {
  static vtr::emulator::Middleware middleware(Chip());
  return middleware;
}

template <typename Call>
int32_t Guarded(Call call) {
  return vtr::platform::GuardExport(int32_t{-1}, call);
}

}  // namespace

VTR_EMULATOR_EXPORT int32_t QsSound_EmuInitialize(int32_t sample_rate, int32_t model,
                                                  int32_t setting) {
  return Guarded([&] { return Chip().EmuInitialize(sample_rate, model, setting); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_EmuTerminate(void) {
  return Guarded([&] { return Chip().EmuTerminate(); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Initialize(void) {
  return Guarded([&] { return Chip().Initialize(); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Terminate(void) {
  return Guarded([&] { return Chip().Terminate(); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_GetEmuInfo(uint8_t* buffer, int32_t length) {
  return Guarded([&] { return Chip().GetEmuInfo(buffer, length); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_DeviceControl(int32_t command, int32_t a, int32_t b,
                                                  int32_t c) {
  return Guarded([&] { return Chip().DeviceControl(command, a, b, c); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Create(int32_t kind) {
  return Guarded([&] { return Chip().Create(kind); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Delete(int32_t function_id) {
  return Guarded([&] { return Chip().Delete(function_id); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Load(int32_t function_id, const uint8_t* data, int32_t length,
                                         int32_t mode, QsEndCallback callback, const void* extra) {
  return Guarded([&] { return Chip().Load(function_id, data, length, mode, callback, extra); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Control(int32_t function_id, int32_t sound_id, int32_t control,
                                            void* block, int32_t extra) {
  return Guarded([&] { return Chip().Control(function_id, sound_id, control, block, extra); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Open(int32_t function_id, int32_t sound_id, int32_t a,
                                         int32_t b) {
  return Guarded([&] { return Chip().Open(function_id, sound_id, a, b); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Standby(int32_t function_id, int32_t sound_id, int32_t a) {
  return Guarded([&] { return Chip().Standby(function_id, sound_id, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Seek(int32_t function_id, int32_t sound_id, int32_t position,
                                         int32_t a) {
  return Guarded([&] { return Chip().Seek(function_id, sound_id, position, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Start(int32_t function_id, int32_t sound_id, int32_t repeat,
                                          int32_t a) {
  return Guarded([&] { return Chip().Start(function_id, sound_id, repeat, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Pause(int32_t function_id, int32_t sound_id, int32_t a) {
  return Guarded([&] { return Chip().Pause(function_id, sound_id, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Restart(int32_t function_id, int32_t sound_id, int32_t a) {
  return Guarded([&] { return Chip().Restart(function_id, sound_id, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Stop(int32_t function_id, int32_t sound_id, int32_t a) {
  return Guarded([&] { return Chip().Stop(function_id, sound_id, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Close(int32_t function_id, int32_t sound_id, int32_t a) {
  return Guarded([&] { return Chip().Close(function_id, sound_id, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Unload(int32_t function_id, int32_t sound_id, int32_t a) {
  return Guarded([&] { return Chip().Unload(function_id, sound_id, a); });
}
VTR_EMULATOR_EXPORT int32_t QsSound_Generate(int32_t function_id, int32_t sound_id,
                                             int16_t* samples, int32_t capacity) {
  return Guarded([&] { return Chip().Generate(function_id, sound_id, samples, capacity); });
}
VTR_EMULATOR_EXPORT int32_t SetMidiMsg(const uint8_t* message, int32_t length) {
  return Guarded([&] { return Chip().SetMidiMsg(message, length); });
}
VTR_EMULATOR_EXPORT int32_t GetMidiMsg(uint8_t* buffer, int32_t length) {
  return Guarded([&] { return Chip().GetMidiMsg(buffer, length); });
}

VTR_EMULATOR_EXPORT int32_t Qsapi_EmuInitialize(int32_t a, const uint8_t* settings, int32_t b,
                                                int32_t c, int32_t d, int32_t e) {
  return Guarded([&] { return Kmw().EmuInitialize(a, settings, b, c, d, e); });
}
VTR_EMULATOR_EXPORT int32_t Qsapi_EmuTerminate(void) {
  return Guarded([&] { return Kmw().EmuTerminate(); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_AtMgrInit(void) {
  return Guarded([&] { return Kmw().AtMgrInit(); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_AtMgrSetInfo(int32_t variant, int32_t sample_rate, int32_t a,
                                               int32_t setting) {
  return Guarded([&] { return Kmw().AtMgrSetInfo(variant, sample_rate, a, setting); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_AtMgrTerm(void) {
  return Guarded([&] { return Kmw().AtMgrTerm(); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Init(void) {
  return Guarded([&] { return Kmw().Init(); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Term(void) {
  return Guarded([&] { return Kmw().Term(); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Open(int32_t handle, const QsKmwOpenRecord* record) {
  return Guarded([&] { return Kmw().Open(handle, record); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Ctrl(int32_t handle, int32_t command, int32_t a, int32_t b,
                                       const uint8_t* data, int32_t length) {
  return Guarded([&] { return Kmw().Ctrl(handle, command, a, b, data, length); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_DevCtrl(int32_t command, int32_t a, int32_t b, int32_t c) {
  return Guarded([&] { return Kmw().DevCtrl(command, a, b, c); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Seek(int32_t handle, int32_t a, const QsKmwSeekRecord* record) {
  return Guarded([&] { return Kmw().Seek(handle, a, record); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Start(int32_t handle, int32_t a) {
  return Guarded([&] { return Kmw().Start(handle, a); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Stop(int32_t handle) {
  return Guarded([&] { return Kmw().Stop(handle); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Close(int32_t handle) {
  return Guarded([&] { return Kmw().Close(handle); });
}
VTR_EMULATOR_EXPORT int32_t QsKmw_Unload(int32_t handle) {
  return Guarded([&] { return Kmw().Unload(handle); });
}
