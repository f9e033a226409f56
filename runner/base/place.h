// Where something stands in a file, and the one way every message of the
// runner names it: "file:line:col", lines and columns counted from 1, columns
// in characters of the file as written (an entity such as &gt; counts as its
// four characters; in a UTF-8 file a character of several bytes counts one).
#ifndef VELLOMAR_RUNNER_BASE_PLACE_H_
#define VELLOMAR_RUNNER_BASE_PLACE_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace runner {

struct Place {
  std::string file;
  int line = 1;
  int column = 1;
};

// "file:line:col".
std::string FormatPlace(const Place& place);

// The lines of one text, for the line and column of any offset in it: LF,
// CRLF and CR each end a line (the CR of a CRLF is an ordinary byte of its
// line). The only line counter of the runner: gauge files, scripts and
// templates all place what they report with it.
class LineTable {
 public:
  // text[0] stands at `line`:`column`; the lines after it start at column 1.
  // `utf8`: the text is UTF-8 and a column counts its characters; otherwise
  // each byte is a character (script text, ANSI bytes).
  explicit LineTable(std::string_view text, int line = 1, int column = 1, bool utf8 = false);
  // The place of text[offset] in `file`; an offset past the end is the end,
  // a negative one the first place.
  Place At(const std::string& file, std::ptrdiff_t offset) const;

 private:
  std::vector<size_t> starts_;         // offsets at which lines begin
  std::vector<size_t> continuations_;  // utf8: offsets of continuation bytes
  size_t size_;
  int line_;
  int column_;
};

// Where each byte of a text taken from a gauge file stood in the file: the
// XML reader decodes entities (&gt; is one byte of the text, four characters
// of the file), CDATA and line ends, and macros bring in text written
// elsewhere. Byte i of the text stands at offset(i) of the file's (UTF-8)
// text, and came from macro use origin(i) (0: written where it is used).
class SourceMap {
 public:
  // A macro use: `macro` used at `offset` of the file, itself inside use
  // `outer` (0: in the text of the site).
  struct Use {
    std::string macro;
    size_t offset = 0;
    int outer = 0;
  };

  SourceMap() = default;
  SourceMap(std::string file, std::shared_ptr<const LineTable> lines)
      : file_(std::move(file)), lines_(std::move(lines)) {}

  // Appends the next byte of the text: it stood at `offset`, from use `origin`.
  void Add(size_t offset, int origin);
  // Appends bytes [begin, end) of `other` (a map in the same use numbering);
  // their origin 0 becomes `origin`.
  void Append(const SourceMap& other, size_t begin, size_t end, int origin);
  // Numbers a new macro use (from 1).
  int AddUse(std::string macro, size_t offset, int outer);
  // The file offset and use of byte `at` (the last byte's for one past the end).
  size_t Offset(size_t at) const;
  int Origin(size_t at) const;
  size_t size() const { return size_; }
  size_t spans() const { return spans_.size(); }
  bool empty() const { return size_ == 0; }
  const std::vector<Use>& uses() const { return uses_; }
  void set_uses(std::vector<Use> uses) { uses_ = std::move(uses); }
  std::vector<Use>* mutable_uses() { return &uses_; }
  const std::string& file() const { return file_; }
  void set_file(std::string file, std::shared_ptr<const LineTable> lines) {
    file_ = std::move(file);
    lines_ = std::move(lines);
  }

  // The place of text[at] in the file; `*origin` its macro use.
  Place At(size_t at, int* origin) const;
  // For a message about text from macro use `origin`: " (in macro 'B' used at
  // 3:10, in macro 'A' used at 11:7)", the innermost first; empty for 0.
  std::string Note(int origin) const;

 private:
  struct Span {
    size_t begin;   // first byte of the text it covers
    size_t offset;  // where that byte stood; the next ones follow one a byte
    int origin;
  };
  const Span& SpanOf(size_t at) const;

  std::string file_;
  std::shared_ptr<const LineTable> lines_;
  std::vector<Span> spans_;
  std::vector<Use> uses_;
  size_t size_ = 0;
};

}  // namespace runner

#endif  // VELLOMAR_RUNNER_BASE_PLACE_H_
