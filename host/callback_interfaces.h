// The host's C-callback interfaces.
//
// The order of the virtual functions below is a binary contract with a
// separately compiled host: it calls them by slot index through the object's
// table of function pointers. Slots are numbered from 0 in declaration order.
// Nothing may be added, removed or reordered, and no interface may gain a
// virtual destructor (it would take a slot). The destructors are protected and
// non-virtual: objects are destroyed by their own Release.
//
// What each slot hands back to its caller is stated beside it:
//   [owned]  a new reference that the caller owns and must Release; null when
//            memory runs out.
//   [static] a text that lives as long as the library stays loaded.
//   [slot]   a text inside the storage: valid until the module stops, and
//            later writes to the same slot show through it.
//   [host]   a text the host itself passed in earlier, returned as it is.
// A null out-parameter makes the call return false at once, changing nothing
// and writing nothing.
//
// Threading: the host makes every call one at a time.
#ifndef VELLOMAR_HOST_CALLBACK_INTERFACES_H_
#define VELLOMAR_HOST_CALLBACK_INTERFACES_H_

#include <cstdint>

#include "host/calling_convention.h"

// Opaque host types that appear only in signatures.
struct IGaugeCDrawable;
struct IGaugeCDrawableCreateParameters;

class IAircraftCCallback;
class IGaugeCCallback;

// Registered once, under a name, with panel_register_c_callback.
class IPanelCCallback {
 public:
  // 0: one more reference; returns the new count.
  virtual uint32_t VELLOMAR_THISCALL AddRef() = 0;
  // 1: one reference fewer; returns the new count and destroys the object at 0.
  virtual uint32_t VELLOMAR_THISCALL Release() = 0;
  // 2: always null (no other interface is offered); no reference is taken.
  virtual IPanelCCallback* VELLOMAR_THISCALL QueryInterface(const char* interface_name) = 0;
  // 3: the callback's version, 1.
  virtual uint32_t VELLOMAR_THISCALL GetVersion() = 0;
  // 4: [owned] a new aircraft callback for `container_id`.
  virtual IAircraftCCallback* VELLOMAR_THISCALL CreateAircraftCCallback(uint32_t container_id) = 0;
  // 5: the keyword's property id in `*id`, creating a user variable for a new
  // keyword. False for a null keyword, a keyword longer than 259 characters
  // (nothing is created) or when memory runs out.
  virtual bool VELLOMAR_THISCALL ConvertStringToProperty(const char* keyword, int32_t* id) = 0;
  // 6: the keyword of `id` in `*keyword`: [static] for the fixed keywords,
  // [slot] (the variable's name, case as first given) for a user variable.
  // False for an id nothing has.
  virtual bool VELLOMAR_THISCALL ConvertPropertyToString(int32_t id, const char** keyword) = 0;
  // 7: the units code of `id` in `*units_code`. False for an id nothing has.
  virtual bool VELLOMAR_THISCALL GetPropertyUnits(int32_t id, int32_t* units_code) = 0;

 protected:
  ~IPanelCCallback() = default;
};

class IAircraftCCallback {
 public:
  virtual uint32_t VELLOMAR_THISCALL AddRef() = 0;   // 0: as IPanelCCallback's
  virtual uint32_t VELLOMAR_THISCALL Release() = 0;  // 1: as IPanelCCallback's
  // 2: always null; no reference is taken.
  virtual IAircraftCCallback* VELLOMAR_THISCALL QueryInterface(const char* interface_name) = 0;
  // 3: [owned] a new gauge callback with this object's container id.
  virtual IGaugeCCallback* VELLOMAR_THISCALL CreateGaugeCCallback() = 0;
  // 4: does nothing.
  virtual void VELLOMAR_THISCALL Update() = 0;

 protected:
  ~IAircraftCCallback() = default;
};

// The two overloads of each property operation take consecutive slots, the
// text overload first. Reads store a default before they look (the [static]
// text "null", or 1.0), which a failing read leaves in place.
class IGaugeCCallback {
 public:
  virtual uint32_t VELLOMAR_THISCALL AddRef() = 0;   // 0: as IPanelCCallback's
  virtual uint32_t VELLOMAR_THISCALL Release() = 0;  // 1: as IPanelCCallback's
  // 2: always null; no reference is taken.
  virtual IGaugeCCallback* VELLOMAR_THISCALL QueryInterface(const char* interface_name) = 0;
  // 3: does nothing.
  virtual void VELLOMAR_THISCALL Update() = 0;
  // 4: a text property in `*value`: [slot] for an element or a user variable,
  // [host] for the active array's name.
  virtual bool VELLOMAR_THISCALL GetPropertyValue(int32_t id, const char** value) = 0;
  // 5: a number property in `*value`.
  virtual bool VELLOMAR_THISCALL GetPropertyValue(int32_t id, double* value) = 0;
  // 6: writes a text property. The text is copied into a slot, except that a
  // creation keyword keeps the pointer itself as the array's name: that text
  // must stay alive, unchanged, until the module stops.
  virtual bool VELLOMAR_THISCALL SetPropertyValue(int32_t id, const char* value) = 0;
  // 7: writes a number property.
  virtual bool VELLOMAR_THISCALL SetPropertyValue(int32_t id, double value) = 0;
  // 8: always null; no reference is taken.
  virtual IGaugeCDrawable* VELLOMAR_THISCALL
  CreateGaugeCDrawable(int32_t id, const IGaugeCDrawableCreateParameters* parameters) = 0;

 protected:
  ~IGaugeCCallback() = default;
};

#endif  // VELLOMAR_HOST_CALLBACK_INTERFACES_H_
