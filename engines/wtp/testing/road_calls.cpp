#include "engines/wtp/testing/road_calls.h"

#include "engines/wtp/wtp_api.h"

namespace vtr::wtp::testing {

RoadCalls EngineCalls(WtpEngine& engine) {
  WtpEngine* e = &engine;
  return {[e](int step_ms, int flags) { return e->Initialize(step_ms, flags); },
          [e] { return e->Terminate(); },
          [e](const char* path, int length) { return e->SetWav(path, length); },
          [e](const char* text, int length) { return e->SetText(text, length); },
          [e](char* buffer, int length) { return e->GetPSeq(buffer, length); },
          [e](SegmentTable* phonemes, SegmentTable* syllables) {
            return e->GetSegment(phonemes, syllables);
          }};
}

bool LibraryCalls(const platform::Module& library, RoadCalls& calls, std::string* error) {
  auto* initialize = library.Find<VtrWtpInitializeFn>("VtrWtp_Initialize");
  auto* terminate = library.Find<VtrWtpTerminateFn>("VtrWtp_Terminate");
  auto* set_wav = library.Find<VtrWtpSetWavFn>("VtrWtp_SetWav");
  auto* set_text = library.Find<VtrWtpSetTextFn>("VtrWtp_SetText");
  auto* get_pseq = library.Find<VtrWtpGetPSeqFn>("VtrWtp_GetPSeq");
  auto* get_segment = library.Find<VtrWtpGetSegmentFn>("VtrWtp_GetSegment");
  if (initialize == nullptr || terminate == nullptr || set_wav == nullptr || set_text == nullptr ||
      get_pseq == nullptr || get_segment == nullptr) {
    *error = library.error();
    return false;
  }
  calls = {initialize, terminate, set_wav, set_text, get_pseq, get_segment};
  return true;
}

}  // namespace vtr::wtp::testing
