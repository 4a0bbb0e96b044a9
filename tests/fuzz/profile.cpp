// The profile (.ini) functions on any file: every value is read, then one
// write of each kind is made (an existing key set, a new key added, a key
// deleted, a section deleted). A write that succeeds reads back, and no value
// it did not address changes; a write that is refused changes nothing.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "FuzzSupport.h"
#include "platform/system/Profile.h"

namespace {

using os::DWORD;

constexpr DWORD kSize = 1u << 20;
constexpr std::size_t kMaxValues = 64;
constexpr char16_t kValue[] = u"fuzz value";

// Section and key names as the functions compare them: trimmed of blanks,
// ASCII letters in either case alike.
std::u16string Fold(std::u16string_view name) {
  while (!name.empty() && (name.front() == u' ' || name.front() == u'\t')) name.remove_prefix(1);
  while (!name.empty() && (name.back() == u' ' || name.back() == u'\t')) name.remove_suffix(1);
  std::u16string out(name);
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

struct Entry {
  std::u16string section;
  std::u16string key;
};
using Values = std::map<std::pair<std::u16string, std::u16string>, std::u16string>;

const std::u16string& File() {
  static const std::u16string file = (fuzz::Scratch() / "profile.ini").u16string();
  return file;
}

std::u16string Read(const std::u16string& section, const std::u16string& key) {
  std::u16string value;
  os::GetPrivateProfileString(section.c_str(), key.c_str(), u"\x01missing", &value, kSize, File());
  return value;
}

// Every readable value (up to a bound), and the names in file order.
Values Snapshot(std::vector<Entry>* entries = nullptr) {
  Values values;
  std::u16string sections;
  os::GetPrivateProfileSectionNames(&sections, kSize, File());
  for (const std::u16string& section : os::SplitMultiString(sections)) {
    std::u16string keys;
    os::GetPrivateProfileString(section.c_str(), nullptr, nullptr, &keys, kSize, File());
    for (const std::u16string& key : os::SplitMultiString(keys)) {
      if (values.size() >= kMaxValues) return values;
      const auto [at, added] = values.emplace(std::make_pair(Fold(section), Fold(key)), std::u16string());
      if (!added) continue;
      at->second = Read(section, key);
      if (entries != nullptr) entries->push_back({section, key});
    }
  }
  return values;
}

// Values before a write against after it, leaving out what the write
// addressed (a section deleted: all its keys).
void CheckOthers(const Values& before, const Entry& addressed, bool wholeSection) {
  for (const auto& [name, value] : before) {
    if (name.first == Fold(addressed.section) && (wholeSection || name.second == Fold(addressed.key)))
      continue;
    FUZZ_CHECK(Read(name.first, name.second) == value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  std::filesystem::remove(File());
  fuzz::WriteFile(File(), bytes);
  std::vector<Entry> entries;
  const Values original = Snapshot(&entries);
  const std::size_t pick = size == 0 ? 0 : static_cast<unsigned char>(bytes[size - 1]);

  // An existing key set anew, or the write refused without a change.
  if (!entries.empty()) {
    const Entry& entry = entries[pick % entries.size()];
    const Values before = Snapshot();
    if (os::WritePrivateProfileString(entry.section.c_str(), entry.key.c_str(), kValue, File())) {
      FUZZ_CHECK(Read(entry.section, entry.key) == kValue);
      CheckOthers(before, entry, false);
    } else {
      FUZZ_CHECK(Snapshot() == before);
    }
  }
  // A new key in an existing section, or a new section.
  {
    const Entry entry{entries.empty() ? u"Fuzz Section" : entries[pick / 2 % entries.size()].section,
                      u"FuzzNewKey"};
    const Values before = Snapshot();
    if (os::WritePrivateProfileString(entry.section.c_str(), entry.key.c_str(), kValue, File())) {
      FUZZ_CHECK(Read(entry.section, entry.key) == kValue);
      CheckOthers(before, entry, false);
    } else {
      FUZZ_CHECK(Snapshot() == before);
    }
  }
  // A key deleted, then a whole section.
  for (const bool wholeSection : {false, true}) {
    std::vector<Entry> now;
    const Values before = Snapshot(&now);
    if (now.empty()) break;
    const Entry& entry = now[pick % now.size()];
    if (os::WritePrivateProfileString(entry.section.c_str(), wholeSection ? nullptr : entry.key.c_str(),
                                      nullptr, File())) {
      CheckOthers(before, entry, wholeSection);
    } else {
      FUZZ_CHECK(Snapshot() == before);
    }
  }
  return 0;
}
