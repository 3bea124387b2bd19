#include "scriptedit/dialog/number_spin.h"

#include <string>

namespace vtr::scriptedit {

bool NumberSpin::OnDeltaPos(int, int) {
  if (buddy() == nullptr || !buddy()->text().empty()) return false;
  buddy()->SetText(std::to_string(lower()));
  return true;
}

}  // namespace vtr::scriptedit
