// The fonts a window's skin makes first, read from the window's archive as
// the builder reads them, and loaded ahead for the thread that builds it.
#include "Core/SkinFontsAhead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Core/UIManager.h"
#include "Core/ZipBuilder.h"
#include "platform/gfx/FontsAhead.h"
#include "platform/gfx/Text.h"
#include "platform/window/Resource.h"

namespace os {
// Printed by the assertions below.
void PrintTo(const FontRequest& r, std::ostream* out) {
  *out << r.face.size() << " units of face, " << r.pixelSize << " px"
       << (r.bold ? " bold" : "") << (r.underline ? " underline" : "") << (r.italic ? " italic" : "");
}
bool operator==(const FontRequest& a, const FontRequest& b) {
  return a.face == b.face && a.pixelSize == b.pixelSize && a.bold == b.bold && a.underline == b.underline &&
         a.italic == b.italic;
}
}  // namespace os

namespace Kesto {
namespace {

constexpr int kArchive = 64990;

// Forty characters of three UTF-8 bytes each: longer than a face name holds.
std::string LongFace() {
  std::string face;
  for (int i = 0; i < 40; ++i) face += "字";
  return face;
}

class SkinFontsAheadTest : public ::testing::Test {
 protected:
  void SetUp() override { UIManager::SetProcessInstance(os::ExecutableModule()); }
  void TearDown() override {
    os::UnregisterResource(nullptr, kArchive, u"ZIPRES");
    UIManager::SetProcessInstance(nullptr);
  }
  void Register(const std::string& skin) {
    os::UnregisterResource(nullptr, kArchive, u"ZIPRES");
    archive_ = ziptest::Builder().Add("Login.XML", skin).Add("bg.png", "not a picture").Build();
    os::RegisterResource(nullptr, kArchive, u"ZIPRES", archive_.data(), archive_.size());
  }
  std::string archive_;
};

TEST_F(SkinFontsAheadTest, TheFontsTheControlsNameReadAsTheBuilderReadsThem) {
  const std::u16string longFace(40, u'字');
  Register(
      "<Window size=\"300,200\">"
      "<Font name=\"微软雅黑\" size=\"14\" bold=\"true\" />"
      "<Image name=\"bg.png\" />"
      "<Font size=\"30\" />"  // no name: no font, and no index
      "<Font name=\"Tahoma\" size=\"11\" underline=\"true\" italic=\"true\" default=\"true\" />"
      "<Font name=\"" + LongFace() + "\" />"
      "<VerticalLayout><Font name=\"Nested\" size=\"9\" />"
      "<Label font=\"2\" /><Label font=\"0\" /><Label font=\"1\" /></VerticalLayout>"
      "</Window>");
  const std::vector<os::FontRequest> want{
      {longFace.substr(0, 31), 12, false, false, false},
      {u"微软雅黑", 14, true, false, false},
      {u"Tahoma", 11, false, true, true},
  };
  EXPECT_EQ(SkinFontRequests(kArchive, u"login.xml"), want) << "entry names ignore letter case";
}

TEST_F(SkinFontsAheadTest, EachNamedFontOnceInTheOrderFirstNamedAndTheRestLeftForLater) {
  const std::string fonts =
      "<Font name=\"A\" size=\"10\" /><Font name=\"B\" size=\"11\" />"
      "<Font name=\"C\" size=\"12\" /><Font name=\"D\" size=\"13\" />";
  Register("<Window size=\"300,200\">" + fonts +
           "<VerticalLayout>"
           "<Label text=\"x\" font=\"2\" />"
           "<HorizontalLayout><Edit font=\"0\" /><Button font=\"2\" /></HorizontalLayout>"
           "<Label font=\"9\" /><Label font=\"-1\" /><Label font=\"x\" />"
           "</VerticalLayout>"
           "</Window>");
  const std::vector<os::FontRequest> want{{u"C", 12, false, false, false}, {u"A", 10, false, false, false}};
  EXPECT_EQ(SkinFontRequests(kArchive, u"login.xml"), want) << "fonts out of the list are the default's";

  // Controls that name no font draw with the default font.
  const std::vector<os::FontRequest> defaultOnly{UIManager::DefaultFontRequest()};
  Register("<Window>" + fonts + "<Label text=\"x\" /><Label font=\"7\" /></Window>");
  EXPECT_EQ(SkinFontRequests(kArchive, u"login.xml"), defaultOnly);
}

TEST_F(SkinFontsAheadTest, WithoutItsSkinOnlyTheDefaultFont) {
  const std::vector<os::FontRequest> defaultOnly{UIManager::DefaultFontRequest()};
  EXPECT_EQ(SkinFontRequests(kArchive, u"login.xml"), defaultOnly) << "no archive";
  Register("<Window><Font name=\"Tahoma\" size=\"11\" /></Window>");
  EXPECT_EQ(SkinFontRequests(kArchive, u"other.xml"), defaultOnly) << "no such entry";
  Register("<Window><Font name=\"Tahoma\" size=\"11\" /></Win");
  EXPECT_EQ(SkinFontRequests(kArchive, u"login.xml"), defaultOnly) << "a skin that does not parse";
}

// The login skin the program carries draws its fields and its link in one
// font: that one is loaded and measured for the thread that started it,
// which takes it over with its first font.
TEST_F(SkinFontsAheadTest, TheProgramsLoginSkinFontIsLoadedForTheStartingThread) {
  const std::vector<os::FontRequest> fonts = SkinFontRequests(113, u"calvera.xml");
  const std::vector<os::FontRequest> want{UIManager::FontEntryRequest(u"微软雅黑", 14, false, false, false)};
  EXPECT_EQ(fonts, want);
  LoadSkinFontsAhead(113, u"calvera.xml");
  EXPECT_TRUE(os::FontsAhead::Pending());
  for (int i = 0; i < 2000 && !os::FontsAhead::Finished(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const UIManager manager;  // makes its default font
  EXPECT_FALSE(os::FontsAhead::Pending());
  os::TextMetrics metrics;
  EXPECT_TRUE(os::FontsAhead::Measured(os::Font(u"微软雅黑", 14, false, false, false), metrics));
  EXPECT_GT(metrics.height, 0);
}

}  // namespace
}  // namespace Kesto
