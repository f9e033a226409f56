// Reading the drawing properties of an element's XML, the same way for both
// schemas: OLD files write them as attributes (Width="54"), NEW files as
// child elements (<Width>54</Width>, <Axis>5,5</Axis>). Used by text.cc and
// shapes.cc only.
#ifndef VELLOMAR_RUNNER_DRAWING_XML_READ_H_
#define VELLOMAR_RUNNER_DRAWING_XML_READ_H_

#include <string>
#include <string_view>
#include <vector>

#include "runner/drawing/colour.h"
#include "runner/gauges/gauge_file.h"

namespace runner {

// Collects the problems of reading one node, each "FILE:L:C: <Tag> ...".
// Neither pointer is owned; both must outlive the reader.
class PropertyReader {
 public:
  PropertyReader(const XmlNode& node, std::vector<std::string>* problems)
      : node_(node), problems_(problems) {}

  // The attribute `name` (any case), else the text of the first child
  // element named `name` (any case); null when neither exists. Points into
  // the node.
  const std::string* Find(std::string_view name) const;
  // The first child element named `name` (any case), or null.
  const XmlNode* Child(std::string_view name) const;

  // Each Read* leaves *out untouched and returns false when the property is
  // absent; when it is present but unreadable it also notes a problem.
  bool ReadNumber(std::string_view name, double* out);
  bool ReadInteger(std::string_view name, int* out);
  bool ReadBool(std::string_view name, bool* out);  // Yes/No, True/False, 1/0
  bool ReadColour(std::string_view name, Rgb* out);
  // "x,y" text, or a child element with X= and Y= attributes (<Axis X="1" Y="2"/>).
  bool ReadPair(std::string_view name, double* x, double* y);
  // Text, trimmed; an empty text counts as absent (an FS2004 <FormattedText>
  // has <Font .../> children beside its Font= attribute).
  bool ReadText(std::string_view name, std::string* out);

  void Problem(const std::string& message);

 private:
  const XmlNode& node_;
  std::vector<std::string>* problems_;
};

// Whole text as a number (blanks around it allowed), '.' as the point.
bool ParseNumber(std::string_view text, double* number);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_DRAWING_XML_READ_H_
