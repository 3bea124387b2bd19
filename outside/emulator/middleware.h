// The sound middleware entry points of the stand-in library, played through the same chip.
//
// The middleware plays one phrase on the handle QS_KMW_HANDLE: set-up (AtMgrInit and
// AtMgrSetInfo, or Qsapi_EmuInitialize with its settings block; then Init and Ctrl set-up),
// Open with the play text, Seek, Ctrl (volume 44, repeat 52, data), Start; the end callback
// given at Open reports QS_EVENT_END; Stop, Close, Unload, Term and AtMgrTerm or
// Qsapi_EmuTerminate undo it.
#ifndef VTR_OUTSIDE_EMULATOR_MIDDLEWARE_H_
#define VTR_OUTSIDE_EMULATOR_MIDDLEWARE_H_

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "outside/emulator/emulator.h"
#include "outside/emulator/emulator_api.h"

namespace vtr::emulator {

class Middleware {
 public:
  explicit Middleware(Emulator& chip) : chip_(chip) {}

  int32_t EmuInitialize(int32_t a, const uint8_t* settings, int32_t b, int32_t c, int32_t d,
                        int32_t e);
  int32_t EmuTerminate();
  int32_t AtMgrInit();
  int32_t AtMgrSetInfo(int32_t variant, int32_t sample_rate, int32_t a, int32_t setting);
  int32_t AtMgrTerm();
  int32_t Init();
  int32_t Term();
  int32_t Open(int32_t handle, const QsKmwOpenRecord* record);
  int32_t Ctrl(int32_t handle, int32_t command, int32_t a, int32_t b, const uint8_t* data,
               int32_t length);
  int32_t DevCtrl(int32_t command, int32_t a, int32_t b, int32_t c);
  int32_t Seek(int32_t handle, int32_t a, const QsKmwSeekRecord* record);
  int32_t Start(int32_t handle, int32_t a);
  int32_t Stop(int32_t handle);
  int32_t Close(int32_t handle);
  int32_t Unload(int32_t handle);

 private:
  void Reset();

  Emulator& chip_;
  std::mutex mutex_;
  int32_t function_id_ = -1;
  int32_t sound_id_ = -1;
  int volume_ = 127;
  int repeat_ = 1;
  std::map<int32_t, int32_t> controls_;
  std::vector<uint8_t> data_;
};

}  // namespace vtr::emulator

#endif  // VTR_OUTSIDE_EMULATOR_MIDDLEWARE_H_
