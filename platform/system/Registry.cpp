#include "platform/system/Registry.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"
#include "platform/system/UserFolders.h"

namespace os {
namespace {

struct RegValue {
  std::u16string name;
  DWORD type = REG_NONE;
  std::string data;
};

struct RegNode {
  std::u16string name;
  std::vector<std::unique_ptr<RegNode>> children;
  std::vector<RegValue> values;
};

struct RegTree {
  RegNode machine;
  RegNode user;
};

enum class Root { kMachine, kUser, kClasses };

char16_t FoldCase(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

RegNode* FindChild(const RegNode& node, std::u16string_view name) {
  for (const auto& child : node.children) {
    if (SameName(child->name, name)) return child.get();
  }
  return nullptr;
}

const RegValue* FindValue(const RegNode& node, std::u16string_view name) {
  for (const auto& value : node.values) {
    if (SameName(value.name, name)) return &value;
  }
  return nullptr;
}

const RegNode* Descend(const RegNode* node, const std::vector<std::u16string>& path) {
  for (const auto& name : path) {
    if (node == nullptr) return nullptr;
    node = FindChild(*node, name);
  }
  return node;
}

std::string Utf16LeBytes(std::u16string_view text, bool terminate) {
  std::string bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  if (terminate) bytes.append(2, '\0');
  return bytes;
}

// ---- Parsing the .reg file ----

std::u16string DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8ToUtf16(bytes.substr(3));
  return Utf8ToUtf16(bytes);
}

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::u16string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines.push_back(std::move(current));
      current.clear();
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) lines.push_back(std::move(current));
  return lines;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto end = path.find(u'\\', start);
    const auto part =
        path.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
    if (!part.empty()) parts.emplace_back(part);
    if (end == std::u16string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

// Where a section's path lands: its root node and the path below it. Keys
// written under HKEY_CLASSES_ROOT belong to the machine's classes, as when
// regedit imports them.
RegNode* SectionRoot(RegTree& tree, std::vector<std::u16string>& parts) {
  if (parts.empty()) return nullptr;
  const std::u16string root = parts.front();
  parts.erase(parts.begin());
  if (SameName(root, u"HKEY_LOCAL_MACHINE") || SameName(root, u"HKLM")) return &tree.machine;
  if (SameName(root, u"HKEY_CURRENT_USER") || SameName(root, u"HKCU")) return &tree.user;
  if (SameName(root, u"HKEY_CLASSES_ROOT") || SameName(root, u"HKCR")) {
    parts.insert(parts.begin(), {u"Software", u"Classes"});
    return &tree.machine;
  }
  return nullptr;
}

RegNode* CreatePath(RegNode* node, const std::vector<std::u16string>& parts) {
  for (const auto& name : parts) {
    RegNode* child = FindChild(*node, name);
    if (child == nullptr) {
      node->children.push_back(std::make_unique<RegNode>());
      child = node->children.back().get();
      child->name = name;
    }
    node = child;
  }
  return node;
}

void DeletePath(RegNode* node, std::vector<std::u16string> parts) {
  if (parts.empty()) return;
  const std::u16string last = parts.back();
  parts.pop_back();
  for (const auto& name : parts) {
    node = FindChild(*node, name);
    if (node == nullptr) return;
  }
  std::erase_if(node->children, [&](const auto& child) { return SameName(child->name, last); });
}

// A quoted text starting at s[pos] == '"'. Regedit escapes only the backslash
// and the quote; any other backslash stands for itself.
bool ParseQuoted(std::u16string_view s, std::size_t& pos, std::u16string* out) {
  ++pos;
  while (pos < s.size()) {
    const char16_t c = s[pos];
    if (c == u'"') {
      ++pos;
      return true;
    }
    if (c == u'\\' && pos + 1 < s.size() && (s[pos + 1] == u'\\' || s[pos + 1] == u'"')) {
      out->push_back(s[pos + 1]);
      pos += 2;
      continue;
    }
    out->push_back(c);
    ++pos;
  }
  return false;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool ParseHexNumber(std::u16string_view s, DWORD* value) {
  if (s.empty() || s.size() > 8) return false;
  DWORD v = 0;
  for (const char16_t c : s) {
    const int d = HexValue(c);
    if (d < 0) return false;
    v = (v << 4) | static_cast<DWORD>(d);
  }
  *value = v;
  return true;
}

bool ParseHexBytes(std::u16string_view s, std::string* out) {
  std::size_t pos = 0;
  while (pos < s.size()) {
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    if (pos == s.size()) break;
    const auto comma = s.find(u',', pos);
    const auto item =
        Trim(s.substr(pos, comma == std::u16string_view::npos ? std::u16string_view::npos : comma - pos));
    DWORD byte = 0;
    if (item.size() > 2 || !ParseHexNumber(item, &byte)) return false;
    out->push_back(static_cast<char>(byte));
    if (comma == std::u16string_view::npos) break;
    pos = comma + 1;
  }
  return true;
}

// Parses the data part of a value line (after "="); hex data may continue on
// the following lines, each ending in a backslash but the last.
bool ParseData(std::u16string_view dataText, const std::vector<std::u16string>& lines, std::size_t& index,
               RegValue* value) {
  if (!dataText.empty() && dataText.front() == u'"') {
    std::size_t pos = 0;
    std::u16string text;
    if (!ParseQuoted(dataText, pos, &text) || !Trim(dataText.substr(pos)).empty()) return false;
    value->type = REG_SZ;
    value->data = Utf16LeBytes(text, true);
    return true;
  }
  if (dataText.starts_with(u"dword:")) {
    DWORD number = 0;
    if (!ParseHexNumber(Trim(dataText.substr(6)), &number)) return false;
    value->type = REG_DWORD;
    value->data.clear();
    for (int i = 0; i < 4; ++i) value->data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
    return true;
  }
  if (!dataText.starts_with(u"hex")) return false;
  std::u16string_view rest = dataText.substr(3);
  DWORD type = REG_BINARY;
  if (rest.starts_with(u"(")) {
    const auto close = rest.find(u')');
    if (close == std::u16string_view::npos || !ParseHexNumber(rest.substr(1, close - 1), &type)) return false;
    rest = rest.substr(close + 1);
  }
  if (!rest.starts_with(u":")) return false;
  std::u16string joined(Trim(rest.substr(1)));
  while (!joined.empty() && joined.back() == u'\\' && index + 1 < lines.size()) {
    joined.pop_back();
    joined += Trim(lines[++index]);
  }
  value->type = type;
  value->data.clear();
  return ParseHexBytes(joined, &value->data);
}

void SetValue(RegNode* node, RegValue value) {
  for (auto& existing : node->values) {
    if (SameName(existing.name, value.name)) {
      existing.type = value.type;
      existing.data = std::move(value.data);
      return;
    }
  }
  node->values.push_back(std::move(value));
}

void ParseValueLine(std::u16string_view line, const std::vector<std::u16string>& lines, std::size_t& index,
                    RegNode* node) {
  std::size_t pos = 0;
  std::u16string name;
  if (line.front() == u'@') {
    pos = 1;
  } else if (!ParseQuoted(line, pos, &name)) {
    return;
  }
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos == line.size() || line[pos] != u'=') return;
  const std::u16string_view dataText = Trim(line.substr(pos + 1));
  if (dataText == u"-") {
    std::erase_if(node->values, [&](const RegValue& v) { return SameName(v.name, name); });
    return;
  }
  RegValue value;
  value.name = std::move(name);
  if (ParseData(dataText, lines, index, &value)) {
    SetValue(node, std::move(value));
  } else {
    DebugOutput(DebugCategory::Settings, u"registry file: unreadable value line: " + std::u16string(line));
  }
}

void Parse(const std::u16string& text, RegTree& tree) {
  const std::vector<std::u16string> lines = SplitLines(text);
  std::size_t index = 0;
  while (index < lines.size() && Trim(lines[index]).empty()) ++index;
  if (index == lines.size()) return;
  const auto header = Trim(lines[index]);
  if (header != u"Windows Registry Editor Version 5.00" && header != u"REGEDIT4") {
    DebugOutput(DebugCategory::Settings,
                "registry file: no \"Windows Registry Editor Version 5.00\" header; ignored");
    return;
  }
  RegNode* current = nullptr;
  for (++index; index < lines.size(); ++index) {
    const std::u16string_view line = Trim(lines[index]);
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      current = nullptr;
      const auto close = line.rfind(u']');
      if (close == std::u16string_view::npos) continue;
      std::u16string_view inner = line.substr(1, close - 1);
      const bool remove = !inner.empty() && inner.front() == u'-';
      if (remove) inner.remove_prefix(1);
      std::vector<std::u16string> parts = SplitPath(inner);
      RegNode* root = SectionRoot(tree, parts);
      if (root == nullptr) continue;
      if (remove) {
        DeletePath(root, parts);
      } else {
        current = CreatePath(root, parts);
      }
      continue;
    }
    if (current != nullptr) ParseValueLine(line, lines, index, current);
  }
}

std::string RegistryFilePath() {
  if (const auto path = GetEnvironmentVariable("LUMORA_REGISTRY"); path && !path->empty()) return *path;
  const std::string config = XdgConfigHome();
  if (config.empty()) return {};
  return config + "/lumora/registry.reg";
}

std::shared_ptr<const RegTree> LoadTree() {
  auto tree = std::make_shared<RegTree>();
  const std::string path = RegistryFilePath();
  if (path.empty()) return tree;
  std::ifstream in(path, std::ios::binary);
  if (!in) return tree;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Parse(DecodeFile(bytes), *tree);
  return tree;
}

bool IsPredefined(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

LSTATUS CopyData(const RegValue& value, DWORD* type, std::string* data, DWORD capacity) {
  if (type != nullptr) *type = value.type;
  if (value.data.size() > capacity) {
    if (data != nullptr) data->clear();
    return ERROR_MORE_DATA;
  }
  if (data != nullptr) *data = value.data;
  return ERROR_SUCCESS;
}

}  // namespace

// An opened key: the snapshot it was found in and the nodes it stands for.
// A classes-root key stands for the user's node and the machine's node of the
// same path, the user's first; other keys have one node. A key for the root
// of HKEY_LOCAL_MACHINE remembers its view for the opens below it.
struct HKEY__ {
  std::shared_ptr<const RegTree> tree;
  std::vector<const RegNode*> nodes;
  bool machineRoot = false;
  bool view32 = false;
};

namespace {

// Puts a 32-bit view's Software subtree below Software\Wow6432Node.
void Redirect(std::vector<std::u16string>& parts) {
  if (parts.empty() || !SameName(parts[0], u"Software")) return;
  if (parts.size() >= 2 && SameName(parts[1], u"Wow6432Node")) return;
  parts.insert(parts.begin() + 1, u"Wow6432Node");
}

bool WantsView32(REGSAM sam) {
  if (sam & KEY_WOW64_32KEY) return true;
  if (sam & KEY_WOW64_64KEY) return false;
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  return wow64 != FALSE;
}

}  // namespace

LSTATUS RegOpenKeyEx(HKEY key, std::u16string_view subKey, DWORD, REGSAM sam, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if ((sam & KEY_WOW64_32KEY) && (sam & KEY_WOW64_64KEY)) return ERROR_INVALID_PARAMETER;
  if (!subKey.empty() && subKey.front() == u'\\') return ERROR_BAD_PATHNAME;
  std::u16string_view trimmed = subKey;
  if (!trimmed.empty() && trimmed.back() == u'\\') trimmed.remove_suffix(1);
  if (trimmed.find(u"\\\\") != std::u16string_view::npos) return ERROR_BAD_PATHNAME;
  std::vector<std::u16string> parts = SplitPath(trimmed);

  auto opened = std::make_unique<HKEY__>();
  std::vector<const RegNode*> bases;
  bool redirect = false;
  if (IsPredefined(key)) {
    opened->tree = LoadTree();
    const RegTree& tree = *opened->tree;
    if (key == HKEY_LOCAL_MACHINE) {
      opened->view32 = WantsView32(sam);
      opened->machineRoot = parts.empty();
      redirect = opened->view32;
      bases.push_back(&tree.machine);
    } else if (key == HKEY_CURRENT_USER) {
      bases.push_back(&tree.user);
    } else {
      for (const RegNode* root : {&tree.user, &tree.machine}) {
        if (const RegNode* classes = Descend(root, {u"Software", u"Classes"})) bases.push_back(classes);
      }
    }
  } else {
    opened->tree = key->tree;
    bases = key->nodes;
    redirect = key->machineRoot && key->view32;
    opened->view32 = key->view32;
    opened->machineRoot = key->machineRoot && parts.empty();
  }
  if (redirect) Redirect(parts);

  for (const RegNode* base : bases) {
    if (const RegNode* node = Descend(base, parts)) opened->nodes.push_back(node);
  }
  // A predefined root always exists, even when the file has nothing below it.
  if (opened->nodes.empty() && !(IsPredefined(key) && parts.empty())) return ERROR_FILE_NOT_FOUND;
  *result = opened.release();
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (IsPredefined(key)) return ERROR_SUCCESS;
  delete key;
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueEx(HKEY key, std::u16string_view valueName, DWORD* type, std::string* data,
                        DWORD capacity) {
  if (key == nullptr || IsPredefined(key)) {
    // Querying a predefined root directly would need a fresh snapshot; open it first.
    if (key == nullptr) return ERROR_INVALID_HANDLE;
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyEx(key, u"", 0, KEY_QUERY_VALUE, &opened);
    if (status != ERROR_SUCCESS) return status;
    const LSTATUS answer = RegQueryValueEx(opened, valueName, type, data, capacity);
    RegCloseKey(opened);
    return answer;
  }
  for (const RegNode* node : key->nodes) {
    if (const RegValue* value = FindValue(*node, valueName)) return CopyData(*value, type, data, capacity);
  }
  return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegEnumValue(HKEY key, DWORD index, std::u16string* name, DWORD* type, std::string* data,
                     DWORD capacity) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (IsPredefined(key)) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyEx(key, u"", 0, KEY_QUERY_VALUE, &opened);
    if (status != ERROR_SUCCESS) return status;
    const LSTATUS answer = RegEnumValue(opened, index, name, type, data, capacity);
    RegCloseKey(opened);
    return answer;
  }
  // A merged key lists the values of its first node, then those of the later
  // nodes that the earlier ones do not hide.
  std::vector<const RegValue*> visible;
  for (std::size_t n = 0; n < key->nodes.size(); ++n) {
    for (const auto& value : key->nodes[n]->values) {
      bool hidden = false;
      for (std::size_t m = 0; m < n && !hidden; ++m)
        hidden = FindValue(*key->nodes[m], value.name) != nullptr;
      if (!hidden) visible.push_back(&value);
    }
  }
  if (index >= visible.size()) return ERROR_NO_MORE_ITEMS;
  const RegValue& value = *visible[index];
  if (name != nullptr) *name = value.name;
  return CopyData(value, type, data, capacity);
}

}  // namespace os
