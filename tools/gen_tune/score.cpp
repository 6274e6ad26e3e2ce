#include "tools/gen_tune/score.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

struct Token {
  std::string text;
  int transpose = 0;
};

struct KitEntry {
  int sample = 0;
  int note = -1;  // -1: the instrument's base note
};

struct Parser {
  Parser(const std::vector<Instrument>& list, Score* out) : instruments(list), score(out) {}

  const std::vector<Instrument>& instruments;
  std::map<std::string, std::vector<int>> grooves;
  std::map<char, KitEntry> kit;
  std::map<std::string, std::vector<std::string>> phrases;
  Score* score;
  int line_no = 0;
  std::string error;

  Pattern* pattern = nullptr;
  std::array<int, kChannels> cursor{};

  bool fail(const std::string& message) {
    error = "score line " + std::to_string(line_no) + ": " + message;
    return false;
  }

  int instrument_number(const std::string& name) const {
    for (size_t i = 0; i < instruments.size(); ++i)
      if (instruments[i].name == name) return static_cast<int>(i) + 1;
    return 0;
  }

  bool line(const std::vector<std::string>& words);
  bool directive_groove(const std::vector<std::string>& w);
  bool directive_kit(const std::vector<std::string>& w);
  bool directive_pattern(const std::vector<std::string>& w);
  bool directive_cue(const std::vector<std::string>& w, bool section);
  bool directive_speed(const std::vector<std::string>& w);
  bool directive_regroove(const std::vector<std::string>& w);
  static void set_groove(Pattern* p, int from, const std::vector<int>& ticks) {
    for (int r = from; r < kRows; ++r) p->groove[r] = ticks[(r - from) % ticks.size()];
  }
  bool channel_line(const std::vector<std::string>& w);
  bool expand(const std::vector<std::string>& in, int transpose, int depth, std::vector<Token>* out);
  bool place(int channel, int sample, bool kit_line, const Token& token);
};

bool parse_int(const std::string& s, int* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end) return false;
  *out = static_cast<int>(v);
  return true;
}

// Reads "D4", "C#5", "Bb3" or "C-4" at s[*pos]; returns the MIDI pitch or -1.
int read_pitch(const std::string& s, size_t* pos) {
  static const int kSteps[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  size_t p = *pos;
  if (p >= s.size() || s[p] < 'A' || s[p] > 'G') return -1;
  int pc = kSteps[s[p] - 'A'];
  ++p;
  if (p < s.size() && s[p] == '#') {
    ++pc;
    ++p;
  } else if (p < s.size() && s[p] == 'b') {
    --pc;
    ++p;
  } else if (p < s.size() && s[p] == '-') {
    ++p;
  }
  if (p >= s.size() || !std::isdigit(static_cast<unsigned char>(s[p]))) return -1;
  int octave = s[p] - '0';
  *pos = p + 1;
  return 12 * (octave + 1) + pc;
}

bool Parser::line(const std::vector<std::string>& w) {
  const std::string& head = w[0];
  if (pattern) {
    if (head == "end") {
      pattern = nullptr;
      return true;
    }
    if (head == "speed") return directive_speed(w);
    if (head == "groove") return directive_regroove(w);
    if (head == "bars") {
      if (w.size() != 2 || !parse_int(w[1], &pattern->bar_anchor)) return fail("bars ROW");
      return true;
    }
    if (head == "cue") return directive_cue(w, false);
    if (head == "section") return directive_cue(w, true);
    if (head.size() == 1 && head[0] >= '0' && head[0] < '0' + kChannels) return channel_line(w);
    return fail("unknown line inside pattern: " + head);
  }
  if (head == "groove") return directive_groove(w);
  if (head == "kit") return directive_kit(w);
  if (head == "phrase") {
    if (w.size() < 2) return fail("phrase needs a name");
    auto& tokens = phrases[w[1]];
    tokens.insert(tokens.end(), w.begin() + 2, w.end());
    return true;
  }
  if (head == "pattern") return directive_pattern(w);
  if (head == "order") {
    score->order.insert(score->order.end(), w.begin() + 1, w.end());
    return true;
  }
  if (head == "restart") {
    if (w.size() != 2 || !parse_int(w[1], &score->restart)) return fail("restart needs a number");
    return true;
  }
  return fail("unknown directive: " + head);
}

bool Parser::directive_groove(const std::vector<std::string>& w) {
  if (w.size() < 3) return fail("groove needs a name and ticks");
  std::vector<int> ticks;
  for (size_t i = 2; i < w.size(); ++i) {
    int t;
    if (!parse_int(w[i], &t) || t < 1 || t > 31) return fail("bad groove ticks: " + w[i]);
    ticks.push_back(t);
  }
  grooves[w[1]] = ticks;
  return true;
}

bool Parser::directive_kit(const std::vector<std::string>& w) {
  for (size_t i = 1; i < w.size(); ++i) {
    const std::string& item = w[i];
    size_t eq = item.find('=');
    if (eq != 1) return fail("kit entries look like k=kick or t=tom@55: " + item);
    std::string name = item.substr(2);
    KitEntry entry;
    size_t at = name.find('@');
    if (at != std::string::npos) {
      if (!parse_int(name.substr(at + 1), &entry.note)) return fail("bad kit note: " + item);
      name = name.substr(0, at);
    }
    entry.sample = instrument_number(name);
    if (!entry.sample) return fail("unknown instrument: " + name);
    kit[item[0]] = entry;
  }
  return true;
}

bool Parser::directive_pattern(const std::vector<std::string>& w) {
  if (w.size() != 4) return fail("pattern NAME ROWS GROOVE");
  for (const Pattern& p : score->patterns)
    if (p.name == w[1]) return fail("pattern defined twice: " + w[1]);
  Pattern p;
  p.name = w[1];
  if (!parse_int(w[2], &p.rows) || p.rows < 1 || p.rows > kRows) return fail("bad row count");
  auto g = grooves.find(w[3]);
  if (g == grooves.end()) return fail("unknown groove: " + w[3]);
  score->patterns.push_back(p);
  set_groove(&score->patterns.back(), 0, g->second);
  pattern = &score->patterns.back();
  cursor.fill(0);
  return true;
}

bool Parser::directive_cue(const std::vector<std::string>& w, bool section) {
  Cue cue;
  cue.section = section;
  if (w.size() != 4 || !parse_int(w[1], &cue.row) || !parse_int(w[3], &cue.tick))
    return fail("cue/section ROW NAME TICK");
  cue.name = w[2];
  pattern->cues.push_back(cue);
  return true;
}

bool Parser::directive_speed(const std::vector<std::string>& w) {
  for (size_t i = 1; i < w.size(); ++i) {
    size_t eq = w[i].find('=');
    int row, ticks;
    if (eq == std::string::npos || !parse_int(w[i].substr(0, eq), &row) ||
        !parse_int(w[i].substr(eq + 1), &ticks) || row < 0 || row >= pattern->rows || ticks < 1 ||
        ticks > 31)
      return fail("speed entries look like ROW=TICKS: " + w[i]);
    pattern->speed[row] = ticks;
  }
  return true;
}

bool Parser::directive_regroove(const std::vector<std::string>& w) {
  int from;
  if (w.size() != 3 || !parse_int(w[1], &from) || from < 0 || from >= kRows)
    return fail("groove ROW NAME");
  auto g = grooves.find(w[2]);
  if (g == grooves.end()) return fail("unknown groove: " + w[2]);
  set_groove(pattern, from, g->second);
  return true;
}

bool Parser::expand(const std::vector<std::string>& in, int transpose, int depth,
                    std::vector<Token>* out) {
  if (depth > 8) return fail("phrases nest too deeply");
  for (size_t i = 0; i < in.size(); ++i) {
    const std::string& t = in[i];
    if (t == "[") {
      int level = 1;
      size_t j = i + 1;
      for (; j < in.size(); ++j) {
        if (in[j] == "[") ++level;
        if (in[j][0] == ']' && --level == 0) break;
      }
      int times = 0;
      if (j == in.size() || !parse_int(in[j].substr(1), &times) || times < 1)
        return fail("a group [ ... ]N needs its closing ]N");
      std::vector<std::string> inner(in.begin() + i + 1, in.begin() + j);
      for (int k = 0; k < times; ++k)
        if (!expand(inner, transpose, depth + 1, out)) return false;
      i = j;
    } else if (t[0] == '$') {
      size_t sign = t.find_first_of("+-", 1);
      std::string name = t.substr(1, sign == std::string::npos ? std::string::npos : sign - 1);
      int shift = 0;
      if (sign != std::string::npos && !parse_int(t.substr(sign), &shift))
        return fail("bad transposition: " + t);
      auto p = phrases.find(name);
      if (p == phrases.end()) return fail("unknown phrase: " + name);
      if (!expand(p->second, transpose + shift, depth + 1, out)) return false;
    } else {
      out->push_back({t, transpose});
    }
  }
  return true;
}

bool Parser::channel_line(const std::vector<std::string>& w) {
  int channel = w[0][0] - '0';
  if (w.size() < 2) return fail("channel line needs an instrument");
  bool kit_line = w[1] == "kit";
  int sample = kit_line ? 0 : instrument_number(w[1]);
  if (!kit_line && !sample) return fail("unknown instrument: " + w[1]);
  std::vector<Token> tokens;
  if (!expand(std::vector<std::string>(w.begin() + 2, w.end()), 0, 0, &tokens)) return false;
  for (const Token& t : tokens)
    if (!place(channel, sample, kit_line, t)) return false;
  return true;
}

bool Parser::place(int channel, int sample, bool kit_line, const Token& token) {
  int& row = cursor[channel];
  const std::string& s = token.text;
  if (s == "|") {
    int ticks = 0;
    for (int r = pattern->bar_anchor; r < row; ++r) ticks += pattern->groove[r];
    for (int r = row; r < pattern->bar_anchor; ++r) ticks -= pattern->groove[r];
    if (ticks % 100) return fail("bar line at row " + std::to_string(row) + " of channel " +
                               std::to_string(channel));
    return true;
  }
  if (row >= pattern->rows) return fail("channel " + std::to_string(channel) + " runs past the pattern");
  if (s == ".") {
    ++row;
    return true;
  }
  Cell cell;
  size_t pos = 0;
  bool keep = s[0] == '~' && s.size() > 1;
  if (keep) pos = 1;
  if (s[pos] == '.') {
    ++pos;
  } else if (s[pos] == '^') {
    cell.has_effect = true;
    cell.command = 0xC;
    ++pos;
  } else if (kit_line && std::isalpha(static_cast<unsigned char>(s[pos]))) {
    auto k = kit.find(s[pos]);
    if (k == kit.end()) return fail(std::string("unknown kit letter: ") + s[pos]);
    cell.sample = k->second.sample;
    cell.note = k->second.note >= 0 ? k->second.note : instruments[cell.sample - 1].base_note;
    // A sample without data only parks its channel: no note to play.
    if (instruments[cell.sample - 1].data.empty()) cell.note = -1;
    ++pos;
  } else if (!kit_line && s[pos] >= 'A' && s[pos] <= 'G') {
    int midi = read_pitch(s, &pos);
    if (midi < 0) return fail("bad note: " + s);
    const Instrument& in = instruments[sample - 1];
    cell.note = midi + token.transpose - in.root_midi + in.base_note;
    if (cell.note < 0 || cell.note >= 84) return fail("note out of range for " + in.name + ": " + s);
    cell.sample = sample;
  }
  int span = 1;
  bool repeat = false;
  while (pos < s.size()) {
    char m = s[pos++];
    size_t end = pos;
    if (m == ':') {
      end = pos + 3;
      if (end > s.size() || cell.has_effect) return fail("bad effect in " + s);
      unsigned v = std::strtoul(s.substr(pos, 3).c_str(), nullptr, 16);
      for (size_t i = pos; i < end; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return fail("bad effect in " + s);
      cell.has_effect = true;
      cell.command = static_cast<int>(v >> 8);
      cell.param = static_cast<int>(v & 0xFF);
    } else if (m == 'v' || m == '/' || m == '*') {
      while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) ++end;
      int value;
      if (!parse_int(s.substr(pos, end - pos), &value)) return fail("bad number in " + s);
      if (m == 'v') {
        if (cell.has_effect || value > 64) return fail("volume clashes or exceeds 64 in " + s);
        cell.has_effect = true;
        cell.command = 0xC;
        cell.param = value;
      } else {
        span = value;
        repeat = m == '*';
      }
    } else {
      return fail("cannot read token " + s);
    }
    pos = end;
  }
  if (keep || (cell.has_effect && (cell.command == 3 || cell.command == 5))) cell.sample = 0;
  if (span < 1 || row + span > pattern->rows) return fail("token runs past the pattern: " + s);
  pattern->cells[row][channel] = cell;
  for (int i = 1; i < span; ++i) {
    if (repeat) {
      Cell& next = pattern->cells[row + i][channel];
      next.has_effect = true;
      next.command = cell.command;
      next.param = cell.param;
    }
  }
  row += span;
  return true;
}

}  // namespace

bool parse_score(const std::string& text, const std::vector<Instrument>& instruments, Score* out,
                 std::string* error) {
  Parser p(instruments, out);
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    ++p.line_no;
    // A comment starts with a '#' that begins a word; sharps inside notes stay.
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(raw[i - 1])))) {
        raw.resize(i);
        break;
      }
    }
    std::istringstream words(raw);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (!p.line(w)) {
      *error = p.error;
      return false;
    }
  }
  if (p.pattern) {
    *error = "score ends inside pattern " + p.pattern->name;
    return false;
  }
  return true;
}
