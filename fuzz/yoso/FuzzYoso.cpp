// libFuzzer target: the providers' predicted-odds texts through the import, from the unpacked text to the
// day's .yoz file. Byte 0 picks the text (bit 0: the JRDB text, else bit 1: "kol_ods.kd2", else "kol_ods.kd3")
// and bit 2 a loaded day of 2005 or later; bytes 1-6 are the characters of the archive name the JRDB date
// is taken from; the rest is the text. Every line converts to one .yoz line of its fixed width. The whole
// import through the files (one input in eight: it costs far more than the conversion) must write one such
// line per text line and never leave the unpacked text behind.
#include <unistd.h>
#include <filesystem>
#include <string>

#include "fuzz/ScratchFolder.h"
#include "platform/LineFile.h"
#include "racedata/RecordLayout.h"
#include "racedata/YosoImport.h"

namespace {
const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    const std::filesystem::path& p = corvina_fuzz::ScratchFolder("yoso");
    std::filesystem::create_directories(p / "archive");
    return p;
  }();
  return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvina;
  namespace fs = std::filesystem;
  if (size < 7) return 0;
  const uint8_t pick = data[0];
  // A file name holds any byte but the separator and NUL.
  std::string name = "Oz";
  for (size_t i = 1; i < 7; ++i) name += (data[i] == '/' || data[i] == 0) ? '_' : char(data[i]);
  const YozSources sources = YozSourcesOf(WorkDir() / "archive" / (name + ".lzh"));
  const std::string textName = (pick & 1) ? sources.jrdbName : std::string((pick & 2) ? kKolKd2 : kKolKd3);
  const std::string_view body(reinterpret_cast<const char*>(data + 7), size - 7);
  const Lines lines = SplitLines(body);
  for (const std::string& l : lines) {
    const std::string yoz = (pick & 1) ? JrdbYozLine(l, sources.yymmdd) : KolYozLine(l, (pick & 4) != 0);
    if (yoz.size() != size_t(layout::kYozLine)) __builtin_trap();
  }
  // Only the absence of a crash counts here; the picks are checked by the line conversion above.
  if (pick & 1)
    static_cast<void>(JrdbDay(sources.yymmdd));
  else
    static_cast<void>(KolDay(lines));
  IsEmptyProviderText(lines);
  if (size % 8 != 0) return 0;

  const fs::path text = sources.folder / textName;
  if (text.parent_path() != sources.folder) return 0;  // a name such as ".." is no file to write
  if (!SaveFileAtomic(text, body)) return 0;

  const fs::path dataDir = WorkDir() / "Data";
  const YozImportResult r = StoreYozFromFolder(sources, dataDir, (pick & 4) != 0);
  // The unpacked text never stays behind, whatever became of it.
  if (fs::exists(text)) __builtin_trap();
  if (r.outcome == YozOutcome::Saved) {
    Lines yoz;
    if (!ReadLines(r.file, yoz)) __builtin_trap();
    if (yoz.size() != lines.size()) __builtin_trap();
    for (const std::string& l : yoz)
      if (l.size() != size_t(layout::kYozLine)) __builtin_trap();
    std::error_code ec;
    fs::remove(r.file, ec);
  }
  return 0;
}
