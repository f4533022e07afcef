// The key table (key_table.h) against the program and against every key list
// written for users: the keys the window procedure answers are the table's,
// and README.md's table of keys, the manual page, the web page's buttons and
// the web page's table of keys name exactly the table's keys.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "key_table.h"
#include "platform/web/web_messages.h"

// The page's helpers (VirtualKeyFromDom), in their own namespace.
namespace latticegas_web {}

namespace latticegas_test {
namespace {

using namespace latticegas_web;

const CommandKey* KeyOf(unsigned virtualKey) {
  for (const CommandKey& key : kKeyTable) {
    if (key.virtualKey == virtualKey) return &key;
  }
  return nullptr;
}

std::set<std::string> TableNames() {
  std::set<std::string> names;
  for (const CommandKey& key : kKeyTable) names.insert(key.name);
  return names;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Source(const std::string& path) {
  std::ifstream in(std::string(LATTICEGAS_SOURCE_DIR) + "/" + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The inputs that are not keys, as the key lists name them.
bool IsPointerInput(const std::string& item) {
  static const std::set<std::string> kPointer = {"left click", "right click", "wheel", "mouse wheel",
                                                 "tap",        "press-and-hold", "pinch"};
  return kPointer.count(Lower(item)) != 0;
}

// What one list names: keys, and anything that is neither a key of the table
// nor a pointer input.
struct Named {
  std::multiset<std::string> keys;
  std::vector<std::string> unknown;
};

// One entry of a list: "0 to 6" (or "0–6") is the keys from 0 to 6.
void AddItem(const std::string& raw, Named* named) {
  const std::string item = Trim(raw);
  if (item.empty()) return;
  static const std::regex kRange(R"((\S) *(?:to|–|-) *(\S))");
  std::smatch range;
  if (std::regex_match(item, range, kRange)) {
    for (char c = range[1].str()[0]; c <= range[2].str()[0]; ++c) named->keys.insert(std::string(1, c));
    return;
  }
  if (TableNames().count(item) != 0) {
    named->keys.insert(item);
  } else if (!IsPointerInput(item)) {
    named->unknown.push_back(item);
  }
}

// A list's cell or tag: its entries are parted by commas, slashes, "or" and
// "and" (but for the "and" of "press and hold").
void AddItems(const std::string& cell, Named* named) {
  static const std::regex kParts(R"( *(?:,|/) *| +or +| +and +)");
  const std::string text = std::regex_replace(cell, std::regex("press and hold"), "press-and-hold");
  for (std::sregex_token_iterator it(text.begin(), text.end(), kParts, -1), end; it != end; ++it) {
    AddItem(*it, named);
  }
}

// Every key of the table once, and nothing unknown.
void ExpectTheTablesKeys(const Named& named, const std::string& where) {
  EXPECT_TRUE(named.unknown.empty()) << where << " names inputs the key table does not have: "
                                     << ::testing::PrintToString(named.unknown);
  for (const CommandKey& key : kKeyTable) {
    EXPECT_EQ(named.keys.count(key.name), 1u) << where << " names the key " << key.name << " "
                                              << named.keys.count(key.name) << " times";
  }
}

// The first column of the first table under README.md's heading of keys.
Named ReadmeKeys() {
  Named named;
  bool inSection = false;
  bool inTable = false;
  int row = 0;
  for (const std::string& line : Lines(Source("README.md"))) {
    if (line.rfind("## ", 0) == 0) {
      if (inTable) break;
      inSection = line.find("Keys") != std::string::npos;
      continue;
    }
    if (!inSection) continue;
    if (line.rfind("|", 0) != 0) {
      if (inTable) break;
      continue;
    }
    inTable = true;
    if (row++ < 2) continue;  // the heading and the rule under it
    const std::string cell = line.substr(1, line.find('|', 1) - 1);
    AddItems(std::regex_replace(cell, std::regex("[`*]"), ""), &named);
  }
  EXPECT_TRUE(inTable) << "README.md has no table under a heading with \"Keys\"";
  return named;
}

// The tags of the manual page's KEYS AND MOUSE section (the line after each .TP).
Named ManualPageKeys() {
  Named named;
  bool inSection = false;
  bool tagNext = false;
  int tags = 0;
  for (const std::string& line : Lines(Source("packaging/lattice-gas.1"))) {
    if (line.rfind(".SH", 0) == 0) {
      inSection = line == ".SH KEYS AND MOUSE";
      continue;
    }
    if (!inSection) continue;
    if (line == ".TP") {
      tagNext = true;
      continue;
    }
    if (!tagNext) continue;
    tagNext = false;
    ++tags;
    // ".BR F \" and \" R \", mouse wheel\"": the macro, then bold and roman words.
    std::string tag = std::regex_replace(line, std::regex(R"(^\.[A-Z]+ +)"), "");
    tag = std::regex_replace(tag, std::regex("\""), "");
    tag = std::regex_replace(tag, std::regex(" +"), " ");
    AddItems(tag, &named);
  }
  EXPECT_GT(tags, 0) << "the manual page has no tagged paragraphs under .SH KEYS AND MOUSE";
  return named;
}

std::map<std::string, std::string> Attributes(const std::string& tag) {
  std::map<std::string, std::string> attributes;
  static const std::regex kAttribute(R"(([a-z-]+)="([^"]*)\")");
  for (std::sregex_iterator it(tag.begin(), tag.end(), kAttribute), end; it != end; ++it) {
    attributes[(*it)[1]] = (*it)[2];
  }
  return attributes;
}

struct PageButton {
  std::string label;
  std::map<std::string, std::string> attributes;
};

std::vector<PageButton> PageButtons() {
  const std::string page = Source("packaging/web/index.html");
  std::vector<PageButton> buttons;
  static const std::regex kButton(R"(<button\b([^>]*)>([^<]*)</button>)");
  for (std::sregex_iterator it(page.begin(), page.end(), kButton), end; it != end; ++it) {
    buttons.push_back({(*it)[2], Attributes((*it)[1])});
  }
  return buttons;
}

// The <kbd> names in the first cell of each row of the page's table of keys.
Named PageTableKeys() {
  Named named;
  const std::string page = Source("packaging/web/index.html");
  const auto start = page.find("<table>");
  const auto end = page.find("</table>", start);
  EXPECT_NE(start, std::string::npos) << "the page has no table of keys";
  if (start == std::string::npos || end == std::string::npos) return named;
  const std::string table = page.substr(start, end - start);
  static const std::regex kFirstCell(R"(<tr><td>(.*?)</td>)");
  static const std::regex kKbd(R"(<kbd>([^<]*)</kbd>)");
  for (std::sregex_iterator row(table.begin(), table.end(), kFirstCell), rows; row != rows; ++row) {
    // Keys are in <kbd>, pointer inputs in plain text; "<kbd>0</kbd>–<kbd>6</kbd>" is a range.
    std::string cell = std::regex_replace((*row)[1].str(), std::regex(R"(</kbd>(–)<kbd>)"), "$1");
    for (std::sregex_iterator k(cell.begin(), cell.end(), kKbd), ks; k != ks; ++k) AddItem((*k)[1], &named);
    AddItems(std::regex_replace(cell, kKbd, ","), &named);
  }
  return named;
}

TEST(KeyTable, ReadmeKeyTableNamesTheTablesKeys) {
  ExpectTheTablesKeys(ReadmeKeys(), "README.md's table of keys");
}

TEST(KeyTable, ManualPageNamesTheTablesKeys) {
  ExpectTheTablesKeys(ManualPageKeys(), "packaging/lattice-gas.1");
}

TEST(KeyTable, WebPageTableNamesTheTablesKeys) {
  ExpectTheTablesKeys(PageTableKeys(), "the table of keys in packaging/web/index.html");
}

// Each button presses, by the page's own translation of key events, the key
// the table gives it, and names that key in its tooltip; every key with a
// button in the table has exactly one.
TEST(KeyTable, WebPageButtonsPressTheTablesKeys) {
  std::multiset<std::string> pressed;
  for (const PageButton& button : PageButtons()) {
    const bool hasKey = button.attributes.count("data-key") != 0;
    const bool hasCode = button.attributes.count("data-code") != 0;
    EXPECT_EQ(hasKey, hasCode) << "button " << button.label << ": data-key and data-code go together";
    if (!hasKey || !hasCode) continue;
    const UINT virtualKey = VirtualKeyFromDom(button.attributes.at("data-key"),
                                              button.attributes.at("data-code"), 0);
    const CommandKey* key = KeyOf(virtualKey);
    if (key == nullptr) {
      ADD_FAILURE() << "button " << button.label << " presses key code " << virtualKey
                    << ", which is not in the key table";
      continue;
    }
    EXPECT_STREQ(button.label.c_str(), key->button == nullptr ? "(no button)" : key->button)
        << "the button that presses " << key->name;
    const auto title = button.attributes.find("title");
    EXPECT_EQ(title == button.attributes.end() ? "" : title->second, button.label + " (" + key->name + ")")
        << "the tooltip of button " << button.label;
    pressed.insert(key->name);
  }
  for (const CommandKey& key : kKeyTable) {
    if (key.button != nullptr) {
      EXPECT_EQ(pressed.count(key.name), 1u) << "buttons for " << key.name;
    }
  }
}

// What a key press can change: the nodes, their links and particles, the
// selection, the camera, and whether the program quits.
struct Snapshot {
  struct NodeState {
    float x, y;
    std::uint8_t state, tag;
    std::array<const Node*, 6> neighbours;
    bool operator==(const NodeState&) const = default;
  };
  std::vector<NodeState> nodes;
  const Node* selected;
  float eye[3];
  bool operator==(const Snapshot& other) const {
    return nodes == other.nodes && selected == other.selected && eye[0] == other.eye[0] &&
           eye[1] == other.eye[1] && eye[2] == other.eye[2];
  }
};

Snapshot Take() {
  Snapshot s;
  for (const Node& n : lattice.nodes) {
    Snapshot::NodeState node{n.x, n.y, n.state, n.tag, {}};
    for (int k = 0; k < 6; ++k) node.neighbours[k] = n.neighbours[k];
    s.nodes.push_back(node);
  }
  s.selected = selectedNode;
  s.eye[0] = camera.eye.x;
  s.eye[1] = camera.eye.y;
  s.eye[2] = camera.eye.z;
  return s;
}

class KeyTableProgram : public AppTest {};

// Every key code, pressed once with no node selected and once with the
// centre node (which has all six links) selected, on a grid with particles:
// a key that changes anything in either is a command key, and every command
// key changes something in one of them.
TEST_F(KeyTableProgram, TheWindowProcedureAnswersExactlyTheTablesKeys) {
  for (unsigned code = 0; code < 256; ++code) {
    bool acts = false;
    for (const bool selected : {false, true}) {
      ResetGlobals(3);
      std::srand(7);
      lattice.RandomizeParticles();
      if (selected) {
        selectedNode = NodeAt(0.0f, 0.0f);
        ASSERT_NE(selectedNode, nullptr);
      }
      const Snapshot before = Take();
      Key(code);
      const bool quit = Drain();
      acts = acts || quit || !(Take() == before);
      if (quit) {
        window = CreateWindowExA(0, "LatticeTest", "test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 1024, 768, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
      }
      selectedNode = nullptr;
    }
    EXPECT_EQ(acts, KeyOf(code) != nullptr)
        << "key code " << code << (acts ? " does something but is not" : " does nothing but is")
        << " in the key table";
  }
}

}  // namespace
}  // namespace latticegas_test
