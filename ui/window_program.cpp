#include "ui/window_program.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <iostream>

#include "ui/error_display.h"
#include "ui/form1.h"
#include "ui/startup_probe.h"

namespace kal::ui {

Result<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args) {
  WindowOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--curve") {
      if (i + 1 == args.size()) return Error{"--curve needs a curve name or a file path"};
      options.curve = args[++i];
    } else if (arg.starts_with("--curve=")) {
      options.curve = arg.substr(8);
    } else {
      return Error{"unknown argument \"" + arg + "\"; see kalibracja --help"};
    }
  }
  if (options.curve.empty()) return Error{"--curve needs a curve name or a file path"};
  return options;
}

std::string WindowHelp() {
  return "Usage: kalibracja [--curve intcal20|shcal20|marine20|PATH] [--help]\n"
         "Opens the calibration window: a radiocarbon age and its error give the calendar\n"
         "distribution and its 95% range, while the age sweeps by itself.\n\n" +
         CurveHelp();
}

std::optional<LoadedCurve> OpenCurveOrReport(const std::string& key_or_path) {
  Result<LoadedCurve> curve = ResolveCurve(key_or_path);
  if (curve.ok()) return std::move(curve).value();
  std::cerr << "kalibracja: " << curve.error() << "\n";
  ShowErrorBox(QString::fromStdString(curve.error()));
  return std::nullopt;
}

int RunWindowProgram(int argc, char** argv) {
  // Help and argument errors need no display, so they come before Qt starts.
  const std::vector<std::string> raw(argv + 1, argv + argc);
  for (const std::string& arg : raw) {
    if (arg == "--help" || arg == "-h") {
      std::cout << WindowHelp();
      return kExitOk;
    }
  }
  QApplication application(argc, argv);
  std::vector<std::string> args;
  const QStringList arguments = QApplication::arguments();  // Qt's own options removed
  for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(arguments[i].toStdString());
  const Result<WindowOptions> options = ParseWindowOptions(args);
  if (!options.ok()) {
    std::cerr << "kalibracja: " << options.error() << "\n";
    return kExitUsage;
  }
  std::optional<LoadedCurve> curve = OpenCurveOrReport(options->curve);
  if (!curve) return kExitUsage;
  TForm1 form(std::move(*curve));
  WatchFirstPlotPaint(form.Image1);  // tools/measure-startup
  // tools/measure-sweep: count the sweep's ticks and pictures for a few
  // seconds, then close and write the counts.
  if (std::optional<SweepStats> stats = SweepStats::FromEnvironment()) {
    QTimer::singleShot(stats->Seconds() * 1000, &form, [&form] { form.close(); });
    form.MeasureSweep(std::move(*stats));
  }
  form.show();
  QApplication::exec();
  if (const auto& stats = form.SweepMeasurement()) {
    stats->Write(form.Pictures().PlotDrawings(), form.Pictures().RulerDrawings());
  }
  return kExitOk;
}

}  // namespace kal::ui
