// Keeps C++ exceptions inside a library. The exports of our libraries are plain C functions
// bound by name; their callers (another library, a host in any language) cannot catch a C++
// exception, and one that left an export would end the host. Every export forwards through
// GuardExport, so whatever throws inside (an allocation that fails, a fault) becomes the
// export's own failure result instead.
//
//   // given: struct WtpEngine { int SetWav(const char*, int); }; WtpEngine& Engine()
//   extern "C" int VtrWtp_SetWav(const char* path, int path_length) {
//     return vtr::platform::GuardExport(-5, [&] { return Engine().SetWav(path, path_length); });
//   }
//   extern "C" void VtrKvxDll_GetDlgData(...) {
//     vtr::platform::GuardExport([&] { ... });
//   }
#ifndef VTR_PLATFORM_EXPORT_GUARD_H_
#define VTR_PLATFORM_EXPORT_GUARD_H_

#include <type_traits>
#include <utility>

namespace vtr::platform {

// Returns what `body` returns, or `on_exception` when anything is thrown out of it.
template <typename Result, typename Body>
requires std::is_convertible_v<std::invoke_result_t<Body&>, Result> Result
GuardExport(Result on_exception, Body&& body)
noexcept {
  try {
    return body();
  } catch (...) {
    return on_exception;
  }
}

// For an export that returns nothing: what is thrown out of `body` ends there.
template <typename Body>
requires std::is_void_v<std::invoke_result_t<Body&>>
void GuardExport(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_EXPORT_GUARD_H_
