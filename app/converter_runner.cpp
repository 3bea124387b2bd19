#include "app/converter_runner.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

#include "platform/files.h"
#include "platform/module.h"
#include "platform/process.h"
#include "platform/scratch_folder.h"

namespace vtr::app {
namespace {

constexpr std::string_view kInputName = "tmp.txt";
constexpr std::string_view kOutputName = "tmp.kvx";
constexpr size_t kHeaderBytes = 4;

// ASCII bytes the converter cannot take.
constexpr std::array<uint8_t, 12> kDroppedAscii = {0x22, 0x26, 0x2A, 0x3A, 0x3B, 0x3C,
                                                   0x3E, 0x5E, 0x60, 0x7C, 0x7E, 0x7F};
// Trails kept after the lead A1 (punctuation row).
constexpr std::array<uint8_t, 11> kPunctuationTrails = {0xA1, 0xA2, 0xA3, 0xAA, 0xAE, 0xAF,
                                                        0xB2, 0xB3, 0xC1, 0xC2, 0xE7};
// Trails dropped after the lead A3 (full-width ASCII row).
constexpr std::array<uint8_t, 12> kDroppedWideTrails = {0xA2, 0xA6, 0xA7, 0xAA, 0xBA, 0xBB,
                                                        0xBC, 0xBE, 0xDE, 0xE0, 0xFC, 0xFE};

template <size_t N>
bool In(const std::array<uint8_t, N>& set, uint8_t byte) {
  return std::find(set.begin(), set.end(), byte) != set.end();
}

bool IsLead(uint8_t byte) { return byte > 0xA0 && byte != 0xFF; }

void AppendSingle(std::string& out, uint8_t byte, int flag) {
  if (byte < 0x20 || byte >= 0x80 || In(kDroppedAscii, byte)) return;
  if (byte == 0x21 && flag == 1) {
    out += "\xA1\xA3";
    return;
  }
  out += static_cast<char>(byte);
}

void AppendPair(std::string& out, uint8_t lead, uint8_t trail, int flag) {
  auto keep = [&] {
    out += static_cast<char>(lead);
    out += static_cast<char>(trail);
  };
  if (lead == 0xA1) {
    if (In(kPunctuationTrails, trail)) keep();
  } else if (lead == 0xA3) {
    if (trail == 0xA1 && flag == 1) {
      out += "\xA1\xA3";
    } else if (trail == 0xAD && flag == 1) {
      out += '-';
    } else if (!In(kDroppedWideTrails, trail) && trail != 0xFF) {
      keep();
    }
  } else if ((lead >= 0xB0 && lead <= 0xD6) || (lead >= 0xD8 && lead <= 0xF7)) {
    if (trail <= 0xFE) keep();
  } else if (lead == 0xD7) {
    if (trail <= 0xF9) keep();
  }
}

}  // namespace

ConverterRunner::ConverterRunner(std::filesystem::path plugin_folder,
                                 std::chrono::milliseconds timeout)
    : plugin_folder_(std::move(plugin_folder)), timeout_(timeout) {}

ConverterRunner::~ConverterRunner() = default;

int ConverterRunner::Run(std::string_view text) {
  result_.clear();
  const std::filesystem::path program = plugin_folder_ / platform::MapSystemName(kConverterName);
  std::error_code error;
  const auto status = std::filesystem::status(program, error);
  if (!std::filesystem::is_regular_file(status) ||
      (status.permissions() & std::filesystem::perms::owner_exec) == std::filesystem::perms::none) {
    return kRunNotStarted;
  }
  // A private folder for this conversion only; it goes at the end of the run, or with the
  // program should it be killed first.
  const platform::ScratchFolder scratch("vtr-kvxcnv");
  if (!scratch.ok()) return kRunNoResult;
  const std::filesystem::path& folder = scratch.path();
  int outcome = kRunNoResult;
  {
    std::ofstream input(folder / kInputName, std::ios::binary);
    input.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  platform::ProcessSpec spec;
  spec.program = program;
  spec.args = {(folder / kInputName).string()};
  spec.working_folder = folder;
  spec.end_leftovers = true;
  const platform::ProcessResult run = platform::RunProcess(spec, timeout_);
  if (run.outcome == platform::ProcessOutcome::kNotStarted) {
    outcome = kRunNotStarted;
  } else if (run.ok() && platform::IsRegularFile(folder / kOutputName)) {
    // Anything else under the output's name (a FIFO, a link to a device) is never opened.
    // Read as far as a result can reach and one byte on, which tells a longer one.
    std::ifstream output(folder / kOutputName, std::ios::binary);
    std::string bytes(kHeaderBytes + kMaxConverterResult + 1, '\0');
    output.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(output.gcount()));
    if (!output.bad() && bytes.size() >= kHeaderBytes) {
      std::string body = bytes.substr(kHeaderBytes);
      body.resize(std::min(body.size(), body.find('\0')));
      if (body.size() <= kMaxConverterResult) {
        result_ = std::move(body);
        outcome = kRunOk;
      }
    }
  }
  return outcome;
}

bool ConverterRunner::DeleteTempFiles(const std::filesystem::path& folder) {
  bool ok = true;
  for (std::string_view name : {kOutputName, kInputName}) {
    std::error_code error;
    std::filesystem::remove(folder / name, error);
    if (error) ok = false;
  }
  return ok;
}

int ConverterRunner::Filter(std::string& text, int flag) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (!IsLead(byte)) {
      AppendSingle(out, byte, flag);
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lone lead at the end
    const auto trail = static_cast<uint8_t>(text[i + 1]);
    if (trail <= 0xA0) {  // not a pair: the lead goes, the next byte stands alone
      ++i;
      continue;
    }
    AppendPair(out, byte, trail, flag);
    i += 2;
  }
  if (out.empty()) return kFilterNothingLeft;
  text = std::move(out);
  return kFilterOk;
}

}  // namespace vtr::app
