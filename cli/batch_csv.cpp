#include "cli/batch_csv.h"

#include <cstring>
#include <utility>

namespace kal::cli {

CsvReader::CsvReader(ByteSource source) : source_(std::move(source)), buffer_(kChunkBytes) {}

bool CsvReader::Fill() {
  if (at_end_) return false;
  if (begin_ == end_) {
    begin_ = end_ = 0;
  } else if (end_ == buffer_.size() && begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // only the header line grows it
  const std::ptrdiff_t n = source_(buffer_.data() + end_, buffer_.size() - end_);
  if (n <= 0) {
    failed_ = n < 0;
    at_end_ = true;
    return false;
  }
  end_ += static_cast<std::size_t>(n);
  return true;
}

// The header line decides: the candidate it holds most often, outside quotes.
// A tie goes to the comma, then the semicolon.
void CsvReader::DetectDelimiter() {
  const char candidates[3] = {',', ';', '\t'};
  int counts[3] = {0, 0, 0};
  bool quoted = false;
  bool content = false;  // blank lines before the header are skipped
  bool line_ended = false;
  std::size_t at = 0;  // bytes scanned, from begin_
  while (!line_ended) {
    for (; begin_ + at < end_ && !line_ended; ++at) {
      const char c = buffer_[begin_ + at];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == '\n' || c == '\r')) {
        line_ended = content;
        continue;
      } else if (!quoted) {
        for (int k = 0; k < 3; ++k) counts[k] += c == candidates[k];
      }
      content = true;
    }
    if (line_ended || at >= kMaxRecordBytes || !Fill()) break;
  }
  int best = 0;
  for (int k = 1; k < 3; ++k) {
    if (counts[k] > counts[best]) best = k;
  }
  delimiter_ = candidates[best];
}

bool CsvReader::Next(CsvRecord& record) {
  record.text_.clear();
  record.ends_.clear();
  record.too_long_ = false;
  record.unterminated_ = false;
  if (!started_) {
    started_ = true;
    while (end_ - begin_ < 3 && Fill()) {
    }
    if (end_ - begin_ >= 3 && std::memcmp(buffer_.data() + begin_, "\xEF\xBB\xBF", 3) == 0) {
      begin_ += 3;
    }
    DetectDelimiter();
  }

  enum class State { kFieldStart, kUnquoted, kQuoted, kQuoteSeen };
  State state = State::kFieldStart;
  std::string& text = record.text_;
  std::vector<std::uint32_t>& ends = record.ends_;
  const char delimiter = delimiter_;
  // Each character and each field end spends one unit of the record's budget.
  auto append = [&](char c) {
    if (text.size() + ends.size() < kMaxRecordBytes) {
      text += c;
    } else {
      record.too_long_ = true;
    }
  };
  auto end_field = [&] {
    if (text.size() + ends.size() < kMaxRecordBytes) {
      ends.push_back(static_cast<std::uint32_t>(text.size()));
    } else {
      record.too_long_ = true;
    }
  };

  for (;;) {
    if (begin_ == end_ && !Fill()) break;
    const char* data = buffer_.data();
    while (begin_ < end_) {
      const char c = data[begin_++];
      if (skip_lf_) {
        skip_lf_ = false;
        if (c == '\n') continue;
      }
      switch (state) {
        case State::kFieldStart:
        case State::kUnquoted:
        case State::kQuoteSeen:
          if (c == delimiter) {
            end_field();
            state = State::kFieldStart;
          } else if (c == '\n' || c == '\r') {
            skip_lf_ = c == '\r';
            if (state == State::kFieldStart && ends.empty()) continue;  // a blank line
            end_field();
            return true;
          } else if (c == '"' && state == State::kFieldStart) {
            state = State::kQuoted;
          } else if (c == '"' && state == State::kQuoteSeen) {
            append('"');  // a doubled quote inside a quoted field
            state = State::kQuoted;
          } else {
            // Text after a closing quote, or a quote inside an unquoted
            // field, is kept as it stands rather than refused.
            append(c);
            state = State::kUnquoted;
          }
          break;
        case State::kQuoted:
          if (c == '"') {
            state = State::kQuoteSeen;
          } else {
            append(c);
          }
          break;
      }
    }
  }
  if (failed_) return false;
  if (state == State::kFieldStart && ends.empty()) return false;  // nothing after the last line
  record.unterminated_ = state == State::kQuoted;
  end_field();
  return true;
}

bool SameColumnName(std::string_view header_field, std::string_view name) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!header_field.empty() && blank(header_field.front())) header_field.remove_prefix(1);
  while (!header_field.empty() && blank(header_field.back())) header_field.remove_suffix(1);
  if (header_field.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(header_field[i]) != lower(name[i])) return false;
  }
  return true;
}

}  // namespace kal::cli
