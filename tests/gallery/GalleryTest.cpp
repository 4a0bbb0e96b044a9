// The control gallery on the headless backend: its skin names every tag the
// builder knows (so a new control class cannot be left out of it), the window
// builds a control of each, and notifications from controls driven through
// the automation driver reach the status line and the log.
#include "gallery/GalleryWnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "Core/ControlRegistry.h"
#include "Core/Markup.h"
#include "Core/UIManager.h"
#include "automation/Automation.h"
#include "controls/Control.h"
#include "platform/base/Unicode.h"
#include "platform/headless/Headless.h"
#include "platform/window/Messages.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"
#include "testsupport/TempDir.h"

namespace {

class GalleryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::headless::Reset();
    Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
    Kesto::UIManager::SetSkinArchive(u"", false);
    Kesto::UIManager::SetSkinRoot(u"");
  }
  void TearDown() override {
    if (window_ != nullptr && os::IsWindow(window_->GetHWND())) os::DestroyWindow(window_->GetHWND());
    window_.reset();
    os::headless::Reset();
    Kesto::UIManager::SetSkinArchive(u"", false);
    if (log_ != nullptr) std::fclose(log_);
  }

  GalleryWnd& Open() {
    window_ = std::make_unique<GalleryWnd>(log_);
    window_->Create(nullptr, kGalleryCaption, os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
    window_->CenterWindow();
    window_->ShowWindow(true, true);
    os::headless::Pump();
    return *window_;
  }

  std::string LogText() {
    std::fflush(log_);
    return testsupport::ReadFileBytes(logPath_);
  }

  static bool Has(std::u16string_view tag) { return Kesto::ControlRegistry::Instance().Find(tag) != nullptr; }

  testsupport::TempDir dir_;
  std::filesystem::path logPath_ = dir_.path() / "gallery.log";
  std::FILE* log_ = std::fopen(logPath_.c_str(), "w");
  std::unique_ptr<GalleryWnd> window_;
};

void CollectTags(Kesto::MarkupNode node, std::set<std::u16string>& tags) {
  for (; node.IsValid(); node = node.NextSibling()) {
    tags.insert(node.TagName());
    CollectTags(node.FirstChild(), tags);
  }
}

// Every control of the tree, hidden ones and a list's header included.
void CollectClasses(Kesto::CControlUI* root, std::set<std::u16string>& classes) {
  ASSERT_NE(root, nullptr);
  root->FindControl(
      [](Kesto::CControlUI* control, void* data) -> Kesto::CControlUI* {
        static_cast<std::set<std::u16string>*>(data)->insert(std::u16string(control->GetClass()));
        return nullptr;
      },
      &classes, Kesto::FindFlag::All);
}

TEST_F(GalleryTest, SkinNamesEveryTagTheBuilderKnows) {
  Open();  // opens the skin archive as the window does
  std::set<std::u16string> tags;
  for (const std::u16string_view file : {u"gallery.xml", u"child.xml"}) {
    Kesto::MarkupDoc doc;
    ASSERT_TRUE(doc.LoadFromFile(file)) << os::Utf16ToUtf8(file);
    CollectTags(doc.Root(), tags);
  }
  const std::vector<std::u16string> buildable = BuildableTags();
  ASSERT_FALSE(buildable.empty());
  for (const std::u16string& tag : buildable) {
    EXPECT_TRUE(tags.count(tag)) << "the gallery's skin has no <" << os::Utf16ToUtf8(tag) << ">";
  }
  // The tree node's tag is listed exactly when the builder can make nodes.
  const bool nodes = Kesto::ControlRegistry::Instance().TreeNodes().create != nullptr;
  EXPECT_EQ(std::count(buildable.begin(), buildable.end(), u"TreeNode"), nodes ? 1 : 0);
  EXPECT_TRUE(std::is_sorted(buildable.begin(), buildable.end()));
}

TEST_F(GalleryTest, WindowHoldsAControlOfEveryRegisteredClass) {
  GalleryWnd& window = Open();
  std::set<std::u16string> classes;
  CollectClasses(window.GetManager().Root(), classes);
  for (const std::u16string& tag : Kesto::ControlRegistry::Instance().Tags()) {
    const std::unique_ptr<Kesto::CControlUI> sample(Kesto::ControlRegistry::Instance().Create(tag));
    ASSERT_NE(sample, nullptr) << os::Utf16ToUtf8(tag);
    EXPECT_TRUE(classes.count(std::u16string(sample->GetClass())))
        << "no " << os::Utf16ToUtf8(sample->GetClass()) << " in the window for <" << os::Utf16ToUtf8(tag)
        << ">";
  }
  // The status line and the close button are there to be used.
  ASSERT_NE(window.GetManager().FindControlByName(u"status"), nullptr);
  ASSERT_NE(window.GetManager().FindControlByName(u"closebtn"), nullptr);
}

TEST_F(GalleryTest, DrivenControlsReportTheirNotifications) {
  GalleryWnd& window = Open();
  std::string script =
      "click button\n"
      "click option_green\n"
      "click tab_child\n"
      "click childbutton\n"
      "click checkbox\n";
  // The new controls' parts run once their classes are in.
  if (Has(u"List")) script += "click row2\n";
  if (Has(u"Combo")) script += "click combo\nkey Escape\n";
  // A click in the slider's middle takes the value there.
  if (Has(u"Slider")) script += "click slider\n";
  {
    AutomationDriver driver(ParseAutomationScript(script), log_, false);
    ASSERT_TRUE(driver.Start());
    os::headless::Advance(3000);
    EXPECT_TRUE(driver.Finished());
  }
  const std::string log = LogText();
  EXPECT_EQ(log.find("error:"), std::string::npos) << log;
  std::vector<std::string> expected = {"click button 0 0", "selectchanged option_green 0 0",
                                       "click tab_child 0 0", "click childbutton 0 0",
                                       "selectchanged checkbox 0 0"};
  if (Has(u"List")) expected.push_back("itemselect list 2 -1");
  if (Has(u"Combo")) expected.push_back("dropdown combo 0 0");
  if (Has(u"Slider")) expected.push_back("valuechanged slider 0 0");
  std::size_t at = 0;
  for (const std::string& line : expected) {
    const std::size_t found = log.find(line + "\n", at);
    ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << line << "\nin:\n" << log;
    at = found;
  }
  // What the log says last, the status line shows.
  ASSERT_FALSE(window.Lines().empty());
  EXPECT_EQ(os::Utf16ToUtf8(window.GetManager().FindControlByName(u"status")->GetText()),
            window.Lines().back());
  if (Has(u"Slider")) {
    // The label below the slider and the progress bar follow its value.
    Kesto::UIManager& manager = window.GetManager();
    EXPECT_EQ(manager.FindControlByName(u"slidervalue")->GetText(), u"slider 50");
    EXPECT_EQ(manager.FindControlByName(u"progress")->GetText(), u"50 %");
  }
  // The tab page bound to the option is the one shown.
  EXPECT_TRUE(window.GetManager().FindControlByName(u"childbutton")->IsVisible());
}

// The driver's listing, which scripts read rectangles from, holds every
// control of the window, parts a container keeps outside its items too, each
// indented below its parent.
TEST_F(GalleryTest, DriverListsEveryControlBelowItsParent) {
  GalleryWnd& window = Open();
  {
    AutomationDriver driver(ParseAutomationScript("tree Kesto Gallery\n"), log_, false);
    ASSERT_TRUE(driver.Start());
    os::headless::Advance(500);
  }
  const std::string log = LogText();
  std::vector<Kesto::CControlUI*> all;
  window.GetManager().Root()->FindControl(
      [](Kesto::CControlUI* control, void* data) -> Kesto::CControlUI* {
        static_cast<std::vector<Kesto::CControlUI*>*>(data)->push_back(control);
        return nullptr;
      },
      &all, Kesto::FindFlag::All);
  const auto indentOf = [&](Kesto::CControlUI* control) -> std::size_t {
    const std::string key = " name=\"" + os::Utf16ToUtf8(control->GetName()) + "\" rect=";
    const std::size_t at = log.find(key);
    if (at == std::string::npos) return std::string::npos;
    const std::size_t lineStart = log.rfind('\n', at) + 1;
    return log.find_first_not_of(' ', lineStart) - lineStart;
  };
  int named = 0;
  for (Kesto::CControlUI* control : all) {
    if (control->GetName().empty()) continue;
    ++named;
    const std::size_t indent = indentOf(control);
    ASSERT_NE(indent, std::string::npos) << "not listed: " << os::Utf16ToUtf8(control->GetName());
    Kesto::CControlUI* parent = control->GetParent();
    while (parent != nullptr && parent->GetName().empty()) parent = parent->GetParent();
    if (parent != nullptr) {
      EXPECT_GT(indent, indentOf(parent)) << os::Utf16ToUtf8(control->GetName());
    }
  }
  EXPECT_GT(named, 30);
}

TEST_F(GalleryTest, NotificationLineNamesTypeSenderAndParameters) {
  Kesto::CControlUI named;
  named.SetName(u"slider");
  Kesto::NotifyMsg msg;
  msg.type = u"valuechanged";
  msg.sender = &named;
  msg.wParam = 7;
  msg.lParam = -1;
  EXPECT_EQ(NotificationLine(msg), "valuechanged slider 7 -1");
  Kesto::CControlUI unnamed;
  msg.sender = &unnamed;
  msg.type = u"windowinit";
  msg.wParam = 0;
  msg.lParam = 0;
  EXPECT_EQ(NotificationLine(msg), "windowinit - 0 0");
  msg.sender = nullptr;
  EXPECT_EQ(NotificationLine(msg), "windowinit - 0 0");
}

}  // namespace
