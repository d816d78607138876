// Date lists as people exchange them: CSV with a header line, fields separated
// by commas, semicolons or tabs (whichever the header line uses most), quoted
// the RFC 4180 way (quoted delimiters and line breaks, "" for a quote), UTF-8
// with or without a byte order mark, lines ending in CR LF or LF.
//
// The reader holds one chunk of input and one record at a time, so its memory
// stays the same however long the list is; a record beyond kMaxRecordBytes is
// read to its end but kept only in part and marked, instead of growing without
// bound on a runaway quote.
#ifndef KAL_CLI_BATCH_CSV_H_
#define KAL_CLI_BATCH_CSV_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kal::cli {

// Fills `buffer` with up to `capacity` bytes: the count read, 0 at the end of
// the input, or -1 when reading failed (the source keeps its own message).
using ByteSource = std::function<std::ptrdiff_t(char* buffer, std::size_t capacity)>;

// One record: its fields, valid until the reader reads the next one.
class CsvRecord {
 public:
  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }
  // The record passed kMaxRecordBytes: its later fields are cut or missing.
  bool too_long() const { return too_long_; }
  // The input ended inside a quoted field.
  bool unterminated() const { return unterminated_; }

 private:
  friend class CsvReader;
  std::string text_;                 // the fields' texts, one after another
  std::vector<std::uint32_t> ends_;  // where each field ends in text_
  bool too_long_ = false;
  bool unterminated_ = false;
};

class CsvReader {
 public:
  static constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
  static constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

  explicit CsvReader(ByteSource source);

  // Reads the next record, skipping blank lines; false at the end of the
  // input or when reading failed (then failed() is true). The first record
  // is the header.
  bool Next(CsvRecord& record);

  bool failed() const { return failed_; }
  // The delimiter found in the header line; known after the first Next().
  char delimiter() const { return delimiter_; }

 private:
  bool Fill();  // more input after the bytes not yet taken; false at the end
  void DetectDelimiter();

  ByteSource source_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // first byte not yet taken
  std::size_t end_ = 0;    // end of the bytes read
  bool at_end_ = false;
  bool failed_ = false;
  bool started_ = false;  // byte order mark and delimiter handled
  bool skip_lf_ = false;  // a CR ended the last record; an LF right after it belongs to it
  char delimiter_ = ',';
};

// Compares two header names as the batch does: ASCII letters without regard
// to case, blanks around the name ignored.
bool SameColumnName(std::string_view header_field, std::string_view name);

}  // namespace kal::cli

#endif  // KAL_CLI_BATCH_CSV_H_
