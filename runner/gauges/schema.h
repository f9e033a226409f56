// What each schema of gauge files has where, for warnings about elements and
// attributes a gauge uses that its schema does not have (the simulator reads
// past them): an <Area> in an FSX gauge, whose name for it is <MouseArea>; a
// <MouseClick> directly in an <Element>; a Kind attribute on a <MouseClick>.
//
// The FSX schema (SimBase.Document) is checked against its inventory: the
// children of the gauge, its elements, transformations, cases, expressions,
// mouse areas and clicks, and the id/Name attributes its elements take. An
// FS2004 <Gauge> is checked for the FSX names it cannot have. Texts, shapes,
// images and the like are not checked.
#ifndef VELLOMAR_RUNNER_GAUGES_SCHEMA_H_
#define VELLOMAR_RUNNER_GAUGES_SCHEMA_H_

#include <functional>
#include <pugixml.hpp>
#include <vector>

#include "runner/base/diagnostics.h"

namespace runner {

// Checks the tree of `gauge` (<SimGauge.Gauge> when `new_schema`, else
// <Gauge>) and appends a warning for each kind of mistake (one child in one
// parent, one attribute on one element), at its first place.
void CheckSchema(const pugi::xml_node& gauge, bool new_schema,
                 const std::function<Place(const pugi::xml_node&)>& place_of,
                 std::vector<Diagnostic>* warnings);

}  // namespace runner

#endif  // VELLOMAR_RUNNER_GAUGES_SCHEMA_H_
