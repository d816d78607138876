#include "ui/window_program.h"

#include <gtest/gtest.h>

#include "ui/form1.h"
#include "ui/message_boxes.h"

namespace kal::ui {
namespace {

TEST(WindowProgram, Options) {
  const struct {
    std::vector<std::string> args;
    const char* curve;  // nullptr: refused
    bool help;
  } cases[] = {
      {{}, "intcal20", false},
      {{"--curve", "shcal20"}, "shcal20", false},
      {{"--curve=/data/my.14c"}, "/data/my.14c", false},
      {{"--help"}, "intcal20", true},
      {{"-h", "--curve", "marine20"}, "marine20", true},
      {{"--curve"}, nullptr, false},
      {{"--curve="}, nullptr, false},
      {{"--frobnicate"}, nullptr, false},
      {{"2500"}, nullptr, false},
  };
  for (const auto& c : cases) {
    const auto options = ParseWindowOptions(c.args);
    const std::string label = c.args.empty() ? "(none)" : c.args.front();
    ASSERT_EQ(options.ok(), c.curve != nullptr) << label;
    if (!options.ok()) {
      EXPECT_FALSE(options.error().empty());
      continue;
    }
    EXPECT_EQ(options->curve, c.curve) << label;
    EXPECT_EQ(options->help, c.help) << label;
  }
}

TEST(WindowProgram, HelpListsTheCurvesWithTheirReferences) {
  const std::string help = WindowHelp();
  for (const EmbeddedCurve& curve : EmbeddedCurves()) {
    EXPECT_NE(help.find(curve.key), std::string::npos) << curve.key;
    EXPECT_NE(help.find(curve.reference), std::string::npos) << curve.key;
  }
}

TEST(WindowProgram, CurveChoice) {
  testing::MessageBoxes boxes;
  const auto shcal = OpenCurveOrReport("SHCal20");
  ASSERT_TRUE(shcal.has_value());
  EXPECT_EQ(WindowCaption(*shcal), QString::fromUtf8("Kalibracja 14C — SHCal20"));
  const auto marine = OpenCurveOrReport("marine20");
  ASSERT_TRUE(marine.has_value());
  EXPECT_EQ(WindowCaption(*marine), QString::fromUtf8("Kalibracja 14C — Marine20"));
  const auto intcal = OpenCurveOrReport("intcal20");
  ASSERT_TRUE(intcal.has_value());
  EXPECT_EQ(WindowCaption(*intcal), "Kalibracja 14C");
  EXPECT_TRUE(boxes.seen.empty());

  EXPECT_FALSE(OpenCurveOrReport("/no/such/curve.14c").has_value());
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(boxes.seen[0].text.contains("/no/such/curve.14c"))
      << boxes.seen[0].text.toStdString();
}

}  // namespace
}  // namespace kal::ui
