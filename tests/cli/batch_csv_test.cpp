#include "cli/batch_csv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace kal::cli {
namespace {

using Records = std::vector<std::vector<std::string>>;

// A source that hands out `text` at most `step` bytes at a time, so records
// and line ends fall across chunk boundaries.
ByteSource SourceOf(const std::string& text, std::size_t step) {
  auto at = std::make_shared<std::size_t>(0);
  return [text, step, at](char* buffer, std::size_t capacity) -> std::ptrdiff_t {
    const std::size_t n = std::min({step, capacity, text.size() - *at});
    std::memcpy(buffer, text.data() + *at, n);
    *at += n;
    return static_cast<std::ptrdiff_t>(n);
  };
}

Records ReadAll(CsvReader& reader) {
  Records records;
  CsvRecord record;
  while (reader.Next(record)) {
    records.emplace_back();
    for (std::size_t i = 0; i < record.size(); ++i) records.back().emplace_back(record[i]);
  }
  return records;
}

TEST(CsvReader, ReadsListsAsPeopleExchangeThem) {
  const struct {
    const char* what;
    std::string text;
    char delimiter;
    Records records;
  } cases[] = {
      {"commas, LF", "age,error\n2500,50\n", ',', {{"age", "error"}, {"2500", "50"}}},
      {"semicolons, CR LF", "age;error\r\n2500;50\r\n", ';', {{"age", "error"}, {"2500", "50"}}},
      {"tabs, no final line end", "age\terror\n1\t2", '\t', {{"age", "error"}, {"1", "2"}}},
      {"byte order mark",
       "\xEF\xBB\xBF"
       "age,error\n1,2\n",
       ',',
       {{"age", "error"}, {"1", "2"}}},
      {"lone CR line ends", "age,error\r1,2\r", ',', {{"age", "error"}, {"1", "2"}}},
      {"blank lines skipped",
       "\n\r\nage,error\n\n1,2\r\n\r\n3,4\n\n",
       ',',
       {{"age", "error"}, {"1", "2"}, {"3", "4"}}},
      {"empty fields", "a,b,c\n,,\n", ',', {{"a", "b", "c"}, {"", "", ""}}},
      {"quoted delimiter, doubled quote, line breaks",
       "id,age\n\"a,b\",1\n\"say \"\"hi\"\"\",2\n\"two\r\nlines\",3\n\"\",4\n",
       ',',
       {{"id", "age"}, {"a,b", "1"}, {"say \"hi\"", "2"}, {"two\r\nlines", "3"}, {"", "4"}}},
      {"the header's delimiter wins over one inside quotes",
       "\"a,b,c\";age;error\n\"x,y\";1;2\n",
       ';',
       {{"a,b,c", "age", "error"}, {"x,y", "1", "2"}}},
      {"a tie goes to the comma", "a;b,c\n1;2,3\n", ',', {{"a;b", "c"}, {"1;2", "3"}}},
      {"stray quotes kept as they stand",
       "a,b\nx\"y,\"ab\"c\n",
       ',',
       {{"a", "b"}, {"x\"y", "abc"}}},
      {"UTF-8 passes through",
       "nazwa,wiek\n\xC5\x81\xC3\xB3"
       "d\xC5\xBA,1\n",
       ',',
       {{"nazwa", "wiek"},
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         "1"}}},
  };
  for (const auto& c : cases) {
    for (std::size_t step :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1} << 16}) {
      CsvReader reader(SourceOf(c.text, step));
      EXPECT_EQ(ReadAll(reader), c.records) << c.what << ", step " << step;
      EXPECT_EQ(reader.delimiter(), c.delimiter) << c.what;
      EXPECT_FALSE(reader.failed()) << c.what;
    }
  }
}

TEST(CsvReader, MarksAQuoteLeftOpenAtTheEnd) {
  CsvReader reader(SourceOf("a,b\n\"open,1\n2\n", 5));
  CsvRecord record;
  ASSERT_TRUE(reader.Next(record));
  EXPECT_FALSE(record.unterminated());
  ASSERT_TRUE(reader.Next(record));
  EXPECT_TRUE(record.unterminated());
  ASSERT_EQ(record.size(), 1u);
  EXPECT_EQ(record[0], "open,1\n2\n");
  EXPECT_FALSE(reader.Next(record));
}

TEST(CsvReader, KeepsOnlyPartOfAnOverlongRecordAndGoesOn) {
  const std::string huge(CsvReader::kMaxRecordBytes + 10, 'x');
  CsvReader reader(SourceOf("a,b\n" + huge + ",1\n2,3\n", 1 << 16));
  CsvRecord record;
  ASSERT_TRUE(reader.Next(record));
  ASSERT_TRUE(reader.Next(record));
  EXPECT_TRUE(record.too_long());
  EXPECT_LE(record[0].size(), CsvReader::kMaxRecordBytes);
  ASSERT_TRUE(reader.Next(record));
  EXPECT_FALSE(record.too_long());
  ASSERT_EQ(record.size(), 2u);
  EXPECT_EQ(record[0], "2");
  EXPECT_EQ(record[1], "3");
}

TEST(CsvReader, ReportsAFailedRead) {
  int calls = 0;
  CsvReader reader([&calls](char* buffer, std::size_t) -> std::ptrdiff_t {
    if (++calls > 1) return -1;
    std::memcpy(buffer, "age,error\n1,2\n3,", 16);
    return 16;
  });
  const Records records = ReadAll(reader);
  EXPECT_TRUE(reader.failed());
  EXPECT_EQ(records, (Records{{"age", "error"}, {"1", "2"}}));  // the cut row is not made up
}

TEST(CsvReader, EmptyInputHasNoRecord) {
  for (const char* text : {"", "\n\r\n", "\xEF\xBB\xBF"}) {
    CsvReader reader(SourceOf(text, 4));
    CsvRecord record;
    EXPECT_FALSE(reader.Next(record)) << text;
    EXPECT_FALSE(reader.failed());
  }
}

TEST(SameColumnName, IgnoresCaseAndBlanksAround) {
  EXPECT_TRUE(SameColumnName("age", "age"));
  EXPECT_TRUE(SameColumnName(" AGE\t", "age"));
  EXPECT_TRUE(SameColumnName("14C Age", "14c age"));
  EXPECT_FALSE(SameColumnName("ages", "age"));
  EXPECT_FALSE(SameColumnName("14c  age", "14c age"));
  EXPECT_FALSE(SameColumnName("", "age"));
}

}  // namespace
}  // namespace kal::cli
