// The batch on a realistic date list held in memory: the whole engine (read,
// calibrate, write) with one and with two workers, and its parts alone — the
// CSV reader, and the calculations without reading or writing. Items are
// dates, so the rate reads as dates per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cli/batch_csv.h"
#include "cli/batch_engine.h"
#include "cli/batch_method.h"
#include "data/curves.h"

namespace {

constexpr int kRows = 50000;

const kal::LoadedCurve& Curve() {
  static const kal::LoadedCurve curve = kal::DefaultCurve();
  return curve;
}

struct Date {
  int32_t age;
  int32_t error;
};

// Ages 100 to 45,000 years BP; errors mostly 20 to 100, some to 400, a few
// to 2,000, the larger ones rounded to 5 and 10 years as laboratories report
// them: the mix of a regional database. The seed is fixed.
const std::vector<Date>& Dates() {
  static const std::vector<Date> dates = [] {
    std::mt19937 random(20240615);
    std::uniform_int_distribution<int32_t> ages(100, 45000);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    std::uniform_int_distribution<int32_t> small(20, 100), medium(101, 400), large(401, 2000);
    std::vector<Date> list;
    for (int i = 0; i < kRows; ++i) {
      const double r = share(random);
      int32_t error = r < 0.85 ? small(random) : r < 0.97 ? medium(random) : large(random);
      if (error > 100) error -= error % (error > 400 ? 10 : 5);
      list.push_back(Date{ages(random), error});
    }
    return list;
  }();
  return dates;
}

const std::string& ListText() {
  static const std::string text = [] {
    std::string list = "LabNr,Age,Error,Material\n";
    int i = 0;
    for (const Date& date : Dates()) {
      list += "LAB-" + std::to_string(++i) + "," + std::to_string(date.age) + "," +
              std::to_string(date.error) + ",charcoal\n";
    }
    return list;
  }();
  return text;
}

kal::cli::ByteSource SourceOf(const std::string& text) {
  auto at = std::make_shared<std::size_t>(0);
  return [&text, at](char* buffer, std::size_t capacity) -> std::ptrdiff_t {
    const std::size_t n = std::min(capacity, text.size() - *at);
    std::memcpy(buffer, text.data() + *at, n);
    *at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
}

void BM_BatchList(benchmark::State& bench) {
  const auto method = kal::cli::WindowMethod(Curve().table);
  kal::cli::BatchOptions options;
  options.jobs = static_cast<int>(bench.range(0));
  std::size_t bytes = 0;
  const kal::cli::ByteSink sink = [&bytes](std::string_view out) {
    bytes += out.size();
    return true;
  };
  for (auto _ : bench) {
    const auto outcome = kal::cli::RunBatchList(SourceOf(ListText()), sink, *method, options);
    benchmark::DoNotOptimize(outcome.rows);
  }
  bench.SetItemsProcessed(bench.iterations() * kRows);
}
BENCHMARK(BM_BatchList)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_BatchCsvReader(benchmark::State& bench) {
  for (auto _ : bench) {
    kal::cli::CsvReader reader(SourceOf(ListText()));
    kal::cli::CsvRecord record;
    std::size_t fields = 0;
    while (reader.Next(record)) fields += record.size();
    benchmark::DoNotOptimize(fields);
  }
  bench.SetItemsProcessed(bench.iterations() * kRows);
}
BENCHMARK(BM_BatchCsvReader)->Unit(benchmark::kMillisecond);

// The calculations alone, tables kept as the batch keeps them.
void BM_BatchCalculations(benchmark::State& bench) {
  const auto method = kal::cli::WindowMethod(Curve().table);
  const auto calculator = method->NewCalculator();
  std::vector<kal::cli::BatchValue> values(method->ResultColumns().size());
  std::string problem;
  for (auto _ : bench) {
    for (const Date& date : Dates()) {
      benchmark::DoNotOptimize(calculator->Calculate(date.age, date.error, values, &problem));
    }
  }
  bench.SetItemsProcessed(bench.iterations() * kRows);
}
BENCHMARK(BM_BatchCalculations)->Unit(benchmark::kMillisecond);

}  // namespace
