// Per-key latency of typing into a long script: the main window's script box against a plain
// FLTK text editor of the same size, font and wrapping, in one run on the same display.
//
// One iteration is one key as the toolkit delivers it (a kana typed in the middle of the
// script), handled, drawn and waited for until the server has drawn it. Scripts come in lines of
// a few phrases and as one long line, which the editor wraps anew from its start at every key.
// Needs a display; run it on a private Xvfb server through typing_latency.sh beside this file.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/x.H>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "platform/text.h"
#include "platform/window/controls.h"
#include "platform/window/dialog.h"
#include "platform/window/window_system.h"

namespace {

using vtr::platform::Encoding;

constexpr int kBoxId = 1002;

// The main window: a 240 x 195 face with the script box at (12, 28), 216 x 84, wrapping.
vtr::platform::DialogTemplate MainWindowTemplate() {
  using vtr::platform::ControlKind;
  // clang-format off
  return vtr::platform::DialogTemplate{
      .id = 102,
      .caption = "Voxtrel",
      .size = {240, 195},
      .units = vtr::platform::DialogUnits::kPixels,
      .style = vtr::platform::kStyleNoCaption,
      .controls = {{kBoxId, ControlKind::kEdit, "", {12, 28, 216, 84},
                    vtr::platform::kStyleMultiLine | vtr::platform::kStyleVScroll}}};
  // clang-format on
}

// A script of `bytes` bytes of Shift-JIS: phrases of kana and symbols, four to a line, or all on
// one line (`one_line`), as a script typed without breaks is: the box then wraps one long line.
std::string ScriptOfLength(size_t bytes, bool one_line) {
  const std::string phrase =
      "\x82\xA9\x82\xAB\x82\xAD'3\x82\xAF\x82\xB1^2\x82\xB3\x82\xB5\x81\x41";  // かきく'3けこ^2さし、
  std::string script = "KV#J";
  for (int n = 0; script.size() + phrase.size() + 1 <= bytes; ++n) {
    script += phrase;
    if (n % 4 == 3 && !one_line) script += '\n';
  }
  while (script.size() < bytes) script += 'a';
  return script;
}

// The key FLTK hands to the focused widget when the user types あ.
void TypeKana(Fl_Window& window) {
  static char text[] = "\xE3\x81\x82";
  Fl::e_keysym = 0x1003042;
  Fl::e_text = text;
  Fl::e_length = 3;
  Fl::e_state = 0;
  Fl::handle(FL_KEYBOARD, &window);
  Fl::flush();
  XSync(fl_display, False);
}

// The dialog the window layer shows, with the main window's handler: every change of the box
// shows Play or hides both buttons as the box holds text or not.
class MainWindow : public vtr::platform::Dialog {
 public:
  MainWindow() : Dialog(MainWindowTemplate()) {}
  void OnCommand(int id, vtr::platform::Notice notice) override {
    if (id == kBoxId && notice == vtr::platform::Notice::kChange) {
      benchmark::DoNotOptimize(Item<vtr::platform::Edit>(kBoxId)->text().empty());
    }
  }
};

void BM_TypeIntoTheScriptBox(benchmark::State& state) {
  if (!vtr::platform::UseFltkBackend()) {
    state.SkipWithError("no display");
    return;
  }
  MainWindow window;
  (void)window.Create();
  auto* box = window.Item<vtr::platform::Edit>(kBoxId);
  box->SetFont(vtr::platform::Font{vtr::platform::DefaultDialogFont().family, 9.0});
  const std::string script =
      ScriptOfLength(static_cast<size_t>(state.range(0)), state.range(1) != 0);
  (void)box->SetScriptText(Encoding::kShiftJis, script);
  box->SetFocus();
  box->SetSelBytes(Encoding::kShiftJis, script.size() / 2, script.size() / 2);
  box->ScrollCaret();
  while (Fl::first_window() == nullptr || !Fl::first_window()->visible()) Fl::wait(0.05);
  for (int i = 0; i < 20; ++i) Fl::wait(0.01);
  Fl_Window* shown = Fl::first_window();
  for (auto _ : state) TypeKana(*shown);
  state.counters["bytes"] = static_cast<double>(script.size());
  window.Destroy();
}

void BM_TypeIntoAPlainFltkEditor(benchmark::State& state) {
  if (!vtr::platform::UseFltkBackend()) {
    state.SkipWithError("no display");
    return;
  }
  Fl_Double_Window window(240, 195, "plain");
  Fl_Text_Buffer buffer;
  Fl_Text_Editor editor(12, 28, 216, 84);
  window.end();
  editor.buffer(&buffer);
  editor.wrap_mode(Fl_Text_Display::WRAP_AT_BOUNDS, 0);
  editor.textfont(FL_FREE_FONT);  // the layer's Japanese family, set up by the backend
  editor.textsize(12);            // 9 point at 96 dpi
  const std::string script =
      ScriptOfLength(static_cast<size_t>(state.range(0)), state.range(1) != 0);
  const std::string shown = vtr::platform::ToUtf8(Encoding::kShiftJis, script).text;
  buffer.text(shown.c_str());
  window.show();
  editor.take_focus();
  editor.insert_position(buffer.length() / 2);
  editor.show_insert_position();
  while (!window.visible()) Fl::wait(0.05);
  for (int i = 0; i < 20; ++i) Fl::wait(0.01);
  for (auto _ : state) TypeKana(window);
  state.counters["bytes"] = static_cast<double>(script.size());
  window.hide();
  editor.buffer(nullptr);
}

constexpr int kKeys = 200;  // keys typed per repetition

// Each script runs in the box and in the plain editor back to back, so that both see the same
// load of the machine. Arguments: the script's bytes, and 1 when it is one line.
const bool kRegistered = [] {
  for (const int64_t one_line : {0, 1}) {
    for (const int64_t bytes : {700, 8000, 32000}) {
      for (const auto& [name, run] :
           {std::pair{"BM_TypeIntoTheScriptBox", &BM_TypeIntoTheScriptBox},
            std::pair{"BM_TypeIntoAPlainFltkEditor", &BM_TypeIntoAPlainFltkEditor}}) {
        benchmark::RegisterBenchmark(name, run)
            ->Args({bytes, one_line})
            ->Iterations(kKeys)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      }
    }
  }
  return true;
}();

}  // namespace
