// gen_tune: compiles the show's score, synthesises its instruments and
// writes the module, as C++ source for the build and optionally as a file.
//
//   gen_tune --score FILE [--cpp OUT.cpp] [--mod OUT.mod] [--report]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/gen_tune/instruments.h"
#include "tools/gen_tune/score.h"
#include "tools/gen_tune/song.h"

namespace {

bool read_text(const char* path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *out = s.str();
  return true;
}

// Written to a temporary name and renamed, so an interrupted build never
// leaves a half-written source behind.
bool write_file(const std::string& path, const std::string& data) {
  std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}

std::string cpp_source(const Song& song) {
  std::string s =
      "// Written by tools/gen_tune from the score; regenerated on every build.\n"
      "#include \"data/embedded.h\"\n\n"
      "alignas(4) uint8_t tune_module_bytes[] = {\n";
  char num[8];
  for (size_t i = 0; i < song.bytes.size(); ++i) {
    std::snprintf(num, sizeof num, "%u,", song.bytes[i]);
    s += num;
    if (i % 32 == 31) s += '\n';
  }
  s += "};\nconst size_t tune_module_size = sizeof tune_module_bytes;\n\n";
  s += "const TuneCue tune_cues[] = {\n";
  char line[160];
  for (const TimedCue& c : song.cues) {
    std::snprintf(line, sizeof line, "    {\"%s\", %d, %d, %d, %s},\n", c.name.c_str(), c.position,
                  c.row, c.target, c.section ? "true" : "false");
    s += line;
  }
  s += "};\nconst int tune_cue_count = sizeof tune_cues / sizeof tune_cues[0];\n";
  return s;
}

// Facts the show relies on; a score that breaks them must not build.
bool check_shape(const Song& song, const std::vector<Instrument>& instruments, std::string* error) {
  if (instruments.size() > 31) {
    *error = "more than 31 instruments";
    return false;
  }
  for (const Instrument& in : instruments) {
    if (in.data.size() >= 65536 || in.data.size() % 2 || in.loop_start % 2 || in.loop_length % 2 ||
        in.loop_start + in.loop_length > static_cast<int>(in.data.size())) {
      *error = "instrument " + in.name + " has an unusable length or loop";
      return false;
    }
    if (in.loop_length == 0 && !in.data.empty() && (in.data[0] != 0 || in.data[1] != 0)) {
      *error = "instrument " + in.name + " plays once but does not start with two zero bytes";
      return false;
    }
  }
  const std::vector<uint8_t>& b = song.bytes;
  int highest = 0;
  for (int i = 0; i < 128; ++i) highest = b[952 + i] > highest ? b[952 + i] : highest;
  if (b[950] != 48 || b[951] != 36 || highest != 45) {
    *error = "the song must have 48 positions, restart 36 and patterns 0-45";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* score_path = nullptr;
  const char* cpp_path = nullptr;
  const char* mod_path = nullptr;
  bool report = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--score") && i + 1 < argc) {
      score_path = argv[++i];
    } else if (!std::strcmp(argv[i], "--cpp") && i + 1 < argc) {
      cpp_path = argv[++i];
    } else if (!std::strcmp(argv[i], "--mod") && i + 1 < argc) {
      mod_path = argv[++i];
    } else if (!std::strcmp(argv[i], "--report")) {
      report = true;
    } else {
      std::fprintf(stderr, "usage: gen_tune --score FILE [--cpp OUT.cpp] [--mod OUT.mod] [--report]\n");
      return 2;
    }
  }
  std::string text;
  if (!score_path || !read_text(score_path, &text)) {
    std::fprintf(stderr, "gen_tune: cannot read the score\n");
    return 1;
  }
  std::vector<Instrument> instruments = make_instruments();
  Score score;
  Song song;
  std::string error;
  if (!parse_score(text, instruments, &score, &error) || !finish_patterns(&score, &error) ||
      !build_song(score, instruments, &song, &error) || !check_shape(song, instruments, &error)) {
    std::fprintf(stderr, "gen_tune: %s\n", error.c_str());
    return 1;
  }
  if (report) std::fputs(song.report.c_str(), stdout);
  std::string bytes(song.bytes.begin(), song.bytes.end());
  if (mod_path && !write_file(mod_path, bytes)) {
    std::fprintf(stderr, "gen_tune: cannot write %s\n", mod_path);
    return 1;
  }
  if (cpp_path && !write_file(cpp_path, cpp_source(song))) {
    std::fprintf(stderr, "gen_tune: cannot write %s\n", cpp_path);
    return 1;
  }
  return 0;
}
