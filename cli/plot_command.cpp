#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "core/calibration.h"
#include "data/curves.h"
#include "plot/distribution_pictures.h"

namespace kal::cli {

const std::string_view kPlotUsage =
    "kalibracja-cli plot AGE ERROR --png FILE [--curve CURVE]\n"
    "  Draws the window's picture of one calibration into a PNG file of 777 x 297\n"
    "  pixels: the distribution plot (one pixel column per calendar year, the bar as\n"
    "  high as the year's weight) over the year ruler, as the window shows them after\n"
    "  its calculation. AGE and ERROR are read as for calibrate. Needs no display.\n"
    "  --png FILE     the picture to write; exit status 1 when it cannot be written\n"
    "  --curve CURVE  intcal20 (default), shcal20, marine20 or the path of a .14c file\n";

int RunPlot(const std::vector<std::string>& raw) {
  const Arguments args(raw, {"--curve", "--png"}, {});
  if (!args.problem().empty()) return UsageError(args.problem());
  if (args.positionals().size() != 2) return UsageError("plot needs AGE and ERROR");
  const std::optional<std::string> png = args.Value("--png");
  if (!png || png->empty()) return UsageError("plot needs --png FILE");
  std::string problem;
  const auto inputs = ReadInputs(args.positionals()[0], args.positionals()[1], &problem);
  if (!inputs) return UsageError(problem);
  auto curve = ResolveCurve(args.Value("--curve").value_or("intcal20"));
  if (!curve) return UsageError(curve.error());

  // The pictures need fonts, hence an application; without a display given,
  // draw off screen.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "kalibracja-cli";
  static char* argv[] = {name, nullptr};
  const QGuiApplication application(argc, argv);

  CalibrationState state;
  state.CalCurve = &curve->table;
  state.SampleAge = inputs->age;
  state.Sigma = inputs->sigma;
  DistributionPictures pictures;
  Calibrate(state, &pictures);

  const QImage picture = ShownTogether(pictures.Plot(), pictures.Ruler());
  if (!picture.save(QString::fromStdString(*png), "PNG")) {
    std::cerr << "kalibracja-cli: cannot write the picture to " << *png << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace kal::cli
