// A message presenter for tests: records the ids of the messages shown and the cursor as each
// came, and answers each box from a queue of buttons (kIdYes once the queue is empty).
#ifndef VTR_SCRIPTEDIT_TESTING_RECORDING_PRESENTER_H_
#define VTR_SCRIPTEDIT_TESTING_RECORDING_PRESENTER_H_

#include <deque>
#include <string_view>
#include <vector>

#include "core/messages.h"
#include "platform/window/window_system.h"

namespace vtr::scriptedit {

class RecordingPresenter : public core::MessagePresenter {
 public:
  RecordingPresenter() { core::InstallMessagePresenter(this); }
  ~RecordingPresenter() override { core::InstallMessagePresenter(nullptr); }
  RecordingPresenter(const RecordingPresenter&) = delete;
  RecordingPresenter& operator=(const RecordingPresenter&) = delete;

  int Show(void* owner, std::string_view text, std::string_view, uint32_t) override {
    owners.push_back(owner);
    cursors.push_back(platform::CurrentCursor());
    unsigned id = 0;
    for (unsigned candidate = core::kMessageInternalError; candidate <= core::kMessageCannotChange;
         ++candidate) {
      if (core::MessageText(core::kBuildMessageLanguage, candidate) == text) id = candidate;
    }
    shown.push_back(id);
    if (answers.empty()) return core::kIdYes;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<unsigned> shown;
  std::vector<void*> owners;
  std::vector<platform::Cursor> cursors;
  std::deque<int> answers;
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_TESTING_RECORDING_PRESENTER_H_
