// Every value of every byte of a fuzz command, decoded, against
// fuzz_decoding.txt: the inputs in fuzz_regressions/ and in a fuzz corpus keep
// what they test only while each byte value keeps its meaning. A new fuzz key,
// wheel delta or kind may give a meaning to values that named nothing, and to
// no others; the failure then says which values changed, and how.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "command_driver.h"

namespace latticegas_test {
namespace {

constexpr const char* kNothing = "nothing";

// One byte of a command varied over its 256 values, the other four as given:
// each role a byte plays, for each kind.
struct Field {
  const char* name;
  std::array<std::uint8_t, 5> base;
  int byte;
};

constexpr Field kFields[] = {
    {"command byte", {0x00, 0x00, 0x00, 0x00, 0x00}, 0},
    {"key slot byte 1", {0x00, 0x00, 0x00, 0x00, 0x00}, 1},
    {"key slot byte 2", {0x00, 0x13, 0x00, 0x00, 0x00}, 2},
    {"key slot byte 3", {0x00, 0x13, 0x00, 0x00, 0x00}, 3},
    {"key slot byte 4", {0x00, 0x13, 0x00, 0x00, 0x00}, 4},
    {"key slot repeated by byte 4", {0x70, 0x13, 0x00, 0x00, 0x00}, 4},
    {"key code byte 1", {0x04, 0x00, 0x00, 0x00, 0x00}, 1},
    {"key code byte 2", {0x04, 0x41, 0x00, 0x00, 0x00}, 2},
    {"key code byte 3", {0x04, 0x41, 0x00, 0x00, 0x00}, 3},
    {"key code byte 4", {0x04, 0x41, 0x00, 0x00, 0x00}, 4},
    {"left click byte 1", {0x06, 0x00, 0x00, 0x00, 0x00}, 1},
    {"left click byte 2", {0x06, 0x00, 0x00, 0x00, 0x00}, 2},
    {"left click byte 3", {0x06, 0x00, 0x00, 0x00, 0x00}, 3},
    {"left click byte 4", {0x06, 0x00, 0x00, 0x00, 0x00}, 4},
    {"left click repeated by byte 4", {0x76, 0x00, 0x00, 0x00, 0x00}, 4},
    {"right click on a node byte 1", {0x88, 0x00, 0x00, 0x00, 0x00}, 1},
    {"right click on a node byte 2", {0x88, 0x00, 0x00, 0x00, 0x00}, 2},
    {"right click on a node byte 3", {0x88, 0x00, 0x00, 0x00, 0x00}, 3},
    {"right click on a node byte 4", {0x88, 0x00, 0x00, 0x00, 0x00}, 4},
    {"wheel slot byte 1", {0x0a, 0x00, 0x00, 0x00, 0x00}, 1},
    {"wheel slot byte 2", {0x0a, 0x03, 0x00, 0x00, 0x00}, 2},
    {"wheel slot byte 3", {0x0a, 0x03, 0x00, 0x00, 0x00}, 3},
    {"wheel slot byte 4", {0x0a, 0x03, 0x00, 0x00, 0x00}, 4},
    {"wheel delta byte 1", {0x0b, 0x00, 0x00, 0x00, 0x00}, 1},
    {"wheel delta byte 2", {0x0b, 0x00, 0x00, 0x00, 0x00}, 2},
    {"wheel delta byte 3", {0x0b, 0x78, 0x00, 0x00, 0x00}, 3},
    {"wheel delta byte 4", {0x0b, 0x78, 0x00, 0x00, 0x00}, 4},
    {"frame byte 1", {0x0c, 0x00, 0x00, 0x00, 0x00}, 1},
    {"frame byte 2", {0x0c, 0x00, 0x00, 0x00, 0x00}, 2},
    {"frame byte 3", {0x0c, 0x00, 0x00, 0x00, 0x00}, 3},
    {"frame byte 4", {0x0c, 0x00, 0x00, 0x00, 0x00}, 4},
    {"unused kind byte 1", {0x0d, 0x00, 0x00, 0x00, 0x00}, 1},
    {"unused kind byte 2", {0x0d, 0x00, 0x00, 0x00, 0x00}, 2},
    {"unused kind byte 3", {0x0d, 0x00, 0x00, 0x00, 0x00}, 3},
    {"unused kind byte 4", {0x0d, 0x00, 0x00, 0x00, 0x00}, 4},
};

std::string Meaning(const Field& field, unsigned value) {
  std::array<std::uint8_t, 5> bytes = field.base;
  bytes[field.byte] = static_cast<std::uint8_t>(value);
  const std::optional<Command> command = DecodeCommand(bytes.data());
  return command ? Describe(*command) : kNothing;
}

std::string Hex(unsigned value) {
  constexpr char kDigits[] = "0123456789abcdef";
  return {kDigits[value >> 4 & 15], kDigits[value & 15]};
}

// A meaning as its text with each number replaced by kNumber, and the numbers.
constexpr char kNumber = '\x01';
struct Parts {
  std::string skeleton;
  std::vector<long> numbers;
  bool operator==(const Parts&) const = default;
};

bool IsDigit(const std::string& text, std::size_t i) {
  return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
}

Parts Split(const std::string& text) {
  Parts parts;
  for (std::size_t i = 0; i < text.size();) {
    if (!IsDigit(text, i) && !(text[i] == '-' && IsDigit(text, i + 1))) {
      parts.skeleton += text[i++];
      continue;
    }
    std::size_t end = i + 1;
    while (IsDigit(text, end)) ++end;
    parts.numbers.push_back(std::stol(text.substr(i, end - i)));
    parts.skeleton += kNumber;
    i = end;
  }
  return parts;
}

std::string Join(const Parts& parts) {
  std::string text;
  std::size_t next = 0;
  for (const char c : parts.skeleton) {
    text += c == kNumber ? std::to_string(parts.numbers[next++]) : std::string(1, c);
  }
  return text;
}

// A run of consecutive values whose meanings differ only in numbers that
// step evenly from one value to the next (or not at all): written
// "FIRST-LAST: MEANING" when they are all the same, else, for three values or
// more, "FIRST-LAST: FIRST MEANING .. LAST MEANING".
struct Run {
  unsigned first;
  unsigned last;
  Parts start;
  std::vector<long> steps;

  Parts At(unsigned value) const {
    Parts parts = start;
    for (std::size_t i = 0; i < steps.size(); ++i) {
      parts.numbers[i] += steps[i] * static_cast<long>(value - first);
    }
    return parts;
  }
  bool Steps() const {
    return std::any_of(steps.begin(), steps.end(), [](long step) { return step != 0; });
  }
  // Takes in the meaning of value last + 1 if it continues the run.
  bool Extend(const Parts& next) {
    if (last == first && next.skeleton == start.skeleton) {
      steps.clear();
      for (std::size_t i = 0; i < next.numbers.size(); ++i) {
        steps.push_back(next.numbers[i] - start.numbers[i]);
      }
    } else if (!(next == At(last + 1))) {
      return false;
    }
    ++last;
    return true;
  }
  std::string Lines(const std::string& field) const {
    const auto line = [&](const std::string& values, const std::string& meaning) {
      return field + " " + values + ": " + meaning + "\n";
    };
    const std::string range = Hex(first) + "-" + Hex(last);
    if (last == first) return line(Hex(first), Join(start));
    if (!Steps()) return line(range, Join(start));
    if (last == first + 1) return line(Hex(first), Join(start)) + line(Hex(last), Join(At(last)));
    return line(range, Join(start) + " .. " + Join(At(last)));
  }
};

// The file's text: for each field its values in runs, a run a line.
std::string DecodingText() {
  std::ostringstream out;
  out << "# Every value of every byte of a fuzz command (DecodeCommand in command_driver.h) and\n"
         "# what it means, written by fuzz_decoding_test: \"FIELD VALUES: MEANING\", where VALUES\n"
         "# is one value or a range of them, and MEANING one meaning for all of them or the\n"
         "# first and last meaning (\"A .. B\"), whose numbers step evenly in between.\n";
  for (const Field& field : kFields) {
    std::optional<Run> run;
    for (unsigned value = 0; value < 256; ++value) {
      const Parts meaning = Split(Meaning(field, value));
      if (run && run->Extend(meaning)) continue;
      if (run) out << run->Lines(field.name);
      run = Run{value, value, meaning, {}};
    }
    out << run->Lines(field.name);
  }
  return out.str();
}

// Field and value to meaning, from the file's text.
std::map<std::pair<std::string, unsigned>, std::string> Meanings(const std::string& text) {
  std::map<std::pair<std::string, unsigned>, std::string> meanings;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(": ");
    const std::size_t space = line.rfind(' ', colon);
    if (line.empty() || line[0] == '#' || colon == std::string::npos || space == std::string::npos) continue;
    const std::string name = line.substr(0, space);
    const std::string range = line.substr(space + 1, colon - space - 1);
    Run run{static_cast<unsigned>(std::stoul(range.substr(0, 2), nullptr, 16)), 0, {}, {}};
    run.last = range.size() > 2 ? static_cast<unsigned>(std::stoul(range.substr(3), nullptr, 16)) : run.first;
    const std::string meaning = line.substr(colon + 2);
    const std::size_t dots = meaning.find(" .. ");
    run.start = Split(meaning.substr(0, dots));
    if (dots != std::string::npos && run.last > run.first) {
      const Parts end = Split(meaning.substr(dots + 4));
      for (std::size_t i = 0; i < end.numbers.size() && i < run.start.numbers.size(); ++i) {
        const long change = end.numbers[i] - run.start.numbers[i];
        run.steps.push_back(change / static_cast<long>(run.last - run.first));
      }
    }
    for (unsigned value = run.first; value <= run.last && value < 256; ++value) {
      meanings[{name, value}] = Join(run.At(value));
    }
  }
  return meanings;
}

std::string Where(const std::pair<std::string, unsigned>& key) { return key.first + " " + Hex(key.second); }

TEST(FuzzDecoding, EveryByteValueKeepsItsMeaning) {
  std::ifstream file(LATTICEGAS_FUZZ_DECODING);
  ASSERT_TRUE(file) << LATTICEGAS_FUZZ_DECODING;
  const std::string expected((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string actual = DecodingText();
  // The file's runs stand for each value exactly.
  const auto written = Meanings(actual);
  for (const Field& field : kFields) {
    for (unsigned value = 0; value < 256; ++value) {
      const auto it = written.find({field.name, value});
      ASSERT_TRUE(it != written.end() && it->second == Meaning(field, value))
          << field.name << " " << Hex(value);
    }
  }
  if (actual == expected) return;

  std::ofstream(LATTICEGAS_FUZZ_DECODING_ACTUAL) << actual;
  const auto was = Meanings(expected);
  const auto& now = written;
  std::ostringstream changed, named;
  int changes = 0, namings = 0;
  for (const auto& [key, meaning] : now) {
    const auto old = was.find(key);
    const std::string before = old == was.end() ? "(not in the file)" : old->second;
    if (before == meaning) continue;
    std::ostringstream& out = before == kNothing ? named : changed;
    int& count = before == kNothing ? namings : changes;
    if (++count <= 20) out << "  " << Where(key) << ": " << before << " -> " << meaning << "\n";
  }
  for (const auto& [key, meaning] : was) {
    if (now.count(key) == 0 && ++changes <= 20) changed << "  " << Where(key) << ": gone\n";
  }
  ADD_FAILURE() << "the decoding differs from " << LATTICEGAS_FUZZ_DECODING << " (now in "
                << LATTICEGAS_FUZZ_DECODING_ACTUAL << ")\n"
                << changes << " values changed their meaning, which changes what stored inputs test:\n"
                << changed.str() << namings << " values that named nothing now name a command:\n"
                << named.str()
                << "If only the latter, and meant, copy the new file over the old one.";
}

// Bytes that name nothing send nothing, and the commands around them run.
TEST(FuzzDecoding, BytesThatNameNothingAreLeftOut) {
  const std::uint8_t unusedKind[5] = {0x0d, 0x00, 0x00, 0x00, 0x00};
  const std::uint8_t emptyKeySlot[5] = {0x00, 0x3f, 0x00, 0x00, 0x00};
  const std::uint8_t emptyWheelSlot[5] = {0x0a, 0x0f, 0x00, 0x00, 0x00};
  EXPECT_FALSE(DecodeCommand(unusedKind));
  EXPECT_FALSE(DecodeCommand(emptyKeySlot));
  EXPECT_FALSE(DecodeCommand(emptyWheelSlot));

  CommandDriver driver;
  // One ring; the three around a burst of 32 frames.
  const std::uint8_t input[] = {1,    0x0d, 0x00, 0x00, 0x00, 0x00, 0x0c, 0x1f, 0x00, 0x00, 0x00,
                                0x00, 0x3f, 0x00, 0x00, 0x00, 0x0a, 0x0f, 0x00, 0x00, 0x00};
  EXPECT_EQ(driver.RunBytes(input, sizeof input), "");
  EXPECT_EQ(driver.Trace(), "  frame x32\n");
  EXPECT_EQ(driver.messages(), 32u);
}

}  // namespace
}  // namespace latticegas_test
