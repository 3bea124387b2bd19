// Test helpers shared by the intonation graph's tests.
#ifndef VTR_WAVE2SCRIPT_DIALOGS_INTONATION_TESTING_INTONATION_TESTING_H_
#define VTR_WAVE2SCRIPT_DIALOGS_INTONATION_TESTING_INTONATION_TESTING_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/messages.h"
#include "wave2script/dialogs/intonation/intonation_graph_model.h"

namespace vtr::w2s::testing {

// The boundary x of every point.
inline std::vector<int> Xs(const IntonationGraphModel& model) {
  std::vector<int> xs;
  for (const IntonationPoint& p : model.points()) xs.push_back(p.x);
  return xs;
}

// The end time of every point's record.
inline std::vector<int> EndTimes(const IntonationGraphModel& model) {
  std::vector<int> ends;
  for (const IntonationPoint& p : model.points()) ends.push_back(p.record.end_time);
  return ends;
}

// Notes the text of every message box and answers OK.
class CountingPresenter : public core::MessagePresenter {
 public:
  int Show(void*, std::string_view text, std::string_view, uint32_t) override {
    texts.emplace_back(text);
    return core::kIdOk;
  }
  std::vector<std::string> texts;
};

}  // namespace vtr::w2s::testing

#endif  // VTR_WAVE2SCRIPT_DIALOGS_INTONATION_TESTING_INTONATION_TESTING_H_
