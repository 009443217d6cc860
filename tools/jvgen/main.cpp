// jvgen: writes a deterministic sample race day for tests and for trying the program by hand.
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <set>
#include <string>

#include "platform/Clock.h"
#include "platform/LineFile.h"
#include "tools/jvgen/Generator.h"

namespace {

const char kHelp[] =
    "usage: jvgen [options]\n"
    "Writes one race day, the same bytes for the same seed and date.\n"
    "\n"
    "  --date yyyymmdd       the race day (default: today)\n"
    "  --seed N              seed of the day (default 1)\n"
    "  --venues N            racecourses, 1..3 (default 3)\n"
    "  --races N             races per racecourse, 1..12 (default 12; --venues 1 --races 8 is an 8-race day)\n"
    "  --layout dayfiles|standin\n"
    "                        dayfiles: OUT/Data/<day>.jvRA, <day><course>.jvSEr, .jvHR, .jvO1, .jvO2, .yoz\n"
    "                        standin:  OUT/stored/RACE/server, OUT/realtime/0B30 and 0B12 (see README.md)\n"
    "  --out DIR             where the layout is written (HOME for dayfiles, ROOT for standin)\n"
    "  --providers DIR       also write the JRDB text Oz<yymmdd>.txt and the KOL text kol_ods.kd3 into DIR\n"
    "  --no-results          a day before the races: no finishing order, no payouts\n"
    "  --yoz J|K|M|none      source of the day files' .yoz (default J)\n"
    "  --card-kind C         data kind of the card's RA and SE records (default 2; A, B, 1 for the skip tests)\n"
    "  --result-kind C       data kind of RA and SE records with results (default 7)\n"
    "  --odds-kind C         data kind of every O1/O2 snapshot (default 1, the post-time one 3; 0, 9 for tests)\n"
    "  --series-step MIN     minutes between race-day odds snapshots (default 10)\n"
    "  --scratches           every third race of 8 or more runners: one horse \"----\", one \"****\"\n"
    "  --dead-heat           race 1 of the first racecourse: triple dead heat for 1st; race 2: for 3rd\n"
    "  --missing-runners     leave out the last racecourse's runner file (standin: its SE records)\n"
    "  --odd-lines           a few lines too short or too long (see README.md)\n"
    "  --lf-only             end lines with LF instead of CR LF\n"
    "  --entries-field N     the first race's number-of-entries field says N (e.g. 19)\n"
    "  --bad-race-numbers    extra RA/SE/HR records of race numbers 00 and 13\n"
    "  --help                this text\n";

bool Arg(int argc, char** argv, int& i, const char* name, std::string& value) {
  if (std::strcmp(argv[i], name) != 0) return false;
  if (i + 1 >= argc) throw std::runtime_error(std::string(name) + " needs a value");
  value = argv[++i];
  return true;
}

int Number(const std::string& s, const char* name) {
  try {
    size_t used = 0;
    long v = std::stol(s, &used);
    if (used == s.size()) return static_cast<int>(v);
  } catch (const std::exception&) {
  }
  throw std::runtime_error(std::string(name) + ": not a number: " + s);
}

char Kind(const std::string& s, const char* name) {
  if (s.size() != 1) throw std::runtime_error(std::string(name) + " takes one character");
  return s[0];
}

// What a killed earlier run left of the files this run wrote: anything else in their folders is not the
// generator's to remove.
void RemoveLeftoversOf(const std::vector<std::filesystem::path>& written) {
  std::map<std::filesystem::path, std::set<std::string, std::less<>>> namesByFolder;
  for (const auto& file : written) namesByFolder[file.parent_path()].insert(file.filename().string());
  for (const auto& folder : namesByFolder) {
    const auto& names = folder.second;
    corvina::RemoveSaveLeftovers(folder.first, [&names](std::string_view name) { return names.contains(name); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace corvina;
  using namespace corvina::jvgen;
  try {
    Options o;
    DateTime now = Clock::Now();
    o.date = DayName(now.year, now.month, now.day);
    std::string layout, out, providers, v;
    for (int i = 1; i < argc; ++i) {
      std::string a = argv[i];
      if (a == "--help" || a == "-h") {
        std::fputs(kHelp, stdout);
        return 0;
      } else if (Arg(argc, argv, i, "--date", v)) {
        auto d = DayName::FromDateKey(v);
        if (!d) throw std::runtime_error("--date: not a date yyyymmdd: " + v);
        o.date = *d;
      } else if (Arg(argc, argv, i, "--seed", v)) {
        o.seed = std::stoull(v);
      } else if (Arg(argc, argv, i, "--venues", v)) {
        o.venues = Number(v, "--venues");
      } else if (Arg(argc, argv, i, "--races", v)) {
        o.races = Number(v, "--races");
      } else if (Arg(argc, argv, i, "--layout", layout)) {
      } else if (Arg(argc, argv, i, "--out", out)) {
      } else if (Arg(argc, argv, i, "--providers", providers)) {
      } else if (a == "--no-results") {
        o.results = false;
      } else if (Arg(argc, argv, i, "--yoz", v)) {
        if (v != "J" && v != "K" && v != "M" && v != "none") throw std::runtime_error("--yoz: J, K, M or none");
        o.yozSource = v == "none" ? 0 : v[0];
      } else if (Arg(argc, argv, i, "--card-kind", v)) {
        o.cardKind = Kind(v, "--card-kind");
      } else if (Arg(argc, argv, i, "--result-kind", v)) {
        o.resultKind = Kind(v, "--result-kind");
      } else if (Arg(argc, argv, i, "--odds-kind", v)) {
        o.oddsKind = Kind(v, "--odds-kind");
      } else if (Arg(argc, argv, i, "--series-step", v)) {
        o.seriesStep = Number(v, "--series-step");
      } else if (a == "--scratches") {
        o.scratches = true;
      } else if (a == "--dead-heat") {
        o.deadHeat = true;
      } else if (a == "--missing-runners") {
        o.missingRunnerFile = true;
      } else if (a == "--odd-lines") {
        o.oddLines = true;
      } else if (a == "--lf-only") {
        o.lfOnly = true;
      } else if (Arg(argc, argv, i, "--entries-field", v)) {
        o.entriesField = Number(v, "--entries-field");
        if (o.entriesField < 1 || o.entriesField > 99) throw std::runtime_error("--entries-field: 1..99");
      } else if (a == "--bad-race-numbers") {
        o.badRaceNumbers = true;
      } else {
        throw std::runtime_error("unknown option " + a + " (see --help)");
      }
    }
    if (layout.empty() && providers.empty()) throw std::runtime_error("nothing to write: give --layout or --providers");
    if (!layout.empty() && out.empty()) throw std::runtime_error("--layout needs --out");
    if (!layout.empty() && layout != "dayfiles" && layout != "standin")
      throw std::runtime_error("--layout: dayfiles or standin");
    Day day = MakeDay(o);
    if (layout == "dayfiles") RemoveLeftoversOf(WriteDayFiles(day, out));
    if (layout == "standin") WriteStandIn(day, out);
    if (!providers.empty()) WriteProviders(day, providers);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jvgen: %s\n", e.what());
    return 2;
  }
}
