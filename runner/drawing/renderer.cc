#include "runner/drawing/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "common/ascii_case.h"
#include "runner/base/text.h"

namespace runner {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Fold(std::string_view text) { return vellomar::FoldAscii(std::string(Trim(text))); }

bool ParseNumber(std::string_view text, double* value) {
  const std::string trimmed(Trim(text));
  if (trimmed.empty()) return false;
  char* end = nullptr;
  const double parsed = std::strtod(trimmed.c_str(), &end);
  if (end == trimmed.c_str() || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

// "x,y" (FSX) into two numbers.
bool ParsePair(std::string_view text, double* x, double* y) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  return ParseNumber(text.substr(0, comma), x) && ParseNumber(text.substr(comma + 1), y);
}

// A property as an attribute (FS9) or a child's text (FSX); null if absent.
const std::string* Property(const XmlNode& node, std::string_view name) {
  if (const std::string* attribute = node.Attribute(name)) return attribute;
  if (const XmlNode* child = node.Child(name)) return &child->text;
  return nullptr;
}

bool Truth(const std::string* text) {
  if (text == nullptr) return false;
  const std::string folded = Fold(*text);
  return folded == "yes" || folded == "true" || folded == "1";
}

// A point written as X= Y= attributes (FS9) or as "x,y" text (FSX); absent
// parts are 0.
bool ReadPoint(const XmlNode& node, double* x, double* y) {
  *x = 0;
  *y = 0;
  const std::string* ax = node.Attribute("X");
  const std::string* ay = node.Attribute("Y");
  if (ax != nullptr || ay != nullptr) {
    if (ax != nullptr) ParseNumber(*ax, x);
    if (ay != nullptr) ParseNumber(*ay, y);
    return true;
  }
  return ParsePair(node.text, x, y);
}

// The element's position: <Position X Y/> or <FloatPosition>x,y.
void ReadPosition(const XmlNode& node, double* x, double* y) {
  *x = 0;
  *y = 0;
  if (const XmlNode* position = node.Child("Position")) {
    ReadPoint(*position, x, y);
  } else if (const XmlNode* position_new = node.Child("FloatPosition")) {
    ReadPoint(*position_new, x, y);
  }
}

// North, East, South, West (any case) as an angle clockwise from east.
bool PointsToAngle(std::string_view text, double* angle) {
  const std::string folded = Fold(text);
  if (folded == "east") {
    *angle = 0;
  } else if (folded == "south") {
    *angle = kPi / 2;
  } else if (folded == "west") {
    *angle = kPi;
  } else if (folded == "north") {
    *angle = 3 * kPi / 2;
  } else {
    return false;  // typos such as "Weast" count as absent
  }
  return true;
}

// Reads <Nonlinearity><Item .../> (FS9) or <NonlinearityTable>
// <NonlinearityEntry> (FSX) entries, sorted by value.
GaugeRenderer::Table ReadTable(const XmlNode& node) {
  GaugeRenderer::Table table;
  bool degrees = false;
  bool radians = false;
  for (const XmlNode& item : node.children) {
    GaugeRenderer::Table::Entry entry;
    if (item.tag == "Item") {
      const std::string* value = item.Attribute("Value");
      if (value == nullptr || !ParseNumber(*value, &entry.value)) continue;
      if (const std::string* d = item.Attribute("Degrees")) {
        if (!ParseNumber(*d, &entry.angle)) continue;
        entry.angle *= kPi / 180;
        degrees = true;
      } else {
        ReadPoint(item, &entry.x, &entry.y);
      }
    } else if (item.tag == "NonlinearityEntry") {
      const XmlNode* value = item.Child("ExpressionResult");
      if (value == nullptr || !ParseNumber(value->text, &entry.value)) continue;
      if (const XmlNode* d = item.Child("Degrees")) {
        if (!ParseNumber(d->text, &entry.angle)) continue;
        entry.angle *= kPi / 180;
        degrees = true;
      } else if (const XmlNode* r = item.Child("Radians")) {
        if (!ParseNumber(r->text, &entry.angle)) continue;
        radians = true;
      } else if (const XmlNode* point = item.Child("FloatPosition")) {
        ReadPoint(*point, &entry.x, &entry.y);
      }
    } else {
      continue;
    }
    table.entries.push_back(entry);
  }
  std::stable_sort(table.entries.begin(), table.entries.end(),
                   [](const GaugeRenderer::Table::Entry& a, const GaugeRenderer::Table::Entry& b) {
                     return a.value < b.value;
                   });
  if (!table.entries.empty()) {
    table.kind = degrees   ? GaugeRenderer::Table::Kind::kDegrees
                 : radians ? GaugeRenderer::Table::Kind::kRadians
                           : GaugeRenderer::Table::Kind::kPoints;
  }
  return table;
}

const XmlNode* TableNode(const XmlNode& node) {
  if (const XmlNode* table = node.Child("Nonlinearity")) return table;
  return node.Child("NonlinearityTable");
}

// Linear interpolation in the table at `value`, clamped to its ends: the
// position between entries `*at` and `*at + 1` as `*fraction`.
void Locate(const GaugeRenderer::Table& table, double value, size_t* at, double* fraction) {
  const auto& entries = table.entries;
  *at = 0;
  *fraction = 0;
  if (entries.size() < 2 || value <= entries.front().value) return;
  if (value >= entries.back().value) {
    *at = entries.size() - 1;
    return;
  }
  size_t i = 0;
  while (i + 2 < entries.size() && value > entries[i + 1].value) ++i;
  const double span = entries[i + 1].value - entries[i].value;
  *at = i;
  *fraction = span > 0 ? (value - entries[i].value) / span : 0;
}

double AngleAt(const GaugeRenderer::Table& table, double value) {
  size_t at = 0;
  double fraction = 0;
  Locate(table, value, &at, &fraction);
  const auto& entries = table.entries;
  if (fraction == 0) return entries[at].angle;
  return entries[at].angle + (entries[at + 1].angle - entries[at].angle) * fraction;
}

void PointAt(const GaugeRenderer::Table& table, double value, double* x, double* y) {
  size_t at = 0;
  double fraction = 0;
  Locate(table, value, &at, &fraction);
  const auto& entries = table.entries;
  *x = entries[at].x;
  *y = entries[at].y;
  if (fraction == 0) return;
  *x += (entries[at + 1].x - entries[at].x) * fraction;
  *y += (entries[at + 1].y - entries[at].y) * fraction;
}

// Makes each step between neighbouring angles the shorter way round (a
// step of more than half a turn goes the other way).
void Unwrap(GaugeRenderer::Table* table) {
  auto& entries = table->entries;
  for (size_t i = 1; i < entries.size(); ++i) {
    double step = entries[i].angle - entries[i - 1].angle;
    while (step > kPi) step -= 2 * kPi;
    while (step < -kPi) step += 2 * kPi;
    entries[i].angle = entries[i - 1].angle + step;
  }
}

uint8_t Premultiply(uint8_t channel, uint8_t alpha) {
  return static_cast<uint8_t>((channel * alpha + 127) / 255);
}

}  // namespace

uint32_t Picture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const size_t at =
      (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
  return static_cast<uint32_t>(rgba[at]) << 24 | static_cast<uint32_t>(rgba[at + 1]) << 16 |
         static_cast<uint32_t>(rgba[at + 2]) << 8 | rgba[at + 3];
}

// How an image's black pixels are drawn.
enum class Keying { kOpaque, kBlackKey, kAlpha };

struct GaugeRenderer::Image {
  std::string name;  // as written
  Place place;
  double width = 0;  // drawn size: ImageSizes' first pair, or the bitmap's
  double height = 0;
  double axis_x = 0;
  double axis_y = 0;
  Table table;  // FS9 image-level nonlinearity: the pixel put on the reference
  cairo_surface_t* surface = nullptr;  // null: missing, drawn as a placeholder
};

struct GaugeRenderer::Drawable {
  enum class Kind { kImage, kText, kShape };
  Kind kind = Kind::kImage;
  int case_index = -1;            // drawn only when this case is chosen; -1 always
  int index = -1;                 // into images_, texts_ or shapes_
  const XmlNode* node = nullptr;  // kText, kShape: for its frame results
};

struct GaugeRenderer::ElementInfo {
  std::vector<size_t> children;
  double x = 0;
  double y = 0;
  int left = -1;  // the LeftScript's and TopScript's results, if any
  int top = -1;
  int mask = -1;
  double mask_axis_x = 0;
  double mask_axis_y = 0;
  bool has_clip = false;
  double clip_x = 0;
  double clip_y = 0;
  double clip_width = 0;
  double clip_height = 0;
  bool has_points_to = false;
  double points_to = 0;  // the direction the content is drawn in
  Table rotation;
  bool has_scale = false;
  double scale_x = 0;
  double scale_y = 0;
  Table shift;
  std::vector<Drawable> drawables;
};

GaugeRenderer::GaugeRenderer(const GaugeModel& model, FontLibrary* fonts, Diagnostics* diagnostics)
    : model_(model), fonts_(fonts), diagnostics_(diagnostics) {
  for (const Element& element : model_.elements) {
    top_.push_back(elements_.size());
    ReadElement(element, -1);
  }
  ReadSize();
}

GaugeRenderer::~GaugeRenderer() {
  for (auto& [key, surface] : surfaces_) cairo_surface_destroy(surface);
}

// A problem of the text and shape readers ("FILE:L:C: <Tag> what") as a
// warning at its place.
void GaugeRenderer::WarnProblem(const Place& place, const std::string& problem) {
  const size_t tag = problem.find(": <");
  Warn(place, tag == std::string::npos ? problem : problem.substr(tag + 2));
}

void GaugeRenderer::Warn(const Place& place, const std::string& message) {
  diagnostics_->Report(MakeDiagnostic(Severity::kWarning, place, message));
}

int GaugeRenderer::ReadImage(const XmlNode& node, bool keyed_by_default, bool is_mask) {
  Image image;
  image.place = node.place;
  if (const std::string* name = node.Attribute("Name")) image.name = std::string(Trim(*name));
  if (const XmlNode* axis = node.Child("Axis")) ReadPoint(*axis, &image.axis_x, &image.axis_y);
  if (const XmlNode* table = TableNode(node)) image.table = ReadTable(*table);
  double sizes[4] = {0, 0, 0, 0};
  int count = 0;
  if (const std::string* text = Property(node, "ImageSizes")) {
    size_t start = 0;
    while (count < 4 && start <= text->size()) {
      size_t end = text->find(',', start);
      if (end == std::string::npos) end = text->size();
      if (!ParseNumber(std::string_view(*text).substr(start, end - start), &sizes[count])) break;
      ++count;
      start = end + 1;
    }
  }
  Keying keying = keyed_by_default ? Keying::kBlackKey : Keying::kOpaque;
  if (!is_mask) {
    if (const std::string* transparent = Property(node, "Transparent")) {
      keying = Truth(transparent) ? Keying::kBlackKey : Keying::kOpaque;
    }
    if (Truth(Property(node, "Alpha"))) keying = Keying::kAlpha;
  } else {
    keying = Keying::kBlackKey;
  }

  const std::string path = image.name.empty() ? "" : FindBitmap(model_.folder, image.name);
  Bitmap bitmap;
  std::string problem;
  if (image.name.empty()) {
    problem = "no bitmap named";
  } else if (path.empty()) {
    problem = "bitmap '" + image.name + "' not found beside the gauge file";
    if (!model_.folder.empty()) problem += " (in " + model_.folder + ")";
  } else {
    LoadBmp(path, &bitmap, &problem);
  }
  // ImageSizes as large as a bitmap may be, at most.
  if (count >= 2 && sizes[0] >= 1 && sizes[1] >= 1 && sizes[0] <= kMaxBitmapSide &&
      sizes[1] <= kMaxBitmapSide && sizes[0] * sizes[1] <= static_cast<double>(kMaxBitmapPixels)) {
    image.width = sizes[0];
    image.height = sizes[1];
  } else if (bitmap.width > 0) {
    image.width = bitmap.width;
    image.height = bitmap.height;
  }
  if (bitmap.width == 0) {
    Warn(node.place, "<" + node.tag + "> " + problem + "; drawn as an outlined box");
    if (image.width <= 0) {
      image.width = 64;
      image.height = 16;
    }
  } else {
    if (keying == Keying::kAlpha && !bitmap.has_alpha) keying = Keying::kBlackKey;
    const int width = static_cast<int>(std::lround(image.width));
    const int height = static_cast<int>(std::lround(image.height));
    const auto key = std::make_tuple(path, width, height, static_cast<int>(keying));
    const auto found = surfaces_.find(key);
    if (found != surfaces_.end()) {
      image.surface = found->second;
    } else {
      cairo_surface_t* surface =
          cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
      cairo_surface_flush(surface);
      unsigned char* data = cairo_image_surface_get_data(surface);
      const int stride = cairo_image_surface_get_stride(surface);
      for (int y = 0; y < bitmap.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < bitmap.width; ++x) {
          const uint8_t* p =
              &bitmap.rgba[(static_cast<size_t>(y) * static_cast<size_t>(bitmap.width) +
                            static_cast<size_t>(x)) *
                           4];
          uint8_t alpha = 255;
          if (keying == Keying::kAlpha) {
            alpha = p[3];
          } else if (keying == Keying::kBlackKey && p[0] == 0 && p[1] == 0 && p[2] == 0) {
            alpha = 0;
          }
          row[x] = static_cast<uint32_t>(alpha) << 24 |
                   static_cast<uint32_t>(Premultiply(p[0], alpha)) << 16 |
                   static_cast<uint32_t>(Premultiply(p[1], alpha)) << 8 | Premultiply(p[2], alpha);
        }
      }
      cairo_surface_mark_dirty(surface);
      if (width != bitmap.width || height != bitmap.height) {
        // A bitmap of another size than ImageSizes says (the high-resolution
        // one, say) is resampled to it, after keying.
        cairo_surface_t* sized = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_t* cr = cairo_create(sized);
        cairo_scale(cr, static_cast<double>(width) / bitmap.width,
                    static_cast<double>(height) / bitmap.height);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        surface = sized;
      }
      surfaces_[key] = surface;
      image.surface = surface;
    }
  }
  images_.push_back(std::move(image));
  return static_cast<int>(images_.size()) - 1;
}

void GaugeRenderer::ReadDrawables(const XmlNode& node, int case_index, ElementInfo* info) {
  const bool old = !model_.new_schema;
  for (const XmlNode& child : node.children) {
    const std::string& tag = child.tag;
    if (tag == "Image") {
      Drawable drawable;
      drawable.kind = Drawable::Kind::kImage;
      drawable.case_index = case_index;
      drawable.index = ReadImage(child, old, false);
      info->drawables.push_back(drawable);
      if (!info->has_points_to) {
        if (const std::string* points_to = child.Attribute("PointsTo")) {
          info->has_points_to = PointsToAngle(*points_to, &info->points_to);
        }
        if (const std::string* degrees = child.Attribute("DegreesPointsTo")) {
          info->has_points_to = ParseNumber(*degrees, &info->points_to);
          info->points_to *= kPi / 180;
        }
      }
    } else if (IsTextTag(tag)) {
      std::vector<std::string> problems;
      TextBox box;
      const bool read = ReadTextBox(child, &box, &problems);
      for (const std::string& problem : problems) WarnProblem(child.place, problem);
      if (!read) continue;
      Drawable drawable;
      drawable.kind = Drawable::Kind::kText;
      drawable.case_index = case_index;
      drawable.index = static_cast<int>(texts_.size());
      drawable.node = &child;
      texts_.push_back(std::move(box));
      info->drawables.push_back(drawable);
    } else if (IsShapeTag(tag)) {
      std::vector<std::string> problems;
      Shape shape;
      const bool read = ReadShape(child, &shape, &problems);
      for (const std::string& problem : problems) WarnProblem(child.place, problem);
      if (!read) continue;
      Drawable drawable;
      drawable.kind = Drawable::Kind::kShape;
      drawable.case_index = case_index;
      drawable.index = static_cast<int>(shapes_.size());
      drawable.node = &child;
      shapes_.push_back(std::move(shape));
      info->drawables.push_back(drawable);
    } else if (tag == "Select" && case_index < 0) {
      // Cases count through every <Select> of the element, as the frame
      // counts them.
      for (const XmlNode& entry : child.children) {
        if (entry.tag != "Case") continue;
        ReadDrawables(entry, next_case_++, info);
      }
    }
  }
}

void GaugeRenderer::ReadElement(const Element& element, int parent) {
  const size_t index = elements_.size();
  elements_.emplace_back();
  if (parent >= 0) elements_[static_cast<size_t>(parent)].children.push_back(index);
  const XmlNode& node = element.node;
  const bool old = !model_.new_schema;
  {
    ElementInfo info;
    ReadPosition(node, &info.x, &info.y);
    if (const XmlNode* left = node.Child("LeftScript")) info.left = left->result;
    if (const XmlNode* top = node.Child("TopScript")) info.top = top->result;
    if (const XmlNode* mask = node.Child("MaskImage")) {
      info.mask = ReadImage(*mask, true, true);
      info.mask_axis_x = images_[static_cast<size_t>(info.mask)].axis_x;
      info.mask_axis_y = images_[static_cast<size_t>(info.mask)].axis_y;
    }
    if (const XmlNode* clip = node.Child("ClipRect")) {
      double w = 0;
      double h = 0;
      if (const XmlNode* position = clip->Child("FloatPosition")) {
        ReadPoint(*position, &info.clip_x, &info.clip_y);
      }
      if (const XmlNode* size = clip->Child("Size")) ParsePair(size->text, &w, &h);
      info.has_clip = true;
      info.clip_width = w;
      info.clip_height = h;
    }
    next_case_ = 0;
    ReadDrawables(node, -1, &info);
    // Two <Rotate>s in one element: the last counts, as its value does.
    const XmlNode* rotation = nullptr;
    const XmlNode* shift = nullptr;
    for (const XmlNode& child : node.children) {
      if (child.tag == "Rotate" || child.tag == "Rotation") rotation = &child;
      if (child.tag == "Shift") shift = &child;
    }
    if (rotation != nullptr) {
      if (const XmlNode* points_to = rotation->Child("PointsTo")) {
        info.has_points_to = PointsToAngle(points_to->text, &info.points_to);
      }
      if (const XmlNode* degrees = rotation->Child("DegreesPointsTo")) {
        info.has_points_to = ParseNumber(degrees->text, &info.points_to);
        info.points_to *= kPi / 180;
      }
      if (const XmlNode* table = TableNode(*rotation)) info.rotation = ReadTable(*table);
      if (info.rotation.kind == Table::Kind::kPoints) {
        // Each point's direction from the pivot, in the parent's space.
        const double pivot_x = info.x + info.mask_axis_x;
        const double pivot_y = info.y + info.mask_axis_y;
        for (Table::Entry& entry : info.rotation.entries) {
          entry.angle = std::atan2(entry.y - pivot_y, entry.x - pivot_x);
        }
        Unwrap(&info.rotation);
      } else if (info.rotation.kind == Table::Kind::kDegrees && old) {
        Unwrap(&info.rotation);
      }
    }
    if (shift != nullptr) {
      if (const XmlNode* scale = shift->Child("Scale")) {
        info.has_scale = ReadPoint(*scale, &info.scale_x, &info.scale_y);
      }
      if (const XmlNode* table = TableNode(*shift)) info.shift = ReadTable(*table);
    }
    elements_[index] = std::move(info);
  }
  for (const Element& child : element.children) ReadElement(child, static_cast<int>(index));
}

void GaugeRenderer::ReadSize() {
  const XmlNode& root = model_.root;
  const bool old = !model_.new_schema;
  if (const XmlNode* image = root.Child("Image")) {
    background_ = ReadImage(*image, old, false);
  }
  double w = 0;
  double h = 0;
  if (const XmlNode* size = root.Child("Size")) {
    if (!ReadPoint(*size, &w, &h)) w = h = 0;
  }
  const bool has_size = w > 0 && h > 0;
  if (background_ >= 0 && (old || !has_size)) {
    w = images_[static_cast<size_t>(background_)].width;
    h = images_[static_cast<size_t>(background_)].height;
  } else if (!has_size) {
    // Neither: as far as the elements' images reach, unturned.
    w = h = 0;
    std::vector<std::pair<double, double>> origin(elements_.size());
    for (size_t i = 0; i < elements_.size(); ++i) {
      const ElementInfo& info = elements_[i];
      origin[i].first += info.x;
      origin[i].second += info.y;
      for (size_t child : info.children) origin[child] = origin[i];
      for (const Drawable& drawable : info.drawables) {
        if (drawable.kind != Drawable::Kind::kImage) continue;
        const Image& image = images_[static_cast<size_t>(drawable.index)];
        w = std::max(w, origin[i].first - image.axis_x + image.width);
        h = std::max(h, origin[i].second - image.axis_y + image.height);
      }
    }
  }
  width_ = std::clamp(w, 1.0, static_cast<double>(kMaxBitmapSide));
  height_ = std::clamp(h, 1.0, static_cast<double>(kMaxBitmapSide));
}

double GaugeRenderer::RotationAngle(const ElementInfo& info, const ElementState& state) const {
  if (!state.has_rotate) return 0;
  const bool old = !model_.new_schema;
  const double points_to = info.has_points_to ? info.points_to : 0;
  switch (info.rotation.kind) {
    case Table::Kind::kPoints:
      return AngleAt(info.rotation, state.rotate) - points_to;
    case Table::Kind::kDegrees:
    case Table::Kind::kRadians:
      return AngleAt(info.rotation, state.rotate) - (old ? points_to : 0);
    case Table::Kind::kNone:
      break;
  }
  return state.rotate - (old ? points_to : 0);
}

void GaugeRenderer::DrawImage(cairo_t* cr, const Image& image, const cairo_matrix_t& matrix,
                              double anchor_x, double anchor_y) const {
  cairo_set_matrix(cr, &matrix);
  cairo_translate(cr, -anchor_x, -anchor_y);
  if (image.surface != nullptr) {
    cairo_set_source_surface(cr, image.surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_rectangle(cr, 0, 0, image.width, image.height);
    cairo_fill(cr);
    return;
  }
  // A missing bitmap: its outline and its name.
  cairo_save(cr);
  cairo_rectangle(cr, 0.5, 0.5, image.width - 1, image.height - 1);
  cairo_set_source_rgb(cr, 1, 0, 1);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_rectangle(cr, 0, 0, image.width, image.height);
  cairo_clip(cr);
  cairo_set_font_size(cr, 10);
  cairo_move_to(cr, 3, 11);
  cairo_show_text(cr, image.name.empty() ? "?" : image.name.c_str());
  cairo_restore(cr);
}

void GaugeRenderer::DrawElement(cairo_t* cr, size_t index, const GaugeFrame& frame,
                                const cairo_matrix_t& parent) const {
  const ElementInfo& info = elements_[index];
  if (index >= frame.elements.size()) return;
  const ElementState& state = frame.elements[index];
  if (!state.visible) return;

  // The element's frame, its reference point, and the frame its content and
  // children are drawn in: shifted along its own axes, then turned.
  // LeftScript and TopScript replace the written position.
  double x = info.x;
  double y = info.y;
  const auto script = [&](int slot, double* value) {
    if (slot >= 0 && static_cast<size_t>(slot) < state.scripts.size()) {
      *value = ToDouble(state.scripts[static_cast<size_t>(slot)].second);
    }
  };
  script(info.left, &x);
  script(info.top, &y);
  cairo_matrix_t own = parent;
  cairo_matrix_translate(&own, x, y);
  cairo_matrix_t inner = own;
  cairo_matrix_translate(&inner, info.mask_axis_x, info.mask_axis_y);
  cairo_matrix_rotate(&inner, RotationAngle(info, state));
  if (state.has_shift || state.has_value) {
    const double value = state.has_shift ? state.shift : state.value;
    double dx = 0;
    double dy = 0;
    if (!info.shift.entries.empty()) {
      PointAt(info.shift, value, &dx, &dy);
    } else if (info.has_scale) {
      dx = value * info.scale_x;
      dy = value * info.scale_y;
    }
    cairo_matrix_translate(&inner, dx, dy);
  }

  cairo_save(cr);
  if (info.has_clip) {
    cairo_set_matrix(cr, &own);
    cairo_rectangle(cr, info.clip_x, info.clip_y, info.clip_width, info.clip_height);
    cairo_clip(cr);
  }
  const Image* mask = info.mask >= 0 ? &images_[static_cast<size_t>(info.mask)] : nullptr;
  if (mask != nullptr) {
    // The content is drawn apart and shown through the mask, which stays
    // in the element's frame.
    cairo_save(cr);
    cairo_set_matrix(cr, &own);
    cairo_rectangle(cr, 0, 0, mask->width, mask->height);
    cairo_clip(cr);
    cairo_push_group(cr);
  }
  const double value = state.has_shift ? state.shift : state.has_value ? state.value : state.rotate;
  for (const Drawable& drawable : info.drawables) {
    if (drawable.case_index >= 0 && drawable.case_index != state.case_index) continue;
    if (drawable.kind == Drawable::Kind::kImage) {
      const Image& image = images_[static_cast<size_t>(drawable.index)];
      double anchor_x = image.axis_x;
      double anchor_y = image.axis_y;
      if (!image.table.entries.empty()) PointAt(image.table, value, &anchor_x, &anchor_y);
      DrawImage(cr, image, inner, anchor_x, anchor_y);
      continue;
    }
    // Each text and shape has the results of its own sites.
    const ScriptResults results = ScriptResultsOf(*drawable.node, state.scripts);
    cairo_set_matrix(cr, &inner);
    if (drawable.kind == Drawable::Kind::kText) {
      DrawTextBox(cr, texts_[static_cast<size_t>(drawable.index)],
                  FrameTextOf(*drawable.node, state.texts), results, fonts_);
    } else {
      DrawShape(cr, shapes_[static_cast<size_t>(drawable.index)], results);
    }
  }
  if (mask != nullptr) {
    cairo_set_matrix(cr, &own);
    cairo_pop_group_to_source(cr);
    if (mask->surface != nullptr) {
      cairo_mask_surface(cr, mask->surface, 0, 0);
    } else {
      cairo_paint(cr);
    }
    cairo_restore(cr);
  }
  for (size_t child : info.children) DrawElement(cr, child, frame, inner);
  cairo_restore(cr);
}

void GaugeRenderer::DrawOn(cairo_t* cr, const GaugeFrame& frame) const {
  cairo_matrix_t base;
  cairo_get_matrix(cr, &base);
  if (background_ >= 0) DrawImage(cr, images_[static_cast<size_t>(background_)], base, 0, 0);
  for (size_t index : top_) DrawElement(cr, index, frame, base);
  cairo_set_matrix(cr, &base);
}

void GaugeRenderer::Draw(const GaugeFrame& frame, double scale, Picture* picture) const {
  const int width = std::max(1, static_cast<int>(std::ceil(width_ * scale - 1e-9)));
  const int height = std::max(1, static_cast<int>(std::ceil(height_ * scale - 1e-9)));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    // Too large for cairo (the run's options are checked before): nothing.
    cairo_surface_destroy(surface);
    *picture = Picture();
    return;
  }
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  DrawOn(cr, frame);
  cairo_destroy(cr);
  PictureFromSurface(surface, picture);
  cairo_surface_destroy(surface);
}

void PictureFromSurface(cairo_surface_t* surface, Picture* picture) {
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  picture->width = width;
  picture->height = height;
  picture->rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  uint8_t* out = picture->rgba.data();
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x, out += 4) {
      const uint32_t pixel = row[x];
      const uint32_t alpha = pixel >> 24;
      uint32_t red = (pixel >> 16) & 0xFF;
      uint32_t green = (pixel >> 8) & 0xFF;
      uint32_t blue = pixel & 0xFF;
      if (alpha != 0 && alpha != 255) {
        red = (red * 255 + alpha / 2) / alpha;
        green = (green * 255 + alpha / 2) / alpha;
        blue = (blue * 255 + alpha / 2) / alpha;
      }
      out[0] = static_cast<uint8_t>(std::min(red, 255u));
      out[1] = static_cast<uint8_t>(std::min(green, 255u));
      out[2] = static_cast<uint8_t>(std::min(blue, 255u));
      out[3] = static_cast<uint8_t>(alpha);
    }
  }
}

cairo_surface_t* SurfaceFromPicture(const Picture& picture) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const uint8_t* in = picture.rgba.data();
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < picture.width; ++x, in += 4) {
      const uint8_t alpha = in[3];
      row[x] = static_cast<uint32_t>(alpha) << 24 |
               static_cast<uint32_t>(Premultiply(in[0], alpha)) << 16 |
               static_cast<uint32_t>(Premultiply(in[1], alpha)) << 8 | Premultiply(in[2], alpha);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

}  // namespace runner
