// The outside converter: reads GB 2312 text from the file named by its one argument (the
// caller may quote it) or from "tmp.txt", and writes "tmp.kvx" into its working folder: the
// header tag "KV#C" followed by the pinyin script body. Exit status 0 on success, 1 when the
// input cannot be read or the output cannot be written.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "outside/kvxcnv/pinyin_script.h"

int main(int argc, char** argv) {
  std::string input = argc > 1 ? argv[1] : "tmp.txt";
  if (input.size() >= 2 && input.front() == '"' && input.back() == '"')
    input = input.substr(1, input.size() - 2);

  std::ifstream in(input, std::ios::binary);
  if (!in) return 1;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return 1;

  const std::string script =
      std::string(vtr::kvxcnv::kScriptHeader) + vtr::kvxcnv::PinyinScriptBody(text);
  bool written = false;
  {
    std::ofstream out("tmp.kvx", std::ios::binary | std::ios::trunc);
    written = out.write(script.data(), static_cast<std::streamsize>(script.size())) && out.flush();
  }
  if (written) return 0;
  // No partial result is left for the caller to take.
  std::error_code error;
  std::filesystem::remove("tmp.kvx", error);
  return 1;
}
