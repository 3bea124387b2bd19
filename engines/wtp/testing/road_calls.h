// The calls of the whole road, made either on an engine built into the caller or through the
// exports of a Vtr_wtp library, another build's among them: the benchmark tools run the same
// waves through two builds' engines with this, one tool for both.
//
//   // given: std::filesystem::path library_file, recogniser_folder
//   vtr::platform::Module library;
//   vtr::wtp::testing::RoadCalls calls;
//   std::string error;
//   if (!library.LoadFile(library_file) ||
//       !vtr::wtp::testing::LibraryCalls(library, calls, &error)) {
//     return;
//   }
//   // or, with an engine of this build:
//   vtr::wtp::WtpEngine engine(recogniser_folder);
//   calls = vtr::wtp::testing::EngineCalls(engine);
//   if (calls.initialize(vtr::wtp::kStepMs, 0) != 0) return;
//
// A library's engine is the one of its process; it runs the recogniser of the folder
// VTR_RECOGNISER_FOLDER names when Initialize is called (wtp_api.h).
#ifndef VTR_ENGINES_WTP_TESTING_ROAD_CALLS_H_
#define VTR_ENGINES_WTP_TESTING_ROAD_CALLS_H_

#include <functional>
#include <string>

#include "engines/wtp/segment_record.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/module.h"

namespace vtr::wtp::testing {

struct RoadCalls {
  std::function<int(int, int)> initialize;
  std::function<int()> terminate;
  std::function<int(const char*, int)> set_wav;
  std::function<int(const char*, int)> set_text;
  std::function<int(char*, int)> get_pseq;
  std::function<int(SegmentTable*, SegmentTable*)> get_segment;
};

// The calls on `engine`, which must outlive them.
RoadCalls EngineCalls(WtpEngine& engine);

// The exports of the loaded `library`; false, with `error` set, when one is missing. The
// library must stay loaded while the calls are used.
[[nodiscard]] bool LibraryCalls(const platform::Module& library, RoadCalls& calls,
                                std::string* error);

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_ROAD_CALLS_H_
