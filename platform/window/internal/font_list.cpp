#include "platform/window/internal/font_list.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vtr::platform::internal {
namespace {

// The characters a family has, looked up once per family; nullptr when it is not installed.
class Coverage {
 public:
  static Coverage& Get() {
    static Coverage coverage;
    return coverage;
  }

  const FcCharSet* Of(std::string_view family) {
    std::lock_guard lock(mutex_);
    auto [it, added] = sets_.try_emplace(std::string(family), nullptr);
    if (added) it->second = Load(it->first);
    return it->second;
  }

 private:
  Coverage() = default;
  ~Coverage() {
    for (auto& [name, set] : sets_) {
      if (set != nullptr) FcCharSetDestroy(set);
    }
  }

  // Fontconfig answers every request with its best match, another family when the asked one is
  // missing: only a match that carries the asked name counts.
  static FcCharSet* Load(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return nullptr;
    bool named = false;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
      if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) named = true;
    }
    FcCharSet* chars = nullptr;
    FcCharSet* found = nullptr;
    if (named && FcPatternGetCharSet(match, FC_CHARSET, 0, &found) == FcResultMatch) {
      chars = FcCharSetCopy(found);
    }
    FcPatternDestroy(match);
    return chars;
  }

  std::mutex mutex_;
  std::map<std::string, FcCharSet*, std::less<>> sets_;
};

// The code points of UTF-8 text that need a glyph; a broken sequence counts as U+FFFD.
std::vector<FcChar32> Printable(std::string_view utf8) {
  std::vector<FcChar32> out;
  for (size_t i = 0; i < utf8.size();) {
    FcChar32 c = 0;
    const int used = FcUtf8ToUcs4(reinterpret_cast<const FcChar8*>(utf8.data() + i), &c,
                                  static_cast<int>(utf8.size() - i));
    if (used <= 0) {
      c = 0xFFFD;
      ++i;
    } else {
      i += static_cast<size_t>(used);
    }
    if (c >= 0x20 && c != 0x7F) out.push_back(c);
  }
  return out;
}

}  // namespace

bool FontInstalled(std::string_view name) { return Coverage::Get().Of(name) != nullptr; }

int FontIndexFor(std::string_view utf8, bool fixed) {
  FontCoverage coverage;
  coverage.Add(utf8);
  return coverage.Choice(fixed);
}

void FontCoverage::Count(std::string_view utf8, int sign) {
  const std::vector<FcChar32> chars = Printable(utf8);
  if (chars.empty()) return;
  for (int fixed = 0; fixed < 2; ++fixed) {
    for (size_t i = 0; i < kFontList.size(); ++i) {
      const FcCharSet* set =
          Coverage::Get().Of(fixed ? kFontList[i].fixed : kFontList[i].proportional);
      if (set == nullptr) continue;
      long missing = 0;
      for (FcChar32 c : chars) {
        if (!FcCharSetHasChar(set, c)) ++missing;
      }
      missing_[fixed][i] += sign * missing;
    }
  }
}

int FontCoverage::Choice(bool fixed) const {
  int best = -1;
  long best_missing = 0;
  for (size_t i = 0; i < kFontList.size(); ++i) {
    if (Coverage::Get().Of(fixed ? kFontList[i].fixed : kFontList[i].proportional) == nullptr)
      continue;
    const long missing = missing_[fixed ? 1 : 0][i];
    if (missing == 0) return static_cast<int>(i);
    if (best < 0 || missing < best_missing) {
      best = static_cast<int>(i);
      best_missing = missing;
    }
  }
  return best < 0 ? 0 : best;
}

}  // namespace vtr::platform::internal
