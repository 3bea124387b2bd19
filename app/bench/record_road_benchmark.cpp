// The record road of the real program, the first one after each start, timed on a private Xvfb
// server under a window manager while the machine is busy.
//
// Every road starts the program of the program folder afresh, opens the intonation edit dialog
// (Ctrl+W), presses its record button, opens an 8 s, 16 kHz recording through the wave input
// dialog's file chooser, types the recording's 69 kana and presses OK. The road's time runs from
// OK to the segment dialog drawn on the screen. Right after it the analysis alone runs in this
// process (the engine behind the analysis library, with the recogniser of the program folder) on
// the same recording and text; what the road takes beyond it is the program's own share. At the
// moment of OK another program's window is opened as well: how long the window manager takes to
// show it tells the program's share from the window manager's.
//
// The kana reach the program as a person types them through an input method: as key presses of
// keys that carry them, the keyboard map made once before the window manager starts. With
// --typing remap they are typed the way `xdotool type` types a character the map lacks, binding
// it to a spare key for a moment, which changes the keyboard map twice for every character.
// Under openbox such a road waits seconds for the window manager, not for the program: it takes
// up every change of the map (grabbing its key bindings anew) before it shows any new window, the
// segment dialog as much as another program's; without a window manager the road is as quick as
// with the keymap.
//
//   build/bench/vtr_record_road_benchmark [--roads 50] [--load 5] [--typing keymap|remap]
//                                         [--no-window-manager]
//
// Prints every road and the distribution (min, median, p90, max); ends with status 1 when a road
// took more than a second beyond the analysis, 2 when something needed is missing.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/testing/program_on_xvfb.h"
#include "engines/pth/kana_labels.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wave_buffer.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/window/testing/x_server.h"
#include "resources/resources.h"
#include "wave2script/core/segment_list.h"
#include "wave2script/dialogs/record/record_library.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vtr::app::testing::ProgramOnXvfb;
using vtr::platform::testing::WaitFor;
using vtr::platform::testing::XInput;
using vtr::platform::testing::XServer;

constexpr double kRecordingSec = 8.0;  // [s]
constexpr int kRecordingRate = 16000;  // [Hz]
constexpr size_t kKanaCount = 69;      // characters of the text
constexpr int kLimitMs = 1000;         // [ms] the most a road may take beyond the analysis
constexpr char kIntonationDialog[] = "Intonation Edit Dialog";
constexpr char kWaveInputDialog[] = "音声ファイルコンバート";
constexpr char kSegmentDialog[] = "セグメントの位置を確認";
constexpr int kIntonationDialogId = 141;
constexpr int kRecordButton = 162;
constexpr int kSegmentGraph = 166;
constexpr int kSegmentDialogId = 148;
constexpr char kControlWindow[] = "xlogo";
constexpr double kControlGraceMs = 3000;   // [ms] the other window may come after the dialog
constexpr double kRoadPatienceMs = 60000;  // [ms] the longest road waited for

// Keycodes the standard keymap leaves to rarely used keys; each takes one kana of the text.
std::vector<int> SpareKeycodes() {
  std::vector<int> codes;
  for (int code = 147; code <= 190; ++code) codes.push_back(code);
  for (int code = 208; code <= 255; ++code) codes.push_back(code);
  return codes;
}

// Shell functions every command gets: the id of the window named $1, and whether it shows.
constexpr char kShellHelpers[] =
    "wid() { xwininfo -name \"$1\" 2>/dev/null | awk '/Window id:/ {print $4; exit}'; }\n"
    "shown() { xwininfo -name \"$1\" 2>/dev/null | grep -q 'Map State: IsViewable'; }\n";

struct Options {
  int roads = 50;
  int load = 5;  // busy processes beside the program
  bool remap_typing = false;
  bool window_manager = true;
};

struct Recording {
  fs::path wave;
  std::string kana;     // Shift-JIS
  std::string aligner;  // the aligner's text for it
  std::vector<char32_t> characters;
};

struct Road {
  double road_ms = 0;
  double analysis_ms = 0;
  double control_ms = -1;  // another program's window; -1: not seen
};

std::vector<char32_t> CodePoints(std::string_view utf8) {
  std::vector<char32_t> points;
  for (size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? byte : byte & (0x7F >> length);
    for (int k = 1; k < length && i + k < utf8.size(); ++k) {
      point = (point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    points.push_back(point);
    i += static_cast<size_t>(length);
  }
  return points;
}

std::string Keysym(char32_t point) {
  char name[16];
  std::snprintf(name, sizeof name, "U%04X", static_cast<unsigned>(point));
  return name;
}

// A synthetic utterance of ordinary Japanese-like speech whose text is exactly kKanaCount kana,
// written into `folder`.
bool MakeRecording(const fs::path& folder, Recording& recording) {
  using namespace vtr::wtp::testing;
  for (uint32_t seed = 1; seed < 10000; ++seed) {
    UtteranceStyle style;
    style.seconds = kRecordingSec - 0.6;
    const SynthScript script = RandomUtterance(style, seed);
    std::string kana;
    bool known = true;
    for (const SynthSyllable& s : script) {
      if (s.symbol == " ") {
        if (s.in_text) kana += "\x82\xC1";  // a marked pause: small tsu
        continue;
      }
      const int row = vtr::pth::FindKanaLabel(s.symbol);
      if (row < 0) {
        known = false;
        break;
      }
      kana += vtr::pth::KanaLabels()[static_cast<size_t>(row)].kana();
    }
    if (!known || kana.size() != 2 * kKanaCount) continue;
    std::string aligner;
    if (vtr::w2s::BuildAlignerText(kana, &aligner) != 0) continue;
    const vtr::platform::TextResult utf8 =
        vtr::platform::ToUtf8(vtr::platform::Encoding::kShiftJis, kana);
    if (!utf8.ok()) continue;
    SynthVoice voice;
    voice.f0_hz = 130;
    voice.breath_chance = 0.3;
    SynthSpeech speech = Synthesize(script, kRecordingRate, voice, seed, 0.3, 0.3);
    speech.samples.resize(static_cast<size_t>(kRecordingSec * kRecordingRate), 1);
    recording.wave = folder / "speech.wav";
    if (vtr::wtp::WaveBuffer(speech.samples, kRecordingRate).WriteWave(recording.wave) !=
        vtr::wtp::WaveResult::kOk) {
      return false;
    }
    recording.kana = kana;
    recording.aligner = aligner;
    recording.characters = CodePoints(utf8.text);
    return true;
  }
  return false;
}

// The standard keymap with every kana of the text on a spare key of its own.
std::string KanaKeymap(const Recording& recording) {
  std::vector<char32_t> distinct;
  for (char32_t c : recording.characters) {
    if (std::find(distinct.begin(), distinct.end(), c) == distinct.end()) distinct.push_back(c);
  }
  const std::vector<int> codes = SpareKeycodes();
  std::string keys;
  for (size_t i = 0; i < distinct.size() && i < codes.size(); ++i) {
    keys += "    key <I" + std::to_string(codes[i]) + "> { [ " + Keysym(distinct[i]) + " ] };\n";
  }
  return "xkb_keymap {\n  xkb_keycodes { include \"evdev+aliases(qwerty)\" };\n"
         "  xkb_types { include \"complete\" };\n  xkb_compat { include \"complete\" };\n"
         "  xkb_symbols {\n    include \"pc+us+inet(evdev)\"\n" +
         keys + "  };\n  xkb_geometry { include \"pc(pc105)\" };\n};\n";
}

XInput Typing(const Recording& recording, bool remap) {
  if (remap) {
    const vtr::platform::TextResult utf8 =
        vtr::platform::ToUtf8(vtr::platform::Encoding::kShiftJis, recording.kana);
    return XInput().Type(utf8.text, 15);
  }
  std::string keys;
  for (char32_t c : recording.characters) keys += (keys.empty() ? "" : " ") + Keysym(c);
  return XInput().Key(keys, 15);
}

// The analysis alone, through the engine behind the analysis library's exports and the
// recogniser of the program folder, in the order the wave input dialog calls them: [ms], or a
// negative value on failure.
double TimeAnalysis(const Recording& recording) {
  vtr::wtp::WtpEngine engine(fs::path(VTR_DIST_DIR) / "Plugin" / "Julius");
  std::vector<char> buffer(vtr::w2s::kRecordBufferBytes);
  const std::string wave = recording.wave.string();
  const Clock::time_point start = Clock::now();
  bool ok = engine.Initialize(20, 0) == 0;
  ok = ok && engine.SetWav(wave.c_str(), static_cast<int>(wave.size())) == 0;
  ok = ok &&
       engine.SetText(recording.aligner.data(), static_cast<int>(recording.aligner.size())) == 0;
  ok = ok && engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size())) > 0;
  vtr::wtp::SegmentTable phonemes{0, nullptr}, syllables{0, nullptr};
  ok = ok && engine.GetSegment(&phonemes, &syllables) == 0;
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  (void)engine.Terminate();
  return ok ? ms : -1;
}

double Since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits until window `name` shows and returns its id (0 when it never does).
unsigned long WaitForWindow(ProgramOnXvfb& x, const std::string& name) {
  std::string id;
  (void)WaitFor([&] {
    id = x.Run(std::string(kShellHelpers) + "shown '" + name + "' && wid '" + name + "'");
    return id.starts_with("0x");
  });
  return id.starts_with("0x") ? std::stoul(id, nullptr, 16) : 0;
}

std::set<unsigned long> VisibleFltkWindows(ProgramOnXvfb& x) {
  std::istringstream out(x.Run("xdotool search --onlyvisible --class FLTK"));
  std::set<unsigned long> ids;
  for (unsigned long id = 0; out >> id;) ids.insert(id);
  return ids;
}

// Where control `id` of the wave-to-script library's dialog `dialog` lies in its client area.
vtr::platform::Rect ControlPlace(int dialog, int id) {
  return vtr::app::testing::ControlPlace(vtr::resources::Module::kWaveToScript, dialog, id);
}

// The segment graph is drawn once it holds the white of its face and the dark of the wave.
bool GraphDrawn(const vtr::platform::testing::Picture& shot) {
  const vtr::platform::Rect graph = ControlPlace(kSegmentDialogId, kSegmentGraph);
  if (graph.empty() || graph.right > shot.width || graph.bottom > shot.height) return false;
  bool white = false, dark = false;
  for (int y = graph.top + 2; y < graph.bottom - 2; ++y) {
    for (int x = graph.left + 2; x < graph.right - 2; ++x) {
      const uint32_t pixel = shot.At(x, y);
      white = white || pixel == 0xFFFFFFu;
      dark =
          dark || ((pixel >> 16) < 0x80 && ((pixel >> 8) & 0xFF) < 0x80 && (pixel & 0xFF) < 0x80);
    }
  }
  return white && dark;
}

// One first road after a start; false with `error` set when the road could not be driven.
bool RunRoad(const Options& options, Road& road, std::string& error) {
  ProgramOnXvfb x("vtr_record_road_bench");
  if (std::string why = x.Start(false); !why.empty()) {
    error = why;
    return false;
  }
  Recording recording;
  if (!MakeRecording(x.scratch(), recording)) {
    error = "no recording could be made";
    return false;
  }
  if (!options.remap_typing && !x.LoadKeymap(KanaKeymap(recording))) {
    error = "the kana keymap was not taken";
    return false;
  }
  if (options.window_manager) {
    if (!x.StartWindowManager()) {
      error = "the window manager did not start";
      return false;
    }
    // It has taken the main window into a frame of its own, and shows it again.
    const std::string main = x.main_id();
    if (!WaitFor([&] {
          return x.Run("xwininfo -id " + main +
                       " -tree | grep 'Parent window id' | grep -qv '(the root window)' && "
                       "xwininfo -id " +
                       main + " | grep -q IsViewable && echo yes") == "yes\n";
        })) {
      error = "the window manager did not take the main window";
      return false;
    }
  }
  // The window manager that has just taken the window in may still move the keyboard: Ctrl+W
  // goes once the main window holds it.
  if (!WaitFor([&] {
        (void)x.Run(XInput().Focus(x.main_window().id));
        return x.FocusedWindow() == x.main_window().id;
      })) {
    error = "the main window did not get the keyboard";
    return false;
  }
  (void)x.Run(XInput().Key("ctrl+w", 30));
  const unsigned long intonation = WaitForWindow(x, kIntonationDialog);
  if (intonation == 0) {
    error = "the intonation edit dialog did not open";
    return false;
  }
  const vtr::platform::Rect record = ControlPlace(kIntonationDialogId, kRecordButton);
  (void)x.Run(XInput().MoveToMiddle(intonation, record).Click().MoveTo(0, 0));
  const unsigned long input = WaitForWindow(x, kWaveInputDialog);
  if (input == 0) {
    error = "the wave input dialog did not open";
    return false;
  }
  const std::set<unsigned long> before = VisibleFltkWindows(x);
  (void)x.Run(XInput().Focus(input).Key("ctrl+o", 30));
  unsigned long chooser = 0;
  if (!WaitFor([&] {
        for (const unsigned long id : VisibleFltkWindows(x)) {
          if (!before.contains(id)) chooser = id;
        }
        return chooser != 0;
      })) {
    error = "the file chooser did not open";
    return false;
  }
  // The chooser opens in the program's current folder, which holds the recording.
  (void)x.Run(XInput().Focus(chooser).Key("End", 30).Type(recording.wave.filename().string(), 5));
  (void)x.Run(XInput().Focus(chooser).Key("Return"));
  if (!WaitFor([&] { return !VisibleFltkWindows(x).contains(chooser); })) {
    error = "the file chooser stayed";
    return false;
  }
  (void)x.Run(std::string(XInput().Focus(input)) + " && " +
              std::string(Typing(recording, options.remap_typing)));

  // OK, and at the same moment another program's window.
  const Clock::time_point ok = Clock::now();
  (void)x.Run(std::string(XInput().Key("Return")) + "; " + kControlWindow +
              " -geometry 64x64+0+0 >/dev/null 2>&1 & echo $! >../control.pid");
  // Until the dialog is drawn and the other window shows, or a moment after the dialog when the
  // other window does not come; a window manager busy for a minute counts as a failed road.
  bool drawn = false;
  for (;;) {
    const std::string seen =
        x.Run(std::string(kShellHelpers) + "shown " + kControlWindow + " && echo control; shown '" +
              kSegmentDialog + "' && " +
              XServer::ShotCommand(std::string("$(wid '") + kSegmentDialog + "')",
                                   x.work() / "segment.ppm") +
              " && echo segment");
    const double now = Since(ok);
    if (road.control_ms < 0 && seen.find("control") != std::string::npos) road.control_ms = now;
    if (!drawn && seen.find("segment") != std::string::npos &&
        GraphDrawn(vtr::platform::testing::ReadPpm(x.work() / "segment.ppm"))) {
      road.road_ms = now;
      drawn = true;
    }
    if (drawn && (road.control_ms >= 0 || now > road.road_ms + kControlGraceMs)) break;
    if (now > kRoadPatienceMs) break;
  }
  (void)x.Run("kill $(cat ../control.pid) 2>/dev/null");
  if (!drawn) {
    error = "the segment dialog did not show (message 513?)";
    return false;
  }
  road.analysis_ms = TimeAnalysis(recording);
  if (road.analysis_ms < 0) {
    error = "the analysis alone failed";
    return false;
  }
  return true;
}

double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const size_t at = static_cast<size_t>(std::lround(q * static_cast<double>(values.size() - 1)));
  return values[std::min(at, values.size() - 1)];
}

void PrintDistribution(const char* what, const std::vector<double>& values) {
  if (values.empty()) return;
  std::printf("%-28s min %7.0f  median %7.0f  p90 %7.0f  max %7.0f ms\n", what, Quantile(values, 0),
              Quantile(values, 0.5), Quantile(values, 0.9), Quantile(values, 1));
}

// Busy processes at the normal priority, each ending by itself after `seconds` should we not
// end them first.
void StartLoad(const fs::path& bench, int count, int seconds) {
  if (count <= 0) return;
  std::ofstream(bench / "load.sh") << "for i in $(seq " << count << "); do timeout " << seconds
                                   << " sh -c 'while :; do :; done' >/dev/null 2>&1 & "
                                      "echo $! >>load.pids; done\n";
  vtr::platform::ProcessSpec spec;
  spec.program = bench / "load.sh";
  spec.working_folder = bench;
  (void)vtr::platform::RunBatch(spec, std::chrono::seconds(10));
}

void StopLoad(const fs::path& bench) {
  std::ofstream(bench / "unload.sh")
      << "[ -f load.pids ] && kill $(cat load.pids) 2>/dev/null; rm -f load.pids\n";
  vtr::platform::ProcessSpec spec;
  spec.program = bench / "unload.sh";
  spec.working_folder = bench;
  (void)vtr::platform::RunBatch(spec, std::chrono::seconds(10));
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--roads" && has_value) {
      options.roads = std::atoi(argv[++i]);
    } else if (arg == "--load" && has_value) {
      options.load = std::atoi(argv[++i]);
    } else if (arg == "--typing" && has_value) {
      const std::string_view how = argv[++i];
      if (how != "keymap" && how != "remap") return false;
      options.remap_typing = how == "remap";
    } else if (arg == "--no-window-manager") {
      options.window_manager = false;
    } else {
      return false;
    }
  }
  return options.roads > 0 && options.load >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--roads N] [--load N] [--typing keymap|remap] [--no-window-manager]\n",
                 argv[0]);
    return 2;
  }
  std::vector<const char*> tools = {"Xvfb",    "xwd",     "xwdtopnm", "xwininfo",
                                    "xdotool", "xkbcomp", "xprop",    kControlWindow};
  if (options.window_manager) tools.push_back("openbox");
  for (const char* tool : tools) {
    if (!vtr::platform::testing::MissingTool({tool}).empty()) {
      std::fprintf(stderr, "%s is not installed (./setup.sh installs it)\n", tool);
      return 2;
    }
  }
  const fs::path bench = fs::path(VTR_BENCH_DIR) / "record_road";
  fs::create_directories(bench);
  std::printf("%d first roads, %s typing, %s, %d busy processes beside\n", options.roads,
              options.remap_typing ? "remapping" : "keymap",
              options.window_manager ? "under openbox" : "without a window manager", options.load);
  std::printf("load average before: %s\n", LoadAverage().c_str());
  StopLoad(bench);
  StartLoad(bench, options.load, 60 * options.roads + 300);
  std::this_thread::sleep_for(std::chrono::seconds(options.load > 0 ? 5 : 0));

  std::vector<double> roads, analyses, beyond, controls;
  int failures = 0;
  for (int i = 1; i <= options.roads; ++i) {
    Road road;
    std::string error;
    if (!RunRoad(options, road, error)) {
      ++failures;
      std::printf("road %2d: not driven: %s\n", i, error.c_str());
      std::fflush(stdout);
      continue;
    }
    roads.push_back(road.road_ms);
    analyses.push_back(road.analysis_ms);
    beyond.push_back(road.road_ms - road.analysis_ms);
    if (road.control_ms >= 0) controls.push_back(road.control_ms);
    std::printf(
        "road %2d: %6.0f ms, analysis %4.0f ms, beyond %6.0f ms, another program's window %6.0f ms"
        "  (load %s)\n",
        i, road.road_ms, road.analysis_ms, road.road_ms - road.analysis_ms, road.control_ms,
        LoadAverage().c_str());
    std::fflush(stdout);
  }
  StopLoad(bench);
  std::printf("\n");
  PrintDistribution("OK to the segment dialog", roads);
  PrintDistribution("analysis alone", analyses);
  PrintDistribution("beyond the analysis", beyond);
  PrintDistribution("another program's window", controls);
  std::printf("load average after: %s\n", LoadAverage().c_str());
  if (failures > 0) std::printf("%d roads could not be driven\n", failures);
  const bool within = !beyond.empty() && Quantile(beyond, 1) <= kLimitMs;
  std::printf("%s: %s road took more than %d ms beyond the analysis\n", within ? "PASS" : "FAIL",
              within ? "no" : "a", kLimitMs);
  return within && failures == 0 ? 0 : 1;
}
