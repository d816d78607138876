#include "cli/batch_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "core/calibration.h"
#include "data/curves.h"

namespace kal::cli {
namespace {

const LoadedCurve& Curve() {
  static const LoadedCurve curve = DefaultCurve();
  return curve;
}

ByteSource SourceOf(const std::string& text) {
  auto at = std::make_shared<std::size_t>(0);
  return [text, at](char* buffer, std::size_t capacity) -> std::ptrdiff_t {
    const std::size_t n = std::min(capacity, text.size() - *at);
    std::memcpy(buffer, text.data() + *at, n);
    *at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
}

struct ListRun {
  BatchOutcome outcome;
  std::string output;
};

ListRun RunList(const std::string& input, BatchOptions options = {},
                std::size_t budget = std::size_t{64} << 20) {
  ListRun run;
  const auto method = WindowMethod(Curve().table, budget);
  const ByteSink sink = [&run](std::string_view bytes) {
    run.output += bytes;
    return true;
  };
  run.outcome = RunBatchList(SourceOf(input), sink, *method, options);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The output row a single calculation gives, as the batch writes it.
std::string SingleCalculation(int32_t age, int32_t error) {
  CalibrationState state;
  state.CalCurve = &Curve().table;
  state.SampleAge = age;
  state.Sigma = error + 5;
  const CalibrationResult result = Calibrate(state);
  return std::to_string(age) + "," + std::to_string(error) + "," +
         std::to_string(state.RangeFirst) + "," + std::to_string(state.RangeLast) + "," +
         std::to_string(result.lower) + "," + std::to_string(result.upper) + "," + result.text +
         ",";
}

// A list of the kind laboratories keep: mostly small errors, some large.
std::string RandomList(int rows, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> ages(100, 44000);  // all within the curve
  std::uniform_int_distribution<int32_t> small(10, 120);
  std::uniform_int_distribution<int32_t> large(121, 2000);
  std::string list = "age,error\n";
  for (int i = 0; i < rows; ++i) {
    const int32_t error = random() % 10 == 0 ? large(random) : small(random);
    list += std::to_string(ages(random)) + "," + std::to_string(error) + "\n";
  }
  return list;
}

TEST(FindColumns, ByTheUsualNamesOrTheGivenOnes) {
  const struct {
    const char* header;
    std::optional<std::string> age, error, id;
    std::size_t age_at, error_at;
    std::optional<std::size_t> id_at;
    const char* problem;  // a part of the message, or nullptr
  } cases[] = {
      {"id,age,error", {}, {}, {}, 1, 2, 0, nullptr},
      {"LabNr;CRA;Sigma", {}, {}, {}, 1, 2, 0, nullptr},
      {"Sample\t14C Age\tSD\tnotes", {}, {}, {}, 1, 2, 0, nullptr},
      {"c14_age,lab_id,c14_sd", {}, {}, {}, 0, 2, 1, nullptr},
      {"bp,err", {}, {}, {}, 0, 1, std::nullopt, nullptr},
      {"name,age,foo", {}, {}, {}, 0, 0, {}, "no error column"},
      {"x,error", {}, {}, {}, 0, 0, {}, "no age column"},
      {"x,y,z", "Y", "x", "z", 1, 0, 2, nullptr},
      {"age,error", "wiek", {}, {}, 0, 0, {}, "no column named \"wiek\""},
      {"age,error", {}, {}, "code", 0, 0, {}, "no column named \"code\""},
  };
  for (const auto& c : cases) {
    std::string text = c.header;
    std::size_t at = 0;
    CsvReader reader([&](char* buffer, std::size_t capacity) -> std::ptrdiff_t {
      const std::size_t n = std::min(capacity, text.size() - at);
      std::memcpy(buffer, text.data() + at, n);
      at += n;
      return static_cast<std::ptrdiff_t>(n);
    });
    CsvRecord header;
    ASSERT_TRUE(reader.Next(header));
    BatchOptions options;
    options.age_column = c.age;
    options.error_column = c.error;
    options.id_column = c.id;
    const auto columns = FindColumns(header, options);
    if (c.problem != nullptr) {
      ASSERT_FALSE(columns) << c.header;
      EXPECT_NE(columns.error().find(c.problem), std::string::npos) << columns.error();
      continue;
    }
    ASSERT_TRUE(columns) << c.header << ": " << columns.error();
    EXPECT_EQ(columns->age, c.age_at) << c.header;
    EXPECT_EQ(columns->error, c.error_at) << c.header;
    EXPECT_EQ(columns->id, c.id_at) << c.header;
  }
}

TEST(RunBatchList, EachBadRowGetsItsOwnMessage) {
  const ListRun run = RunList(
      "LabNr;Age;Error\n"
      "A-1;2500;50\n"
      "A-2;abc;50\n"
      "A-3;2500;5x\n"
      "A-4;0;50\n"
      "A-5;-20;50\n"
      "A-6;2500;-5\n"
      "A-7;2500;10001\n"
      "A-8;2147483647;50\n"
      "A-9;60000;10\n"
      "A-10;10;10\n"
      "A-11;2500\n"
      "\"A;12\";\" 0x9C4\";$32\n");
  EXPECT_EQ(run.outcome.status, kExitFailed);
  EXPECT_EQ(run.outcome.rows, 12u);
  EXPECT_EQ(run.outcome.failed_rows, 10u);
  const std::vector<std::string> lines = Lines(run.output);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "id,age,error,range_first,range_last,lower,upper,text,error_message");
  EXPECT_EQ(lines[1], "A-1," + SingleCalculation(2500, 50));
  // Messages that quote the row's text are quoted themselves.
  EXPECT_EQ(lines[2], "A-2,abc,50,,,,,,\"the age \"\"abc\"\" is not an integer\"");
  EXPECT_EQ(lines[3], "A-3,2500,5x,,,,,,\"the error \"\"5x\"\" is not an integer\"");
  EXPECT_EQ(lines[4], "A-4,0,50,,,,,,the age must be above 0");
  EXPECT_EQ(lines[5], "A-5,-20,50,,,,,,the age must be above 0");
  EXPECT_EQ(lines[6], "A-6,2500,-5,,,,,,the error must be above -5");
  EXPECT_EQ(lines[7], "A-7,2500,10001,,,,,,errors above 10000 years are not supported");
  EXPECT_NE(lines[8].find("the age is too large for the error"), std::string::npos);
  EXPECT_NE(lines[9].find("60000,10,,,,,,the age is older than the curve reaches"),
            std::string::npos);
  EXPECT_NE(lines[10].find("10,10,,,,,,the age is younger than the curve reaches"),
            std::string::npos);
  EXPECT_EQ(lines[11], "A-11,2500,,,,,,,the row has no error field");
  // Quoted id with the delimiter, hexadecimal and blanks read as the window reads them.
  EXPECT_EQ(lines[12], "A;12," + SingleCalculation(2500, 50));
}

TEST(RunBatchList, RowsTheReaderCouldNotTakeWhole) {
  const std::string huge(CsvReader::kMaxRecordBytes, '7');
  const ListRun run = RunList("age,error\n" + huge + ",50\n2500,50\n\"2500,50\n");
  const std::vector<std::string> lines = Lines(run.output);
  ASSERT_EQ(lines.size(), 5u);  // the open quote takes the line end into its field
  EXPECT_NE(lines[1].find("the row is longer than 1048576 bytes"), std::string::npos);
  EXPECT_EQ(lines[2], SingleCalculation(2500, 50));
  EXPECT_EQ(lines[3], "\"2500,50");
  EXPECT_NE(lines[4].find("the row ends inside a quoted field"), std::string::npos);
  EXPECT_EQ(run.outcome.failed_rows, 2u);
}

TEST(RunBatchList, JsonLines) {
  BatchOptions options;
  options.format = BatchFormat::kJsonLines;
  const ListRun run = RunList("sample,bp,sd\nS\"1,2500,50\nS2,x,50\n", options);
  const std::vector<std::string> lines = Lines(run.output);
  ASSERT_EQ(lines.size(), 2u);
  CalibrationState state;
  state.CalCurve = &Curve().table;
  state.SampleAge = 2500;
  state.Sigma = 55;
  const CalibrationResult result = Calibrate(state);
  EXPECT_EQ(lines[0], "{\"id\":\"S\\\"1\",\"age\":2500,\"error\":50,\"range_first\":" +
                          std::to_string(state.RangeFirst) +
                          ",\"range_last\":" + std::to_string(state.RangeLast) +
                          ",\"lower\":" + std::to_string(result.lower) +
                          ",\"upper\":" + std::to_string(result.upper) + ",\"text\":\"" +
                          result.text + "\",\"error_message\":\"\"}");
  EXPECT_EQ(lines[1],
            "{\"id\":\"S2\",\"age\":\"x\",\"error\":50,\"range_first\":null,\"range_last\":null,"
            "\"lower\":null,\"upper\":null,\"text\":null,"
            "\"error_message\":\"the age \\\"x\\\" is not an integer\"}");
}

TEST(RunBatchList, CsvOutputQuotesWhatNeedsIt) {
  const ListRun run = RunList("id,age,error\n\"a \"\"b\"\", c\",2500,50\n\"x\ny\",1,\n");
  const std::vector<std::string> lines = Lines(run.output);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "\"a \"\"b\"\", c\"," + SingleCalculation(2500, 50));
  EXPECT_EQ(lines[2], "\"x");
  EXPECT_EQ(lines[3], "y\",1,,,,,,,\"the error \"\"\"\" is not an integer\"");
}

// Every row equals a single calculation, whatever the number of workers and
// however few weight tables the calculator may keep.
TEST(RunBatchList, RowsEqualSingleCalculationsInInputOrder) {
  const std::string list = RandomList(9000, 7);  // more than two blocks
  const ListRun one = RunList(list);
  ASSERT_EQ(one.outcome.status, kExitOk) << one.outcome.message;
  const std::vector<std::string> in = Lines(list);
  const std::vector<std::string> out = Lines(one.output);
  ASSERT_EQ(out.size(), in.size());
  for (std::size_t i = 1; i < in.size(); i += 37) {
    const std::size_t comma = in[i].find(',');
    const int32_t age = std::stoi(in[i].substr(0, comma));
    const int32_t error = std::stoi(in[i].substr(comma + 1));
    ASSERT_EQ(out[i], SingleCalculation(age, error)) << "row " << i;
  }
  for (int jobs : {2, 3}) {
    BatchOptions options;
    options.jobs = jobs;
    const ListRun many = RunList(list, options);
    EXPECT_EQ(many.outcome.status, kExitOk);
    EXPECT_EQ(many.outcome.rows, 9000u);
    EXPECT_TRUE(many.output == one.output) << "jobs " << jobs;
  }
  const ListRun evicting = RunList(list, {}, 1);  // one table at a time
  EXPECT_TRUE(evicting.output == one.output);
}

TEST(RunBatchList, StatusOfWholeLists) {
  EXPECT_EQ(RunList("").outcome.status, kExitUsage);
  EXPECT_EQ(RunList("\n\n").outcome.status, kExitUsage);
  const ListRun no_age = RunList("id,error\n1,50\n");
  EXPECT_EQ(no_age.outcome.status, kExitUsage);
  EXPECT_EQ(no_age.output, "");
  const ListRun header_only = RunList("age,error\n");
  EXPECT_EQ(header_only.outcome.status, kExitOk);
  EXPECT_EQ(header_only.output,
            "age,error,range_first,range_last,lower,upper,text,error_message\n");
  EXPECT_EQ(RunList("age,error\r\n2500,50\r\n").outcome.status, kExitOk);
}

TEST(RunBatchList, FailedReadsAndWritesAreReported) {
  for (int jobs : {1, 2}) {
    BatchOptions options;
    options.jobs = jobs;
    const auto method = WindowMethod(Curve().table);
    const std::string list = RandomList(20000, 3);

    std::size_t at = 0;
    const ByteSource failing_source = [&](char* buffer, std::size_t capacity) -> std::ptrdiff_t {
      if (at > list.size() / 2) return -1;
      const std::size_t n = std::min(capacity, list.size() - at);
      std::memcpy(buffer, list.data() + at, n);
      at += n;
      return static_cast<std::ptrdiff_t>(n);
    };
    const ByteSink ignoring = [](std::string_view) { return true; };
    const BatchOutcome read = RunBatchList(failing_source, ignoring, *method, options);
    EXPECT_EQ(read.status, kExitUsage);
    EXPECT_NE(read.message.find("reading the input failed"), std::string::npos);

    int writes = 0;
    const ByteSink failing_sink = [&](std::string_view) { return ++writes < 3; };
    const BatchOutcome write = RunBatchList(SourceOf(list), failing_sink, *method, options);
    EXPECT_EQ(write.status, kExitFailed);
    EXPECT_EQ(write.message, "writing the output failed");
  }
}

}  // namespace
}  // namespace kal::cli
