#include "show/options.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kShownBytes = 100;

// Digits from text into *value, stopping at the first other character;
// false when a value would pass limit. The digits read go to *count.
bool read_digits(const char*& text, long long limit, long long* value, int* count) {
  *value = 0;
  *count = 0;
  for (; *text >= '0' && *text <= '9'; ++text, ++*count) {
    *value = *value * 10 + (*text - '0');
    if (*value > limit) return false;
  }
  return true;
}

const Option* option_named(const std::vector<Option>& options, const char* word, size_t length) {
  for (const Option& o : options)
    if (std::strlen(o.name) == length && std::strncmp(o.name, word, length) == 0) return &o;
  return nullptr;
}

// Puts value into option's target; false with the reason when refused.
bool take_value(const Option& o, const char* value, std::string* error) {
  if (o.text) {
    *o.text = value;
    return true;
  }
  const bool read = o.decimals > 0 ? parse_decimal(value, o.decimals, o.low, o.high, o.number)
                                   : parse_whole_number(value, o.low, o.high, o.number);
  if (!read) *error = refused_value(o, value);
  return read;
}

}  // namespace

bool parse_whole_number(const char* text, long long low, long long high, long long* out) {
  long long value;
  int digits;
  if (!read_digits(text, high, &value, &digits) || digits == 0 || *text != '\0' || value < low) return false;
  *out = value;
  return true;
}

bool parse_decimal(const char* text, int decimals, long long low, long long high, long long* out) {
  long long whole, part = 0;
  int digits, places = 0;
  if (!read_digits(text, high, &whole, &digits) || digits == 0) return false;
  if (*text == '.') {
    ++text;
    if (!read_digits(text, high, &part, &places) || places == 0 || places > decimals) return false;
  }
  if (*text != '\0') return false;
  long long value = whole;
  for (int i = 0; i < decimals; i++) {
    value *= 10;
    if (value > high) return false;
  }
  for (int i = places; i < decimals; i++) part *= 10;
  value += part;
  if (value < low || value > high) return false;
  *out = value;
  return true;
}

std::string shown(const std::string& text) {
  if (text.size() <= kShownBytes) return text;
  // The head and the tail, each cut at the start of a character.
  size_t head = kShownBytes / 2 - 3, tail = text.size() - (kShownBytes - head - 3);
  auto continues = [&](size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
  while (head > 0 && continues(head)) head--;
  while (tail < text.size() && continues(tail)) tail++;
  return text.substr(0, head) + "..." + text.substr(tail);
}

std::string refused_value(const Option& option, const char* value) {
  return std::string(option.name) + " must be " + option.range + ", not '" + shown(value) + "'";
}

bool read_options(int argc, char** argv, int first, const std::vector<Option>& options,
                  std::vector<const char*>* arguments, size_t max_arguments, std::string* error) {
  bool options_ended = false;
  for (int i = first; i < argc; ++i) {
    const char* word = argv[i];
    if (!options_ended && !std::strcmp(word, "--")) {
      options_ended = true;
      continue;
    }
    if (options_ended || word[0] != '-' || word[1] == '\0') {
      if (arguments->size() == max_arguments) {
        *error = "unexpected argument '" + shown(word) + "'";
        return false;
      }
      arguments->push_back(word);
      continue;
    }
    // "--name=VALUE" for the long options; "-o VALUE" and "--name VALUE".
    const char* equals = word[1] == '-' ? std::strchr(word, '=') : nullptr;
    const Option* o = option_named(options, word, equals ? size_t(equals - word) : std::strlen(word));
    if (!o || (equals && o->flag)) {
      *error = "unknown option '" + shown(word) + "'";
      return false;
    }
    if (o->flag) {
      *o->flag = true;
      continue;
    }
    const char* value = equals ? equals + 1 : i + 1 < argc ? argv[++i] : nullptr;
    if (!value) {
      *error = std::string(o->name) + " needs a value" + (o->range.empty() ? "" : " (" + o->range + ")");
      return false;
    }
    if (!take_value(*o, value, error)) return false;
  }
  return true;
}

bool asks_for_help(int argc, char** argv, int first) {
  for (int i = first; i < argc && std::strcmp(argv[i], "--"); i++)
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) return true;
  return false;
}

int usage_error(const char* program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program, message.c_str(), program);
  return 2;
}
