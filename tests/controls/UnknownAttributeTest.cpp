// Skin attributes that no class of a control accepts are told to the
// developer on the debug output, once per class and name; attributes a
// derived class handles are not.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <set>
#include <string>

#include "Core/ControlRegistry.h"
#include "controls/Control.h"
#include "platform/base/Unicode.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

std::unique_ptr<CControlUI> Make(std::u16string_view tag) {
  return std::unique_ptr<CControlUI>(ControlRegistry::Instance().Create(tag));
}

std::string ReportLine(std::u16string_view className, std::u16string_view name) {
  return "kesto.skin: " + os::Utf16ToUtf8(className) + " accepts no attribute \"" + os::Utf16ToUtf8(name) +
         "\"; ignored\n";
}

TEST(UnknownAttributeTest, EveryTagReportsAnUnknownNameOncePerClass) {
  const testsupport::ScopedEnv debug("LUMORA_DEBUG", "skin");
  const std::u16string name = u"unheard-of-everywhere";
  std::set<std::u16string> classes;
  for (const std::u16string& tag : ControlRegistry::Instance().Tags()) {
    auto first = Make(tag);
    auto second = Make(tag);
    ASSERT_NE(first, nullptr) << os::Utf16ToUtf8(tag);
    const std::u16string className(first->GetClass());
    // Two tags may make one class: its report came with the first of them.
    const std::string expected = classes.insert(className).second ? ReportLine(className, name) : "";
    testing::internal::CaptureStderr();
    first->SetAttribute(name, u"1");
    first->SetAttribute(name, u"2");
    second->SetAttribute(name, u"3");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected) << os::Utf16ToUtf8(tag);
  }
}

TEST(UnknownAttributeTest, AnotherNameOfTheSameClassIsReportedToo) {
  const testsupport::ScopedEnv debug("LUMORA_DEBUG", "all");
  auto label = Make(u"Label");
  testing::internal::CaptureStderr();
  label->SetAttribute(u"colour-typo", u"#FF000000");
  label->SetAttribute(u"size-typo", u"3");
  label->SetAttribute(u"colour-typo", u"#FF000000");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            ReportLine(u"LabelUI", u"colour-typo") + ReportLine(u"LabelUI", u"size-typo"));
}

TEST(UnknownAttributeTest, NothingIsReportedWhileTheSkinCategoryIsOff) {
  auto label = Make(u"Label");
  {
    const testsupport::ScopedEnv debug("LUMORA_DEBUG", "window,update");
    testing::internal::CaptureStderr();
    label->SetAttribute(u"told-later", u"1");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  // Not counted as told while nobody listened.
  const testsupport::ScopedEnv debug("LUMORA_DEBUG", "skin");
  testing::internal::CaptureStderr();
  label->SetAttribute(u"told-later", u"1");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), ReportLine(u"LabelUI", u"told-later"));
}

struct Handled {
  const char16_t* tag;
  const char16_t* name;
  const char16_t* value;
};

void PrintTo(const Handled& handled, std::ostream* out) {
  *out << os::Utf16ToUtf8(handled.tag) << ' ' << os::Utf16ToUtf8(handled.name);
}

class HandledAttributeTest : public testing::TestWithParam<Handled> {};

// Each name is taken somewhere down its class's chain, above the control
// base; the base must not take it for unknown.
TEST_P(HandledAttributeTest, IsNotReported) {
  const testsupport::ScopedEnv debug("LUMORA_DEBUG", "skin");
  auto control = Make(GetParam().tag);
  ASSERT_NE(control, nullptr);
  testing::internal::CaptureStderr();
  control->SetAttribute(GetParam().name, GetParam().value);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

INSTANTIATE_TEST_SUITE_P(
    UnknownAttributeTest, HandledAttributeTest,
    testing::Values(
        Handled{u"TabLayout", u"selectedid", u"0"}, Handled{u"Button", u"hotimage", u"x.png"},
        Handled{u"Option", u"selected", u"true"}, Handled{u"List", u"header", u"hidden"},
        Handled{u"List", u"vscrollbar", u"true"}, Handled{u"TreeView", u"itemtextcolor", u"#FF000000"},
        Handled{u"Edit", u"maxchar", u"5"}, Handled{u"Progress", u"max", u"10"},
        Handled{u"Slider", u"step", u"2"}, Handled{u"Label", u"textcolor", u"#FF000000"},
        Handled{u"Container", u"inset", u"1,1,1,1"}, Handled{u"VerticalLayout", u"sepheight", u"3"},
        Handled{u"HorizontalLayout", u"sepwidth", u"3"}, Handled{u"Combo", u"textpadding", u"1,1,1,1"},
        Handled{u"ScrollBar", u"button1normalimage", u"a.png"}, Handled{u"GifAnim", u"autoplay", u"false"},
        Handled{u"RichEdit", u"multiline", u"true"}, Handled{u"TileLayout", u"columns", u"2"},
        Handled{u"ListHeader", u"sepwidth", u"2"}, Handled{u"Control", u"name", u"plain"}));

}  // namespace
}  // namespace Kesto
